// Full access for everyone on a real folder. Wine keeps no access lists of files: it turns a
// new list into Unix permission bits and makes up the list it shows from them. So the list the
// updater built is taken from the file interface on its way out, and the folder's list is
// checked only for the rights it grants.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "updater/TupModuleUpdaterTestWorld.h"
#include "win/WinScratchFolder.h"

namespace {

using updater_tests::Seen;

// The real file system; the access lists written through it are kept.
class RecordingFiles final : public sys::IFiles {
public:
    explicit RecordingFiles(sys::IFiles& real) : real_(real) {}

    bool GetAttributes(const std::wstring& path, uint32_t& attributes) override {
        return real_.GetAttributes(path, attributes);
    }
    bool SetAttributes(const std::wstring& path, uint32_t attributes) override {
        return real_.SetAttributes(path, attributes);
    }
    sys::CreateFolderResult CreateFolder(const std::wstring& path) override {
        return real_.CreateFolder(path);
    }
    bool Copy(const std::wstring& from, const std::wstring& to, bool failIfExists) override {
        return real_.Copy(from, to, failIfExists);
    }
    bool CopyToNewFile(const std::wstring& from, const std::wstring& to,
                       const std::wstring& within) override {
        return real_.CopyToNewFile(from, to, within);
    }
    bool Move(const std::wstring& from, const std::wstring& to, bool replaceExisting) override {
        return real_.Move(from, to, replaceExisting);
    }
    bool Remove(const std::wstring& path) override { return real_.Remove(path); }
    bool GetFacts(const std::wstring& path, sys::FileFacts& facts) override {
        return real_.GetFacts(path, facts);
    }
    sys::SwapResult Swap(const std::wstring& target, const std::wstring& staged,
                         const std::wstring& backup) override {
        return real_.Swap(target, staged, backup);
    }
    bool CanOpenExclusively(const std::wstring& path) override {
        return real_.CanOpenExclusively(path);
    }
    bool ReadAll(const std::wstring& path, std::string& bytes) override {
        return real_.ReadAll(path, bytes);
    }
    bool WriteAll(const std::wstring& path, const std::string& bytes) override {
        return real_.WriteAll(path, bytes);
    }
    std::vector<sys::FoundEntry> FindEntries(const std::wstring& folder,
                                             const std::wstring& pattern) override {
        return real_.FindEntries(folder, pattern);
    }
    bool ReadAccessList(const std::wstring& path, sys::AccessList& list) override {
        return real_.ReadAccessList(path, list);
    }
    bool WriteAccessList(const std::wstring& path, const sys::AccessList& list) override {
        written.push_back(list);
        return real_.WriteAccessList(path, list);
    }
    bool FreeSpace(const std::wstring& path, uint64_t& bytes) override {
        return real_.FreeSpace(path, bytes);
    }
    std::unique_ptr<sys::IAppendFile> OpenForAppend(const std::wstring& path) override {
        return real_.OpenForAppend(path);
    }
    bool CreateTemporaryFile(const std::wstring& prefix, std::wstring& path) override {
        return real_.CreateTemporaryFile(prefix, path);
    }

    std::vector<sys::AccessList> written;

private:
    sys::IFiles& real_;
};

// The host machine with the recording file system, current while the object lives.
class RecordingMachine {
public:
    RecordingMachine() : machine_(sys::HostMachine()), files(*machine_.files) {
        machine_.files = &files;
        previous_ = sys::ReplaceCurrentMachine(&machine_);
    }
    ~RecordingMachine() { sys::ReplaceCurrentMachine(previous_); }
    RecordingMachine(const RecordingMachine&) = delete;
    RecordingMachine& operator=(const RecordingMachine&) = delete;

private:
    sys::Machine machine_;  // before files, which is made from its file system

public:
    RecordingFiles files;

private:
    sys::Machine* previous_ = nullptr;
};

// An updater attached to a manager that only carries its reports.
class TupAccessWin : public ::testing::Test {
protected:
    void SetUp() override {
        uint32_t enforce = 0;
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        manager->SetOwner(&owner);
        updater.Attach(manager.get(), &texts, &language);
    }

    std::vector<Seen> TakeReports() {
        std::lock_guard<std::mutex> lock(owner.mutex);
        std::vector<Seen> reports;
        reports.swap(owner.reports);
        return reports;
    }

