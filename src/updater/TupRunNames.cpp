// Distinct names for the copies a run keeps of files installed from one package path.
#include "updater/TupRunNames.h"

#include "base/WideText.h"

std::wstring CTupRunNames::NameFor(const std::wstring& packagePath, const std::wstring& installed,
                                   const std::function<bool(const std::wstring&)>& taken) {
    const std::wstring owner = tav::FoldLower(installed);
    const std::wstring key = tav::FoldLower(packagePath) + L'|' + owner;
    if (const auto it = given_.find(key); it != given_.end()) return it->second;

    std::wstring name = packagePath;
    const auto first = owners_.find(tav::FoldLower(packagePath));
    if (first != owners_.end() && first->second != owner) {
        // The number goes before the extension, so the copy still opens as what it is.
        const size_t slash = packagePath.rfind(L'\\');
        const size_t dot = packagePath.rfind(L'.');
        const size_t at = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash + 1)
                              ? dot
                              : packagePath.size();
        for (int n = 2;; ++n) {
            name = packagePath.substr(0, at) + L"~" + std::to_wstring(n) + packagePath.substr(at);
            if (!owners_.count(tav::FoldLower(name)) && !taken(name)) break;
        }
    }
    owners_.emplace(tav::FoldLower(name), owner);
    given_.emplace(key, name);
    return name;
}
