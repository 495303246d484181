// The module updater's file search, wildcard expansion and access-list change on the real file
// system.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "updater/TupModuleUpdaterTestWorld.h"

namespace {

namespace fs = std::filesystem;
using updater_tests::MakeFile;
using updater_tests::Seen;
using Strings = std::vector<std::wstring>;

class ProgramIn final : public sys::IProgram {
public:
    explicit ProgramIn(std::wstring path) : path_(std::move(path)) {}
    std::wstring ExecutablePath() override { return path_; }

private:
    std::wstring path_;
};

// A wizard folder of its own below the temporary folder, with a package folder; the machine
// is the real one with the wizard's program file placed there.
class TupModuleUpdaterWin : public ::testing::Test {
protected:
    TupModuleUpdaterWin() {
        std::random_device random;
        root_ = fs::temp_directory_path() / ("TavUpdaterWin" + std::to_string(random()));
        fs::create_directories(root_ / "package");
        wizard_ = root_.wstring() + L"\\";
        program_ = std::make_unique<ProgramIn>(wizard_ + L"TavUpdateWizard.exe");
        machine_ = sys::HostMachine();
        machine_.program = program_.get();
        previous_ = sys::ReplaceCurrentMachine(&machine_);
        uint32_t enforce = 0;
        manager_ = std::make_unique<CTupManager>(&texts_, &language_, enforce);
        manager_->SetOwner(&owner_);
        updater.Attach(manager_.get(), &texts_, &language_);
    }
    ~TupModuleUpdaterWin() override {
        manager_.reset();
        sys::ReplaceCurrentMachine(previous_);
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void AddPackageFile(const std::wstring& relative) {
        const fs::path path = fs::path(Package() + relative);
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }
    std::wstring Package() const { return manager_->PackageFolder(); }

    static Strings Sorted(Strings list) {
        std::sort(list.begin(), list.end());
        return list;
    }

    updater_tests::OpenUpdater updater;
    updater_tests::RecordingOwner owner_;

private:
    fs::path root_;
    std::wstring wizard_;
    std::unique_ptr<ProgramIn> program_;
    sys::Machine machine_;
    sys::Machine* previous_ = nullptr;
    updater_tests::IdTexts texts_;
    std::wstring language_ = L"EN";
    std::unique_ptr<CTupManager> manager_;
};

TEST_F(TupModuleUpdaterWin, FindsAndExpandsPatternsInARealFolderTree) {
    ASSERT_EQ(L"\\package\\", Package().substr(Package().size() - 9));
    AddPackageFile(L"bin\\a.dll");
    AddPackageFile(L"bin\\Beta.DLL");
    AddPackageFile(L"bin\\notes.txt");
    AddPackageFile(L"bin\\plugins.dll\\p.dll");
    AddPackageFile(L"bin\\sub\\hidden.dll");

    // The listing order is the file system's own.
    Strings found;
    updater.FindFiles(Package() + L"bin\\*.dll", found);
    EXPECT_EQ((Strings{Package() + L"bin\\Beta.DLL", Package() + L"bin\\a.dll",
                       Package() + L"bin\\plugins.dll\\p.dll"}),
              Sorted(found));

    updater.Files() = {MakeFile(L"bin\\a.dll", L"C:\\Tav\\bin\\old.dll"),
                       MakeFile(L"bin\\*.dll", L"C:\\Tav\\bin\\x.dll")};
    EXPECT_EQ(3, updater.ExpandFilePatterns());
    Strings pairs;
    for (const auto& file : updater.Files()) {
        pairs.push_back(file.UpdatePackageFile() + L" > " + file.InstallationFile());
    }
    EXPECT_EQ((Strings{L"bin\\Beta.DLL > C:\\Tav\\bin\\Beta.DLL", L"bin\\a.dll > C:\\Tav\\bin\\old.dll",
                       L"bin\\plugins.dll\\p.dll > C:\\Tav\\bin\\plugins.dll\\p.dll"}),
              Sorted(pairs));
    // The entry that was there stays last.
    EXPECT_EQ(L"C:\\Tav\\bin\\old.dll", updater.Files().back().InstallationFile());
    const auto& reports = owner_.reports;
    EXPECT_EQ(1, std::count(reports.begin(), reports.end(), Seen{tav::kTextFileEntryAlreadyPresent, L""}));
    EXPECT_EQ(2, std::count(reports.begin(), reports.end(), Seen{tav::kTextFileEntryAdded, L""}));
}

TEST_F(TupModuleUpdaterWin, GrantingEveryoneFullAccessToARealFolderSucceeds) {
    const std::wstring folder = Package() + L"spool";
    ASSERT_TRUE(updater.CreateFolderForPath(folder));
    ASSERT_TRUE(updater.FolderExists(folder));
    // Wine accepts the new access list without changing it, so only the calls are checked.
    EXPECT_TRUE(updater.GrantEveryoneFullAccess(folder));
    EXPECT_FALSE(updater.GrantEveryoneFullAccess(Package() + L"missing"));
    EXPECT_EQ((std::vector<Seen>{{tav::kTextCreatingFolder, folder},
                                 {tav::kTextFolderCreated, L""},
                                 {tav::kTextGrantingFullAccess, folder},
                                 {tav::kTextFullAccessGranted, L""},
                                 {tav::kTextGrantingFullAccess, Package() + L"missing"},
                                 {tav::kTextFullAccessNotGranted, L""}}),
              owner_.reports);
}

}  // namespace
