// Special folders and shortcuts of the Windows shell.
#include "system/win32/Win32Shell.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace sys::win32 {
namespace {

// A COM interface pointer, released when it goes.
template <typename T>
class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() {
        if (pointer_) pointer_->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    T** Out() { return &pointer_; }
    T* operator->() const { return pointer_; }
    T* Get() const { return pointer_; }

private:
    T* pointer_ = nullptr;
};

// COM for this thread for as long as the object lives, when it was not set up already.
class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (initialised_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

}  // namespace

bool Win32Shell::GetSpecialFolder(int csidl, bool create, std::wstring& path) {
    wchar_t buffer[MAX_PATH] = {};
    const int flags = csidl | (create ? CSIDL_FLAG_CREATE : 0);
    if (FAILED(SHGetFolderPathW(nullptr, flags, nullptr, SHGFP_TYPE_CURRENT, buffer))) return false;
    path = buffer;
    return !path.empty();
}

bool Win32Shell::CreateShortcut(const std::wstring& linkPath, const ShortcutSpec& shortcut) {
    ComScope com;
    ComPointer<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.Out())))) {
        return false;
    }
    link->SetPath(shortcut.target.c_str());
    link->SetWorkingDirectory(shortcut.workingFolder.c_str());
    link->SetDescription(shortcut.description.c_str());
    link->SetIconLocation(shortcut.iconFile.c_str(), shortcut.iconIndex);
    ComPointer<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out())))) {
        return false;
    }
    return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

}  // namespace sys::win32
