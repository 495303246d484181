// The update lock: a mutex in a private name space bounded to the Administrators group, which
// no ordinary user can make, open or fill, and which every session sees. Where the system
// offers no private name spaces, a file opened exclusively in the Windows folder, which only
// administrators may write.
#include <windows.h>

#include <sddl.h>

#include "system/MachineLock.h"

namespace sys {
namespace {

constexpr wchar_t kNameSpace[] = L"Kelmark.Tav";
constexpr wchar_t kMutexName[] = L"Kelmark.Tav\\ServerUpdate";
// Administrators and the system account only.
constexpr wchar_t kAdministratorsOnly[] = L"D:P(A;;GA;;;BA)(A;;GA;;;SY)";

std::wstring ErrorText(const wchar_t* what, DWORD error) {
    return std::wstring(what) + L" (error " + std::to_wstring(error) + L")";
}

UpdateLock Failed(std::wstring problem) {
    return UpdateLock{LockState::Failed, nullptr, std::move(problem)};
}

// The lock of the private name space: the owned mutex, the name space and its boundary.
class NameSpaceLock final : public IMachineLock {
public:
    NameSpaceLock(HANDLE boundary, HANDLE nameSpace, HANDLE mutex)
        : boundary_(boundary), nameSpace_(nameSpace), mutex_(mutex) {}
    ~NameSpaceLock() override {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
        ClosePrivateNamespace(nameSpace_, 0);
        DeleteBoundaryDescriptor(boundary_);
    }
    NameSpaceLock(const NameSpaceLock&) = delete;
    NameSpaceLock& operator=(const NameSpaceLock&) = delete;

private:
    HANDLE boundary_;
    HANDLE nameSpace_;
    HANDLE mutex_;
};

class FileLock final : public IMachineLock {
public:
    explicit FileLock(HANDLE file) : file_(file) {}
    ~FileLock() override { CloseHandle(file_); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    HANDLE file_;
};

// The security attributes of the name space and its mutex; freed when the object goes.
class AdministratorsOnly {
public:
    AdministratorsOnly() {
        made_ = ConvertStringSecurityDescriptorToSecurityDescriptorW(
                    kAdministratorsOnly, SDDL_REVISION_1, &descriptor_, nullptr) != 0;
        attributes_.lpSecurityDescriptor = descriptor_;
    }
    ~AdministratorsOnly() { LocalFree(descriptor_); }
    AdministratorsOnly(const AdministratorsOnly&) = delete;
    AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;
    bool Made() const { return made_; }
    SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
    bool made_ = false;
};

// The lock in the private name space; notOffered when the system has none.
UpdateLock TakeNameSpaceLock(bool& notOffered) {
    notOffered = false;
    SetLastError(ERROR_SUCCESS);
    HANDLE boundary = CreateBoundaryDescriptorW(kNameSpace, 0);
    if (!boundary) {
        // A system without private name spaces answers nothing and tells no error.
        const DWORD error = GetLastError();
        notOffered = error == ERROR_SUCCESS || error == ERROR_CALL_NOT_IMPLEMENTED;
        return Failed(ErrorText(L"the update lock's boundary cannot be made", error));
    }
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof administrators;
    AdministratorsOnly security;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) ||
        !AddSIDToBoundaryDescriptor(&boundary, administrators) || !security.Made()) {
        const DWORD error = GetLastError();
        DeleteBoundaryDescriptor(boundary);
        return Failed(ErrorText(L"the update lock's boundary cannot be bounded to the administrators", error));
    }
    HANDLE nameSpace = CreatePrivateNamespaceW(security.Attributes(), boundary, kNameSpace);
    if (!nameSpace && GetLastError() == ERROR_ALREADY_EXISTS) {
        nameSpace = OpenPrivateNamespaceW(boundary, kNameSpace);
    }
    if (!nameSpace) {
        const DWORD error = GetLastError();
        DeleteBoundaryDescriptor(boundary);
        return Failed(ErrorText(L"the update lock's name space cannot be made or opened", error));
    }
    // Only administrators can make objects in the name space, so one that exists is another
    // update's, which holds it while it lives.
    HANDLE mutex = CreateMutexW(security.Attributes(), TRUE, kMutexName);
    const DWORD error = GetLastError();
    if (mutex && error != ERROR_ALREADY_EXISTS) {
        return UpdateLock{LockState::Taken,
                          std::make_unique<NameSpaceLock>(boundary, nameSpace, mutex), L""};
    }
    if (mutex) CloseHandle(mutex);
    ClosePrivateNamespace(nameSpace, 0);
    DeleteBoundaryDescriptor(boundary);
    if (mutex) return UpdateLock{LockState::Busy, nullptr, L""};
    return Failed(ErrorText(L"the update lock's mutex cannot be made", error));
}

}  // namespace

UpdateLock TakeUpdateLockFile(const std::wstring& folder) {
    const std::wstring path = folder + L"\\" + kUpdateLockFileName;
    // No sharing: a second opener is refused while this handle lives. Never through a link.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION) return UpdateLock{LockState::Busy, nullptr, L""};
        return Failed(ErrorText((L"the lock file " + path + L" cannot be opened").c_str(), error));
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(file);
        return Failed(L"the lock file " + path + L" is not a plain file");
    }
    return UpdateLock{LockState::Taken, std::make_unique<FileLock>(file), L""};
}

UpdateLock TakeUpdateLock() {
    bool notOffered = false;
    UpdateLock lock = TakeNameSpaceLock(notOffered);
    if (!notOffered) return lock;
    // Of the whole system, not a session's own Windows folder.
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return Failed(ErrorText(L"the Windows folder for the update lock is unknown", GetLastError()));
    }
    return TakeUpdateLockFile(windows);
}

}  // namespace sys