    updater_tests::IdTexts texts;
    std::wstring language = L"EN";
    updater_tests::RecordingOwner owner;
    std::unique_ptr<CTupManager> manager;
    updater_tests::OpenUpdater updater;
};

// The entries for failure messages.
std::string Describe(const sys::AccessList& list) {
    std::ostringstream text;
    for (const sys::AccessEntry& entry : list) {
        text << (entry.type == sys::AccessEntry::kAllowed ? "allow " : "deny ")
             << tav::ToUtf8(entry.sid) << " flags " << int(entry.flags) << " mask 0x" << std::hex
             << entry.mask << std::dec << "; ";
    }
    return text.str();
}

// Writing, appending, attributes and deleting.
constexpr uint32_t kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                  FILE_WRITE_ATTRIBUTES | DELETE;

// Whether the allowed entries of sid that apply to the object itself grant all of rights.
bool Covers(const sys::AccessList& list, const std::wstring& sid, uint32_t rights) {
    uint32_t granted = 0;
    for (const sys::AccessEntry& entry : list) {
        if (entry.type != sys::AccessEntry::kAllowed || entry.sid != sid) continue;
        if (entry.flags & INHERIT_ONLY_ACE) continue;
        granted |= entry.mask & GENERIC_ALL ? FILE_ALL_ACCESS : entry.mask;
    }
    return (granted & rights) == rights;
}

sys::AccessEntry Everyone() {
    sys::AccessEntry entry;
    entry.type = sys::AccessEntry::kAllowed;
    entry.flags = sys::AccessEntry::kObjectInherit | sys::AccessEntry::kContainerInherit;
    entry.mask = sys::AccessEntry::kModify;
    entry.sid = L"S-1-1-0";
    return entry;
}

TEST_F(TupAccessWin, GrantingKeepsTheOldEntriesAndAddsEveryone) {
    wintest::WinScratchFolder folder;
    ASSERT_TRUE(folder.Made());
    const std::wstring path = folder.PathOf(L"shared");
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    RecordingMachine machine;
    sys::AccessList before;
    ASSERT_TRUE(machine.files.ReadAccessList(path, before));
    // Everyone may not write there yet.
    ASSERT_FALSE(Covers(before, L"S-1-1-0", kWriteRights)) << Describe(before);

    EXPECT_TRUE(updater.GrantEveryoneFullAccess(path));

    sys::AccessList expected = before;
    expected.push_back(Everyone());
    ASSERT_EQ(1u, machine.files.written.size());
    EXPECT_EQ(Describe(expected), Describe(machine.files.written[0]));
    EXPECT_EQ((std::vector<Seen>{{tav::kTextGrantingFullAccess, path},
                                 {tav::kTextFullAccessGranted, L""}}),
              TakeReports());

    // What the folder's list shows afterwards. Wine keeps no list of its own but derives it
    // from the Unix permission bits: everyone's entry grows from reading to reading and
    // writing, and the other entries stay as they were. Windows shows the old entries and the
    // new one.
    sys::AccessList after;
    ASSERT_TRUE(machine.files.ReadAccessList(path, after));
    EXPECT_TRUE(Covers(after, L"S-1-1-0", kWriteRights)) << Describe(after);
    for (const sys::AccessEntry& entry : before) {
        EXPECT_TRUE(Covers(after, entry.sid, entry.mask))
            << Describe(before) << "\nbecame " << Describe(after);
    }
}

// The world's entries that apply to the folder itself.
std::vector<sys::AccessEntry> WorldEntries(const sys::AccessList& list) {
    std::vector<sys::AccessEntry> world;
    for (const sys::AccessEntry& entry : list) {
        if (entry.sid == L"S-1-1-0" && !(entry.flags & INHERIT_ONLY_ACE)) world.push_back(entry);
    }
    return world;
}

TEST_F(TupAccessWin, TheWorldMayNotChangeTheListOrOwnerAndASecondGrantAddsNoEntry) {
    wintest::WinScratchFolder folder;
    ASSERT_TRUE(folder.Made());
    const std::wstring path = folder.PathOf(L"data");
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    RecordingMachine machine;

    EXPECT_TRUE(updater.GrantEveryoneFullAccess(path));
    EXPECT_TRUE(updater.GrantEveryoneFullAccess(path));

    ASSERT_FALSE(machine.files.written.empty());
    const sys::AccessEntry& granted = machine.files.written[0].back();
    EXPECT_EQ(0u, granted.mask & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL)) << Describe({granted});
    sys::AccessList after;
    ASSERT_TRUE(machine.files.ReadAccessList(path, after));
    const std::vector<sys::AccessEntry> world = WorldEntries(after);
    ASSERT_EQ(1u, world.size()) << Describe(after);
    EXPECT_EQ(0u, world[0].mask & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL)) << Describe(after);
    EXPECT_TRUE(Covers(after, L"S-1-1-0", kWriteRights)) << Describe(after);
}

TEST_F(TupAccessWin, RootsAndTheWindowsFoldersAreRefusedAndLeftAlone) {
    wchar_t windows[MAX_PATH + 1] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH + 1), 0u);
    wchar_t system[MAX_PATH + 1] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH + 1), 0u);
    const std::wstring drive = std::wstring(windows).substr(0, 3);
    RecordingMachine machine;
    for (const std::wstring& path : {drive, std::wstring(windows) + L"\\", std::wstring(system)}) {
        sys::AccessList before;
        ASSERT_TRUE(machine.files.ReadAccessList(path, before)) << tav::ToUtf8(path);

        EXPECT_FALSE(updater.GrantEveryoneFullAccess(path)) << tav::ToUtf8(path);

        sys::AccessList after;
        ASSERT_TRUE(machine.files.ReadAccessList(path, after));
        EXPECT_EQ(Describe(before), Describe(after)) << tav::ToUtf8(path);
        EXPECT_EQ((std::vector<Seen>{{tav::kTextGrantingFullAccess, path},
                                     {tav::kTextFullAccessNotGranted, L""}}),
                  TakeReports());
    }
    EXPECT_TRUE(machine.files.written.empty());
}

TEST_F(TupAccessWin, MissingPathIsReportedAndNothingIsWritten) {
    wintest::WinScratchFolder folder;
    ASSERT_TRUE(folder.Made());
    const std::wstring path = folder.PathOf(L"missing");
    RecordingMachine machine;

    EXPECT_FALSE(updater.GrantEveryoneFullAccess(path));
    EXPECT_TRUE(machine.files.written.empty());
    EXPECT_EQ((std::vector<Seen>{{tav::kTextGrantingFullAccess, path},
                                 {tav::kTextFullAccessNotGranted, L""}}),
              TakeReports());
}

}  // namespace
