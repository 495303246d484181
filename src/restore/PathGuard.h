// Keeps a restore's writes and deletions inside the installation it restores, or inside a
// folder this machine names that the kept package description's entry for a file leads to:
// paths are judged by their form first, without asking the file system, then by where they
// lie, then for links on the way.
#pragma once

#include <string>
#include <vector>

namespace sys {
class IFiles;
}

namespace restore {

class PathGuard {
public:
    // Why path cannot be one a restore writes, deletes or reads a backup from, judged by its
    // form alone: not a full local path, a device, "\\?\" or UNC prefix, a ':' other than the
    // drive's, "." or ".." or a name Windows would trim or take as a device. Empty when sound.
    static std::string FormProblem(const std::wstring& path);

    // path with '/' taken as '\' and repeated separators made one.
    static std::wstring Normal(const std::wstring& path);

    // Whether path lies below folder, letters folded (both sound in form).
    static bool LiesIn(const std::wstring& path, const std::wstring& folder);

    // The installation of a backup folder "...\_TupBkp\<run>\": the folder above _TupBkp, with
    // a separator at its end. Empty with why when backup is not such a folder.
    static std::wstring InstallationOf(const std::wstring& backup, std::string& why);

    PathGuard(sys::IFiles& files, std::wstring installation);

    const std::wstring& Installation() const { return installation_; }

    // The one of folders (or the installation) that path lies in, sound in form and below a
    // drive's root; empty with why when path may not be changed.
    std::wstring RootFor(const std::wstring& path, const std::vector<std::wstring>& folders,
                         std::string& why) const;

    // Why a file or folder from below root down to path (both included) is a link or junction
    // that would lead elsewhere; empty when none is.
    std::string LinkOnTheWay(const std::wstring& root, const std::wstring& path) const;

private:
    sys::IFiles& files_;
    std::wstring installation_;
};

}  // namespace restore
