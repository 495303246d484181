// The update lock as a named mutex in the global name space, seen by every session.
#include <windows.h>

#include "system/MachineLock.h"

namespace sys {
namespace {

constexpr wchar_t kGlobalName[] = L"Global\\Kelmark.Tav.ServerUpdate";
constexpr wchar_t kLocalName[] = L"Kelmark.Tav.ServerUpdate";

class Win32MachineLock final : public IMachineLock {
public:
    explicit Win32MachineLock(HANDLE mutex) : mutex_(mutex) {}
    ~Win32MachineLock() override { CloseHandle(mutex_); }
    Win32MachineLock(const Win32MachineLock&) = delete;
    Win32MachineLock& operator=(const Win32MachineLock&) = delete;

private:
    HANDLE mutex_;
};

}  // namespace

std::unique_ptr<IMachineLock> TakeUpdateLock() {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kGlobalName);
    DWORD error = GetLastError();
    // Only a program without the right to make global objects falls back to its session's name.
    if (!mutex && error != ERROR_ACCESS_DENIED) {
        mutex = CreateMutexW(nullptr, FALSE, kLocalName);
        error = GetLastError();
    }
    if (!mutex) return nullptr;  // the name is held by an object we may not open
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return nullptr;
    }
    return std::make_unique<Win32MachineLock>(mutex);
}

}  // namespace sys
