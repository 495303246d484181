// The names a run gives the copies it keeps below one folder (backups, kept customized files),
// so that two installed files never share one: the first keeps the package path, a later file
// of the same package path gets a numbered name beside it.
#pragma once

#include <functional>
#include <map>
#include <string>

class CTupRunNames {
public:
    // The name for installed's copy of packagePath. The package path when these runs have not given
    // it to another file (so an earlier copy of the same file is found under it as before);
    // otherwise the name installed got before, or "name~N.ext" with the first N from 2 that
    // these runs have not given out and for which taken answers false.
    std::wstring NameFor(const std::wstring& packagePath, const std::wstring& installed,
                         const std::function<bool(const std::wstring&)>& taken);

private:
    std::map<std::wstring, std::wstring> owners_;  // folded name -> folded installed path
    std::map<std::wstring, std::wstring> given_;   // folded package path + '|' + installed -> name
};
