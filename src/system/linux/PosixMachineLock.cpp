// The update lock of the Linux build: an exclusive lock on a file in a folder that only root (or
// the user running the tool, who has no more rights than that) may write.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/WideText.h"
#include "system/MachineLock.h"

namespace sys {
namespace {

class PosixMachineLock final : public IMachineLock {
public:
    explicit PosixMachineLock(int fd) : fd_(fd) {}
    ~PosixMachineLock() override { close(fd_); }
    PosixMachineLock(const PosixMachineLock&) = delete;
    PosixMachineLock& operator=(const PosixMachineLock&) = delete;

private:
    int fd_;
};

UpdateLock Failed(const std::string& what) {
    return UpdateLock{LockState::Failed, nullptr, tav::FromUtf8(what)};
}

std::string ErrorText(int error) { return std::strerror(error); }

// Whether only root and this user may write below a folder of that state.
bool OnlyAdministratorsWrite(const struct stat& folder) {
    const bool owner = folder.st_uid == 0 || folder.st_uid == geteuid();
    return owner && (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

UpdateLock TakeUpdateLockFile(const std::wstring& folder) {
    const std::string folderPath = tav::ToUtf8(folder);
    struct stat folderState {};
    if (lstat(folderPath.c_str(), &folderState) != 0 || !S_ISDIR(folderState.st_mode)) {
        return Failed("the lock's folder " + folderPath + " is not a folder");
    }
    if (!OnlyAdministratorsWrite(folderState)) {
        return Failed("others than the administrators may write the lock's folder " + folderPath);
    }
    const std::string path = folderPath + "/" + tav::ToUtf8(kUpdateLockFileName);
    // Never through a link, never blocking on a pipe planted at the name.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return Failed("the lock file " + path + " cannot be opened: " + ErrorText(errno));
    struct stat state {};
    if (fstat(fd, &state) != 0 || !S_ISREG(state.st_mode)) {
        close(fd);
        return Failed("the lock file " + path + " is not a plain file");
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) return UpdateLock{LockState::Busy, nullptr, L""};
        return Failed("the lock file " + path + " cannot be locked: " + ErrorText(error));
    }
    return UpdateLock{LockState::Taken, std::make_unique<PosixMachineLock>(fd), L""};
}

UpdateLock TakeUpdateLock() {
    // Root's runtime folder, which only root may write; a user's tool has only that user's
    // rights and locks in its own runtime folder.
    if (geteuid() == 0) return TakeUpdateLockFile(L"/run");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return Failed("XDG_RUNTIME_DIR names no folder for the update lock");
    return TakeUpdateLockFile(tav::FromUtf8(runtime));
}

}  // namespace sys
