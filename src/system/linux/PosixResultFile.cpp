// Result files of the Linux build: a symbolic link at the path is refused by the open itself.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/WideText.h"
#include "system/ResultFile.h"

namespace sys {

bool WriteResultFile(const std::wstring& path, const std::string& bytes, std::string& error) {
    const int fd = open(tav::ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno == ELOOP ? "a link stands in its place" : std::strerror(errno);
        return false;
    }
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) {
            error = std::strerror(errno);
            close(fd);
            return false;
        }
        written += static_cast<size_t>(n);
    }
    if (close(fd) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace sys
