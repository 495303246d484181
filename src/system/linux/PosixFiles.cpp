// The file system of the Linux build. Windows rules are kept where the update logic relies on
// them: a read-only file is neither deleted nor overwritten.
#include "system/linux/PosixFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/WideText.h"

namespace sys::posix {
namespace {

std::string NativePath(const std::wstring& path) {
    std::string name = tav::ToUtf8(path);
    for (char& c : name) {
        if (c == '\\') c = '/';
    }
    return name;
}

// A file descriptor, closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool WriteFully(int fd, const char* data, size_t bytes) {
    while (bytes > 0) {
        const ssize_t n = write(fd, data, bytes);
        if (n <= 0) return false;
        data += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }

// The path without repeated or trailing slashes, made absolute from the current folder.
std::string Absolute(std::string name) {
    if (name.empty() || name[0] != '/') {
        char* here = getcwd(nullptr, 0);
        name = std::string(here ? here : "") + "/" + name;
        std::free(here);
    }
    std::string normal;
    for (char c : name) {
        if (c != '/' || normal.empty() || normal.back() != '/') normal += c;
    }
    if (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

// Where an open file really lies, every link on its way resolved.
std::string OpenedPath(int fd) {
    std::vector<char> buffer(4096);
    const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buffer.data(), buffer.size());
    return n > 0 && static_cast<size_t>(n) < buffer.size() ? std::string(buffer.data(), static_cast<size_t>(n))
                                                           : std::string();
}

// Where path would lie with the links above within resolved and none below it.
std::string ResolvedBelow(const std::string& within, const std::string& path) {
    if (within == "/") return path;
    char* real = realpath(within.c_str(), nullptr);
    if (!real) return std::string();
    std::string resolved = real;
    std::free(real);
    if (resolved == "/") resolved.clear();
    return resolved + path.substr(within.size());
}

// Whether name is an existing read-only file; checked by hand because root may write anyway.
bool IsReadOnlyFile(const std::string& name) {
    struct stat st {};
    return stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && IsReadOnly(st);
}

class PosixAppendFile final : public IAppendFile {
public:
    explicit PosixAppendFile(int fd) : fd_(fd) {}

    bool Write(const void* data, size_t bytes) override {
        return WriteFully(fd_.get(), static_cast<const char*>(data), bytes);
    }

    uint64_t Length() override {
        struct stat st {};
        return fstat(fd_.get(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }

private:
    Descriptor fd_;
};

}  // namespace

std::unique_ptr<IAppendFile> PosixFiles::OpenForAppend(const std::wstring& path) {
    const std::string name = NativePath(path);
    if (IsReadOnlyFile(name)) return nullptr;
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixAppendFile>(fd);
}

bool PosixFiles::GetAttributes(const std::wstring& path, uint32_t& attributes) {
    const std::string name = NativePath(path);
    struct stat st {};
    if (lstat(name.c_str(), &st) != 0) return false;
    // A symbolic link is this host's reparse point; the rest is what it leads to, if anything.
    const bool link = S_ISLNK(st.st_mode);
    if (link && stat(name.c_str(), &st) != 0) st.st_mode = S_IFLNK | 0777;
    attributes = S_ISDIR(st.st_mode) ? FileAttribute::Directory : FileAttribute::Archive;
    if (IsReadOnly(st)) attributes |= FileAttribute::ReadOnly;
    if (link) attributes |= FileAttribute::ReparsePoint;
    return true;
}

bool PosixFiles::SetAttributes(const std::wstring& path, uint32_t attributes) {
    const std::string name = NativePath(path);
    struct stat st {};
    if (stat(name.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & FileAttribute::ReadOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    return chmod(name.c_str(), mode) == 0;
}

CreateFolderResult PosixFiles::CreateFolder(const std::wstring& path) {
    if (mkdir(NativePath(path).c_str(), 0755) == 0) return CreateFolderResult::Created;
    return errno == EEXIST ? CreateFolderResult::AlreadyExists : CreateFolderResult::Failed;
}

bool PosixFiles::Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) {
    std::string bytes;
    if (!ReadAll(from, bytes)) return false;
    const std::string target = NativePath(to);
    struct stat existing {};
    if (stat(target.c_str(), &existing) == 0 && (failIfExists || IsReadOnly(existing) ||
                                                 S_ISDIR(existing.st_mode))) {
        return false;
    }
    struct stat source {};
    stat(NativePath(from).c_str(), &source);
    Descriptor fd(open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0 || !WriteFully(fd.get(), bytes.data(), bytes.size())) return false;
    fchmod(fd.get(), source.st_mode & 07777);  // the copy keeps the read-only attribute
    return true;
}

bool PosixFiles::CopyToNewFile(const std::wstring& from, const std::wstring& to, const std::wstring& within) {
    std::string bytes;
    if (!ReadAll(from, bytes)) return false;
    const std::string target = Absolute(NativePath(to));
    std::string folder = within.empty() ? target.substr(0, target.rfind('/')) : Absolute(NativePath(within));
    if (folder.empty()) folder = "/";
    if (folder != "/" && target.compare(0, folder.size() + 1, folder + "/") != 0) return false;
    // Creating exclusively never follows a link at the name itself.
    Descriptor fd(open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0) return false;
    const std::string opened = OpenedPath(fd.get());
    if (opened.empty() || opened != ResolvedBelow(folder, target)) {
        if (!opened.empty()) unlink(opened.c_str());
        return false;
    }
    struct stat source {};
    if (stat(NativePath(from).c_str(), &source) != 0 || !WriteFully(fd.get(), bytes.data(), bytes.size())) {
        unlink(opened.c_str());
        return false;
    }
    // The copy keeps the read-only attribute and the last-write time.
    fchmod(fd.get(), source.st_mode & 07777);
    const struct timespec times[2] = {{0, UTIME_OMIT}, source.st_mtim};
    futimens(fd.get(), times);
    return true;
}

bool PosixFiles::Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) {
    const std::string source = NativePath(from);
    const std::string target = NativePath(to);
    struct stat st {};
    if (stat(source.c_str(), &st) != 0) return false;
    struct stat existing {};
    if (stat(target.c_str(), &existing) == 0) {
        if (!replaceExisting || IsReadOnly(existing) || S_ISDIR(existing.st_mode)) return false;
    }
    return rename(source.c_str(), target.c_str()) == 0;
}

bool PosixFiles::GetFacts(const std::wstring& path, FileFacts& facts) {
    if (!GetAttributes(path, facts.attributes)) return false;
    struct stat st {};
    if (lstat(NativePath(path).c_str(), &st) != 0) return false;
    facts.size = static_cast<uint64_t>(st.st_size);
    facts.lastWrite = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                      static_cast<uint64_t>(st.st_mtim.tv_nsec);
    return true;
}

SwapResult PosixFiles::Swap(const std::wstring& target, const std::wstring& staged,
                            const std::wstring& backup) {
    // A second name for the old file, then the staged one renamed over the first: the old
    // bytes stay where they are and are only reached by the backup's name afterwards.
    const std::string old = NativePath(target);
    const std::string kept = NativePath(backup);
    struct stat st {};
    if (lstat(old.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || IsReadOnly(st)) {
        return SwapResult::Refused;
    }
    if (link(old.c_str(), kept.c_str()) != 0) return SwapResult::Refused;
    if (rename(NativePath(staged).c_str(), old.c_str()) != 0) {
        unlink(kept.c_str());
        return SwapResult::Refused;
    }
    return SwapResult::Swapped;
}

bool PosixFiles::Remove(const std::wstring& path) {
    const std::string name = NativePath(path);
    struct stat st {};
    // A link goes itself, whatever it leads to.
    if (lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return unlink(name.c_str()) == 0;
    if (stat(name.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || IsReadOnly(st)) return false;
    return unlink(name.c_str()) == 0;
}

bool PosixFiles::CanOpenExclusively(const std::wstring& path) {
    // Linux has no sharing modes: a file that can be opened for writing counts as free.
    const std::string name = NativePath(path);
    if (IsReadOnlyFile(name)) return false;
    Descriptor fd(open(name.c_str(), O_WRONLY | O_CLOEXEC));
    return fd.get() >= 0;
}

bool PosixFiles::ReadAll(const std::wstring& path, std::string& bytes) {
    Descriptor fd(open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    // Read straight into a buffer of the file's size; one spare byte finds the end without
    // growing it, and a file that grows meanwhile is read to its new end.
    std::string content(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t filled = 0;
    for (;;) {
        if (filled == content.size()) content.resize(content.size() * 2);
        const ssize_t n = read(fd.get(), content.data() + filled, content.size() - filled);
        if (n < 0) return false;
        if (n == 0) break;
        filled += static_cast<size_t>(n);
    }
    content.resize(filled);
    bytes.swap(content);
    return true;
}

bool PosixFiles::WriteAll(const std::wstring& path, const std::string& bytes) {
    const std::string name = NativePath(path);
    if (IsReadOnlyFile(name)) return false;
    Descriptor fd(open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    return fd.get() >= 0 && WriteFully(fd.get(), bytes.data(), bytes.size());
}

std::vector<FoundEntry> PosixFiles::FindEntries(const std::wstring& folder,
                                                const std::wstring& pattern) {
    std::vector<FoundEntry> entries;
    std::string dirName = NativePath(folder);
    if (dirName.empty()) dirName = ".";
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(dirName.c_str()), &closedir);
    if (!dir) return entries;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string raw = entry->d_name;
        if (raw == "." || raw == "..") continue;
        std::wstring name = tav::FromUtf8(raw);
        if (!MatchesFilePattern(name, pattern)) continue;
        // Links count as what they point to.
        struct stat st {};
        const bool isFolder = fstatat(dirfd(dir.get()), entry->d_name, &st, 0) == 0 &&
                              S_ISDIR(st.st_mode);
        entries.push_back(FoundEntry{std::move(name), isFolder});
    }
    return entries;
}

bool PosixFiles::ReadAccessList(const std::wstring&, AccessList&) { return false; }

bool PosixFiles::WriteAccessList(const std::wstring&, const AccessList&) { return false; }

bool PosixFiles::FreeSpace(const std::wstring& path, uint64_t& bytes) {
    // A path that does not exist yet lies on the volume of its nearest existing folder.
    std::string name = NativePath(path);
    struct statvfs fs {};
    while (statvfs(name.c_str(), &fs) != 0) {
        if (errno != ENOENT || name == ".") return false;
        const size_t slash = name.find_last_of('/', name.size() >= 2 ? name.size() - 2 : 0);
        if (slash == std::string::npos) {
            name = ".";
        } else {
            name.resize(slash == 0 ? 1 : slash);
        }
    }
    bytes = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
    return true;
}

bool PosixFiles::CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = (folder && *folder) ? folder : "/tmp";
    if (pattern.back() != '/') pattern += '/';
    pattern += tav::ToUtf8(prefix) + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const Descriptor fd(mkstemp(name.data()));
    if (fd.get() < 0) return false;
    path = tav::FromUtf8(name.data());
    return true;
}

}  // namespace sys::posix
