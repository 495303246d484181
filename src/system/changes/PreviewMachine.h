// A machine that reads the one below and keeps every change to itself: registry values, files
// and folders, services, programs, processes, shortcuts, print processors and certificate calls
// are noted instead of made, and what is read back afterwards sees them, so an update run on it
// takes the path it would take for real while the machine below stays as it is.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "system/Machine.h"
#include "system/changes/ChangeNotes.h"

namespace sys {

// One change kept back, in words: what ("copy", "stop service", ...), on what, and the rest.
struct PreviewChange {
    std::wstring what;
    std::wstring subject;
    std::wstring detail;
};

class CPreviewMachine {
public:
    // below must outlive this machine; nothing is ever changed through it.
    explicit CPreviewMachine(Machine& below);
    ~CPreviewMachine();
    CPreviewMachine(const CPreviewMachine&) = delete;
    CPreviewMachine& operator=(const CPreviewMachine&) = delete;

    Machine& Get() { return machine_; }

    std::vector<StartedProgram> Programs() const { return notes_.Programs(); }
    std::vector<WrittenValue> Values() const { return notes_.Values(); }
    // Every change kept back, in order, registry values and programs included.
    std::vector<PreviewChange> Changes() const;

    // Whether the file at path would end up different from what the machine below holds
    // (made, removed, or other bytes).
    bool WouldChangeFile(const std::wstring& path);

    // Called by the parts.
    void Note(StartedProgram program);
    void Note(WrittenValue value);
    void NoteChange(PreviewChange change);

private:
    class Files;
    class Registry;
    class Services;
    class Launcher;
    class Processes;
    class Versions;
    class Shell;
    class Spooler;
    class Certificates;

    Machine machine_;
    std::unique_ptr<Files> files_;
    std::unique_ptr<Registry> registry_;
    std::unique_ptr<Services> services_;
    std::unique_ptr<Launcher> launcher_;
    std::unique_ptr<Processes> processes_;
    std::unique_ptr<Versions> versions_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<Spooler> spooler_;
    std::unique_ptr<Certificates> certificates_;
    CChangeNotes notes_;
    mutable std::mutex lock_;  // the worker notes while another thread may read
    std::vector<PreviewChange> changes_;
};

// Files as the machine below holds them with the kept-back changes laid over them.
class CPreviewMachine::Files final : public IFiles {
public:
    // Temporary files are named in the folder the environment's TEMP or TMP names.
    Files(CPreviewMachine& owner, IFiles& below, IEnvironment& environment)
        : owner_(owner), below_(below), environment_(environment) {}

    bool GetAttributes(const std::wstring& path, uint32_t& attributes) override;
    bool SetAttributes(const std::wstring& path, uint32_t attributes) override;
    bool GetFacts(const std::wstring& path, FileFacts& facts) override;
    CreateFolderResult CreateFolder(const std::wstring& path) override;
    bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override;
    bool CopyToNewFile(const std::wstring& from, const std::wstring& to,
                       const std::wstring& within) override;
    bool Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) override;
    SwapResult Swap(const std::wstring& target, const std::wstring& staged,
                    const std::wstring& backup) override;
    bool Remove(const std::wstring& path) override;
    bool CanOpenExclusively(const std::wstring& path) override;
    bool ReadAll(const std::wstring& path, std::string& bytes) override;
    bool WriteAll(const std::wstring& path, const std::string& bytes) override;
    std::vector<FoundEntry> FindEntries(const std::wstring& folder,
                                        const std::wstring& pattern) override;
    bool ReadAccessList(const std::wstring& path, AccessList& list) override;
    bool WriteAccessList(const std::wstring& path, const AccessList& list) override;
    bool FreeSpace(const std::wstring& path, uint64_t& bytes) override;
    bool CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) override;
    std::unique_ptr<IAppendFile> OpenForAppend(const std::wstring& path) override;

    // The file below whose bytes path holds now (empty: none, or bytes of its own).
    bool BytesFrom(const std::wstring& path, std::wstring& source);
    bool WouldChange(const std::wstring& path);

private:
    class AppendFile;
    enum class Kind { Gone, File, Folder };
    struct Entry {
        std::wstring path;  // as spelled when first changed
        Kind kind = Kind::Gone;
        std::wstring source;  // a file below holding its bytes; empty: bytes below
        bool ownBytes = false;
        std::string bytes;
        uint32_t attributes = 0;
        bool hasAccess = false;
        AccessList access;
    };

    static std::wstring Key(const std::wstring& path);
    // The entry as it stands now: laid over, or as below (Gone when missing there).
    Entry Look(const std::wstring& path);
    bool ParentIsFolder(const std::wstring& path);
    bool Read(const Entry& entry, std::string& bytes);
    void Put(Entry entry);
    std::vector<std::wstring> Descendants(const std::wstring& folder);

    CPreviewMachine& owner_;
    IFiles& below_;
    IEnvironment& environment_;
    std::recursive_mutex mutex_;
    std::map<std::wstring, Entry> entries_;  // by key
    int temporaryFiles_ = 0;
};

// Keys and values as the registry below holds them with the kept-back writes laid over them.
class CPreviewMachine::Registry final : public IRegistry {
public:
    Registry(CPreviewMachine& owner, IRegistry& below) : owner_(owner), below_(below) {}

    std::unique_ptr<IRegistryKey> OpenKey(RegistryRoot root, const std::wstring& path,
                                          RegistryView view, RegistryAccess access) override;
    std::unique_ptr<IRegistryKey> CreateKey(RegistryRoot root, const std::wstring& path,
                                            RegistryView view) override;

private:
    class Key;
    struct Laid {
        bool created = false;  // by this preview
        std::wstring spelled;  // its path as first made
        std::vector<RegistryValue> values;  // written, in order
    };
    using Where = std::tuple<RegistryRoot, RegistryView, std::wstring>;

    static Where WhereOf(RegistryRoot root, RegistryView view, const std::wstring& path);
    std::unique_ptr<IRegistryKey> Open(RegistryRoot root, const std::wstring& path,
                                       RegistryView view, bool create);

    CPreviewMachine& owner_;
    IRegistry& below_;
    std::mutex mutex_;
    std::map<Where, Laid> keys_;
};

// Services as the service manager below reports them, with kept-back stops, starts and start
// types laid over them.
class CPreviewMachine::Services final : public IServices {
public:
    Services(CPreviewMachine& owner, IServices& below) : owner_(owner), below_(below) {}
    std::unique_ptr<IServiceManager> Connect() override;

private:
    class Manager;
    class Service;
    struct Laid {
        bool hasState = false;
        uint32_t state = 0;
        bool hasStartType = false;
        uint32_t startType = 0;
    };

    CPreviewMachine& owner_;
    IServices& below_;
    std::mutex mutex_;
    std::map<std::wstring, Laid> laid_;  // by folded name
};

}  // namespace sys
