// The update lock of the Linux build: an exclusive lock on a file in the temporary folder.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "system/MachineLock.h"

namespace sys {
namespace {

constexpr char kLockFile[] = "/tmp/kelmark-tav-server-update.lock";

class PosixMachineLock final : public IMachineLock {
public:
    explicit PosixMachineLock(int fd) : fd_(fd) {}
    ~PosixMachineLock() override { close(fd_); }
    PosixMachineLock(const PosixMachineLock&) = delete;
    PosixMachineLock& operator=(const PosixMachineLock&) = delete;

private:
    int fd_;
};

}  // namespace

std::unique_ptr<IMachineLock> TakeUpdateLock() {
    const int fd = open(kLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return nullptr;
    }
    return std::make_unique<PosixMachineLock>(fd);
}

}  // namespace sys
