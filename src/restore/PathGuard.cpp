// Judging the paths a restore would change, before it changes any.
#include "restore/PathGuard.h"

#include <cwctype>

#include "base/WideText.h"
#include "system/Files.h"

namespace restore {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveRooted(const std::wstring& path) {
    return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && IsSeparator(path[2]);
}

// The Linux build's host paths start at '/'; there is no drive there.
bool IsHostRooted(const std::wstring& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    return path.size() >= 2 && path[0] == L'/' && !IsSeparator(path[1]);
#endif
}

// Names Windows opens as devices in any folder, with or without an extension.
bool IsDeviceName(std::wstring name) {
    const size_t dot = name.find(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    while (!name.empty() && name.back() == L' ') name.pop_back();
    name = tav::FoldLower(name);
    static const wchar_t* const kDevices[] = {L"con", L"prn", L"aux", L"nul", L"conin$", L"conout$"};
    for (const wchar_t* device : kDevices) {
        if (name == device) return true;
    }
    // Windows also takes the superscript digits one to three as port numbers.
    const wchar_t port = name.size() == 4 ? name[3] : 0;
    return (name.compare(0, 3, L"com") == 0 || name.compare(0, 3, L"lpt") == 0) &&
           ((port >= L'0' && port <= L'9') || port == L'\u00b9' || port == L'\u00b2' || port == L'\u00b3');
}

// The components after the root ("X:\" or "/").
std::vector<std::wstring> Components(const std::wstring& path) {
    std::vector<std::wstring> parts;
    const size_t start = IsDriveRooted(path) ? 3 : 1;
    std::wstring part;
    for (size_t i = start; i <= path.size(); ++i) {
        if (i == path.size() || IsSeparator(path[i])) {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += path[i];
        }
    }
    return parts;
}

}  // namespace

std::string PathGuard::FormProblem(const std::wstring& path) {
    if (path.empty()) return "is empty";
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return "is a network (UNC), device or \\\\?\\ path";
    }
    if (!IsDriveRooted(path) && !IsHostRooted(path)) return "is not a full path with a drive";
    for (size_t i = 0; i < path.size(); ++i) {
        const wchar_t c = path[i];
        if (c == L':' && i != 1) return "names an alternate data stream (a ':' after the drive)";
        if (c < 0x20 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|') {
            return "holds a character no file name may hold";
        }
    }
    for (const std::wstring& part : Components(path)) {
        if (part == L"." || part == L"..") return "has a \".\" or \"..\" component";
        if (part.back() == L'.' || part.back() == L' ') return "has a name ending in a dot or blank";
        if (IsDeviceName(part)) return "names a device";
    }
    return std::string();
}

std::wstring PathGuard::Normal(const std::wstring& path) {
    std::wstring normal;
    for (wchar_t c : path) {
        if (IsSeparator(c)) {
            // The host root '/' stays; otherwise runs of separators become one backslash.
            if (normal.empty()) {
                normal += c;
            } else if (normal.back() != L'\\' && normal != L"/") {
                normal += L'\\';
            }
        } else {
            normal += c;
        }
    }
    return normal;
}

bool PathGuard::LiesIn(const std::wstring& path, const std::wstring& folder) {
    std::wstring inside = Normal(folder);
    if (inside.empty()) return false;
    if (inside.back() != L'\\' && inside != L"/") inside += L'\\';
    const std::wstring normal = Normal(path);
    return normal.size() > inside.size() && tav::FoldEquals(normal.substr(0, inside.size()), inside);
}

std::wstring PathGuard::InstallationOf(const std::wstring& backup, std::string& why) {
    const std::string problem = FormProblem(backup);
    if (!problem.empty()) {
        why = "the backup folder " + problem;
        return std::wstring();
    }
    std::wstring normal = Normal(backup);
    if (normal.back() == L'\\') normal.pop_back();
    const size_t run = normal.rfind(L'\\');
    const size_t bkp = run == std::wstring::npos || run == 0 ? std::wstring::npos : normal.rfind(L'\\', run - 1);
    // On the host, the scratch root's '/' may come right before the installation's name.
    const size_t hostRoot = normal.rfind(L'/', run == std::wstring::npos ? 0 : run);
    const size_t above = bkp != std::wstring::npos ? bkp : hostRoot;
    if (run == std::wstring::npos || above == std::wstring::npos ||
        !tav::FoldEquals(normal.substr(above + 1, run - above - 1), L"_TupBkp")) {
        why = "the backup folder is not a run's folder in an installation's _TupBkp folder";
        return std::wstring();
    }
    std::wstring installation = normal.substr(0, above + 1);
    if (Components(installation).empty()) {
        why = "the backup folder's installation is a drive's root";
        return std::wstring();
    }
    if (installation.back() == L'/') installation.back() = L'\\';
    return installation;
}

PathGuard::PathGuard(sys::IFiles& files, std::wstring installation)
    : files_(files), installation_(std::move(installation)) {}

std::wstring PathGuard::RootFor(const std::wstring& path, const std::vector<std::wstring>& folders,
                                std::string& why) const {
    why = FormProblem(path);
    if (!why.empty()) return std::wstring();
    if (LiesIn(path, installation_)) return installation_;
    for (const std::wstring& folder : folders) {
        // A folder that a token made from this machine's values is held to the same form.
        if (FormProblem(folder).empty() && !Components(folder).empty() && LiesIn(path, folder)) return folder;
    }
    why = "lies outside the installation " + tav::ToUtf8(installation_) +
          " and every folder this machine names that the package description leads it to";
    return std::wstring();
}

std::string PathGuard::LinkOnTheWay(const std::wstring& root, const std::wstring& path) const {
    const std::wstring normal = Normal(path);
    std::wstring base = Normal(root);
    if (!base.empty() && base.back() != L'\\' && base != L"/") base += L'\\';
    for (size_t at = base.size(); at <= normal.size(); ++at) {
        if (at != normal.size() && normal[at] != L'\\') continue;
        const std::wstring step = normal.substr(0, at);
        uint32_t attributes = 0;
        // What does not exist yet cannot lead elsewhere, nor can anything below it.
        if (!files_.GetAttributes(step, attributes)) break;
        if (attributes & sys::FileAttribute::ReparsePoint) {
            return "passes a link or junction at " + tav::ToUtf8(step);
        }
    }
    return std::string();
}

}  // namespace restore
