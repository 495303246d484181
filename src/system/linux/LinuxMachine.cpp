// The machine of the Linux build: a real clock and program path; no registry, no Windows
// processes, no version resources and no services, each of which answers as unavailable.
#include "system/Machine.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "base/WideText.h"

namespace sys {
namespace {

class NoRegistry final : public IRegistry {
public:
    std::unique_ptr<IRegistryKey> OpenKey(RegistryRoot, const std::wstring&, RegistryView,
                                          RegistryAccess) override {
        return nullptr;
    }
    std::unique_ptr<IRegistryKey> CreateKey(RegistryRoot, const std::wstring&,
                                            RegistryView) override {
        return nullptr;
    }
};

class NoProcesses final : public IProcesses {
public:
    bool Walk(const std::function<bool(uint32_t, const std::wstring&)>&) override { return false; }
    bool SetDebugPrivilege(bool) override { return false; }
    bool Terminate(uint32_t) override { return false; }
};

class NoServices final : public IServices {
public:
    std::unique_ptr<IServiceManager> Connect() override { return nullptr; }
};

class NoVersionResources final : public IVersionResources {
public:
    bool ReadFixedInfo(const std::wstring&, FixedVersionInfo&) override { return false; }
};

class SteadyClock final : public IClock {
public:
    uint64_t TickMs() override {
        using namespace std::chrono;
        return static_cast<uint64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    LocalTime Now() override {
        using namespace std::chrono;
        const auto now = system_clock::now();
        const std::time_t seconds = system_clock::to_time_t(now);
        std::tm parts{};
        localtime_r(&seconds, &parts);
        LocalTime t;
        t.year = parts.tm_year + 1900;
        t.month = parts.tm_mon + 1;
        t.day = parts.tm_mday;
        t.hour = parts.tm_hour;
        t.minute = parts.tm_min;
        t.second = parts.tm_sec;
        t.millisecond =
            static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
        t.dayOfWeek = parts.tm_wday;
        return t;
    }
    int64_t UnixSeconds() override { return static_cast<int64_t>(std::time(nullptr)); }
    void SleepMs(uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

class LinuxProgram final : public IProgram {
public:
    std::wstring ExecutablePath() override {
        char buffer[4096];
        const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n <= 0) return {};
        return tav::FromUtf8(std::string_view(buffer, static_cast<size_t>(n)));
    }
};

class PosixAppendFile final : public IAppendFile {
public:
    explicit PosixAppendFile(int fd) : fd_(fd) {}
    ~PosixAppendFile() override { close(fd_); }
    PosixAppendFile(const PosixAppendFile&) = delete;
    PosixAppendFile& operator=(const PosixAppendFile&) = delete;

    bool Write(const void* data, size_t bytes) override {
        const char* p = static_cast<const char*>(data);
        while (bytes > 0) {
            const ssize_t n = write(fd_, p, bytes);
            if (n <= 0) return false;
            p += n;
            bytes -= static_cast<size_t>(n);
        }
        return true;
    }

    uint64_t Length() override {
        struct stat st {};
        return fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }

private:
    int fd_;
};

// Files of the Linux build, named with forward or backward slashes.
class PosixFiles final : public IFiles {
public:
    std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path) override {
        std::string name = tav::ToUtf8(path);
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return nullptr;
        return std::make_unique<PosixAppendFile>(fd);
    }

    std::vector<std::wstring> FindFiles(const std::wstring& folder,
                                        const std::wstring& pattern) override {
        std::vector<std::wstring> names;
        std::string dirName = tav::ToUtf8(folder);
        for (char& c : dirName) {
            if (c == '\\') c = '/';
        }
        if (dirName.empty()) dirName = ".";
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(dirName.c_str()), &closedir);
        if (!dir) return names;
        while (const dirent* entry = readdir(dir.get())) {
            const std::wstring name = tav::FromUtf8(entry->d_name);
            if (!MatchesFilePattern(name, pattern)) continue;
            // Anything but a folder counts as a file; links count as what they point to.
            struct stat st {};
            if (fstatat(dirfd(dir.get()), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) {
                continue;
            }
            names.push_back(name);
        }
        return names;
    }
};

}  // namespace

Machine& HostMachine() {
    static NoRegistry registry;
    static NoProcesses processes;
    static NoVersionResources versions;
    static SteadyClock clock;
    static LinuxProgram program;
    static PosixFiles files;
    static NoServices services;
    static Machine machine = [] {
        Machine m;
        m.registry = &registry;
        m.processes = &processes;
        m.versions = &versions;
        m.clock = &clock;
        m.program = &program;
        m.files = &files;
        m.services = &services;
        return m;
    }();
    return machine;
}

}  // namespace sys
