// The base checks, backup and file phase of a module updater on real folders: files backed up
// and replaced byte for byte, a read-only installed file, a file in use that makes way as
// ".old", and a customized signed web page kept in the to-do folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "app/lang/StringBase.h"
#include "restore/RunRestorer.h"
#include "signature/SignatureFactory.h"
#include "system/Machine.h"
#include "updater/TupModuleUpdaterTestWorld.h"
#include "win/WinScratchFolder.h"
#include "win/WinTestSupport.h"
#include "win/WinUpdaterSupport.h"

namespace {

using updater_tests::MakeFile;
using updater_tests::Seen;
using Reports = std::vector<Seen>;
using Tree = std::map<std::wstring, std::string>;
using wintest::StagedMachine;

// The file phase alone, without the registration phase that follows it in ApplyUpdate.
class FileUpdater : public CTupModuleUpdater {
public:
    using CTupModuleUpdater::ReplaceFiles;
};

// A library loaded from a file, freed when it goes; while it is loaded the file can be
// renamed but not deleted or replaced.
class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {}
    ~LoadedLibrary() {
        if (module_) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    bool Loaded() const { return module_ != nullptr; }

private:
    HMODULE module_;
};

// Bytes that differ from file to file and are long enough to take several copy rounds.
std::string Content(const std::wstring& name, size_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 2166136261u;
    for (wchar_t c : name) state = (state ^ static_cast<uint32_t>(c)) * 16777619u;
    for (char& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<char>(state >> 24);
    }
    return bytes;
}

// Every file below folder by its relative path, with its content.
void ReadTree(const std::wstring& folder, const std::wstring& relative, Tree& tree) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\" + relative + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ReadTree(folder, relative + name + L"\\", tree);
        } else {
            std::string bytes;
            wintest::ReadWholeFile(folder + L"\\" + relative + name, bytes);
            tree[relative + name] = bytes;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

Tree ReadTree(const std::wstring& folder) {
    Tree tree;
    ReadTree(folder, L"", tree);
    return tree;
}

std::string ReadFile(const std::wstring& path) {
    std::string bytes;
    return wintest::ReadWholeFile(path, bytes) ? bytes : std::string("(missing)");
}

// An install folder and a wizard folder of the test's own, and an updater whose manager takes
// its folders from there.
class TupFileUpdateWin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(install.Made() && wizard.Made());
        package = wizard.PathOf(L"package\\");
        ASSERT_TRUE(CreateDirectoryW(wizard.PathOf(L"package").c_str(), nullptr));
        machine = std::make_unique<StagedMachine>(wizard.PathOf(L"TavUpdateWizard.exe"),
                                                  install.PathOf(L"Qelsrv.exe"));
        uint32_t enforce = 0;
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        manager->SetOwner(&owner);
        ASSERT_EQ(package, manager->PackageFolder());
        ASSERT_TRUE(tav::FoldEquals(install.Path() + L"\\", manager->InstallFolder()));
        updater.Attach(manager.get(), &texts, &language);
    }

    void TearDown() override {
        manager.reset();
        machine.reset();
    }

    // Writes a file below a root, making its folders.
    static void Put(const std::wstring& root, const std::wstring& relative, const std::string& bytes) {
        for (size_t slash = relative.find(L'\\'); slash != std::wstring::npos;
             slash = relative.find(L'\\', slash + 1)) {
            CreateDirectoryW((root + relative.substr(0, slash)).c_str(), nullptr);
        }
        ASSERT_TRUE(wintest::WriteWholeFile(root + relative, bytes)) << tav::ToUtf8(root + relative);
    }
    std::wstring Installed(const std::wstring& relative) const { return install.PathOf(relative); }
    CTupModuleFile& Add(const std::wstring& name, const std::wstring& installedRelative) {
        updater.Files().push_back(MakeFile(name, Installed(installedRelative)));
        return updater.Files().back();
    }

    wintest::WinScratchFolder install;
    wintest::WinScratchFolder wizard;
    std::wstring package;
    std::unique_ptr<StagedMachine> machine;
    updater_tests::IdTexts texts;
    std::wstring language = L"EN";
    updater_tests::RecordingOwner owner;
    std::unique_ptr<CTupManager> manager;
    FileUpdater updater;
};

TEST_F(TupFileUpdateWin, FilesAreBackedUpAndReplacedByteForByteOnARealTree) {
    const std::wstring installRoot = install.Path() + L"\\";
    // Installed: three files in subfolders, a read-only one, and a program with a version.
    Put(installRoot, L"bin\\core.dll", Content(L"old core", 300000));
    Put(installRoot, L"web\\js\\app.js", Content(L"old app", 5000));
    Put(installRoot, L"web\\index.htm", Content(L"old index", 70000));
    Put(installRoot, L"bin\\locked.dat", Content(L"old ro", 100));
    ASSERT_TRUE(SetFileAttributesW(Installed(L"bin\\locked.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CopyFileW(wintest::ProbeExe().c_str(), Installed(L"bin\\probe.exe").c_str(), TRUE));
    // Packaged: the new versions, and a file for a folder that does not exist yet.
    Put(package, L"bin\\core.dll", Content(L"new core", 310000));
    Put(package, L"js\\app.js", Content(L"new app", 6000));
    Put(package, L"web\\index.htm", Content(L"new index", 65536));
    Put(package, L"bin\\locked.dat", Content(L"new ro", 200));
    Put(package, L"extra\\deep\\readme.txt", "new file");
    ASSERT_TRUE(CopyFileW(wintest::Probe1000Exe().c_str(), (package + L"bin\\probe.exe").c_str(), TRUE));

    Add(L"bin\\core.dll", L"bin\\core.dll").SetUpdateCheckType(1);
    Add(L"js\\app.js", L"web\\js\\app.js").SetExistenceCheckType(2);
    Add(L"web\\index.htm", L"web\\index.htm").SetUpdateCheckType(3);
    Add(L"bin\\locked.dat", L"bin\\locked.dat");
    Add(L"extra\\deep\\readme.txt", L"extra\\deep\\readme.txt").SetUpdateCheckType(2);
    CTupModuleFile& probe = Add(L"bin\\probe.exe", L"bin\\probe.exe");
    probe.SetVersionCheckType(1);
    probe.SetExistenceCheckType(1);
    const Tree before = ReadTree(install.Path());
    Tree packaged = ReadTree(package);

    EXPECT_EQ(1, updater.CheckFilesExist());
    // 1.2.3.4 installed, 1.2.3.1000 packaged.
    EXPECT_EQ(0, updater.CheckVersions());
    EXPECT_EQ(1, updater.CheckFilesWritable());
    const std::wstring backup = manager->BackupFolder();
    ASSERT_TRUE(CreateDirectoryW((installRoot + L"_TupBkp").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(backup.c_str(), nullptr));
    EXPECT_EQ(1, updater.BackupFiles());
    owner.reports.clear();
    EXPECT_EQ(1, updater.ReplaceFiles());

    // The backup holds the old files under their package paths; the file of type 2 had none.
    const std::wstring backupFolder = backup.substr(0, backup.size() - 1);
    EXPECT_EQ((Tree{{L"bin\\core.dll", before.at(L"bin\\core.dll")},
                    {L"js\\app.js", before.at(L"web\\js\\app.js")},
                    {L"web\\index.htm", before.at(L"web\\index.htm")},
                    {L"bin\\locked.dat", before.at(L"bin\\locked.dat")},
                    {L"bin\\probe.exe", before.at(L"bin\\probe.exe")}}),
              ReadTree(backupFolder));

    // Every installed file is now the packaged one, and nothing else was left beside them.
    Tree installed = ReadTree(install.Path());
    for (auto it = installed.begin(); it != installed.end();) {
        it = it->first.rfind(L"_TupBkp\\", 0) == 0 ? installed.erase(it) : std::next(it);
    }
    EXPECT_EQ((Tree{{L"bin\\core.dll", packaged.at(L"bin\\core.dll")},
                    {L"web\\js\\app.js", packaged.at(L"js\\app.js")},
                    {L"web\\index.htm", packaged.at(L"web\\index.htm")},
                    {L"bin\\locked.dat", packaged.at(L"bin\\locked.dat")},
                    {L"extra\\deep\\readme.txt", "new file"},
                    {L"bin\\probe.exe", packaged.at(L"bin\\probe.exe")}}),
              installed);
    EXPECT_EQ(0u, GetFileAttributesW(Installed(L"bin\\locked.dat").c_str()) & FILE_ATTRIBUTE_READONLY);
    const Reports expected{{tav::kTextUpdatingFile, Installed(L"bin\\locked.dat")},
                           {tav::kTextFileUpdated, Installed(L"bin\\locked.dat")}};
    EXPECT_EQ(expected[0], owner.reports.at(6));
    EXPECT_EQ(expected[1], owner.reports.at(7));
    EXPECT_EQ(12u, owner.reports.size());
}

TEST_F(TupFileUpdateWin, AFileInUseMakesWayAsOldAndStaysWhenThatNameIsTaken) {
    ASSERT_TRUE(CopyFileW(wintest::PlainExe().c_str(), Installed(L"busy.dll").c_str(), TRUE));
    ASSERT_TRUE(CopyFileW(wintest::ProbeExe().c_str(), (package + L"busy.dll").c_str(), TRUE));
    const std::string oldBytes = ReadFile(Installed(L"busy.dll"));
    const std::string newBytes = ReadFile(package + L"busy.dll");
    ASSERT_NE(oldBytes, newBytes);
    LoadedLibrary inUse(Installed(L"busy.dll"));
    ASSERT_TRUE(inUse.Loaded());
    // What makes the case: the file in use cannot be deleted.
    ASSERT_FALSE(DeleteFileW(Installed(L"busy.dll").c_str()));

    Add(L"busy.dll", L"busy.dll");
    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, Installed(L"busy.dll")},
                       {tav::kTextFileRenamedToOld, Installed(L"busy.dll")},
                       {tav::kTextFileUpdated, Installed(L"busy.dll")}}),
              owner.reports);
    EXPECT_EQ(newBytes, ReadFile(Installed(L"busy.dll")));
    EXPECT_EQ(oldBytes, ReadFile(Installed(L"busy.dll.old")));
    EXPECT_EQ((Tree{{L"busy.dll", newBytes}, {L"busy.dll.old", oldBytes}}), ReadTree(install.Path()));

    // A second file in use whose ".old" name is taken stays as it is.
    owner.reports.clear();
    updater.Files().clear();
    ASSERT_TRUE(CopyFileW(wintest::PlainExe().c_str(), Installed(L"held.dll").c_str(), TRUE));
    Put(install.Path() + L"\\", L"held.dll.old", "earlier");
    ASSERT_TRUE(CopyFileW(wintest::ProbeExe().c_str(), (package + L"held.dll").c_str(), TRUE));
    LoadedLibrary heldInUse(Installed(L"held.dll"));
    ASSERT_TRUE(heldInUse.Loaded());
    Add(L"held.dll", L"held.dll");
    EXPECT_EQ(0, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, Installed(L"held.dll")},
                       {tav::kTextFileNotRemoved, Installed(L"held.dll")}}),
              owner.reports);
    EXPECT_EQ(oldBytes, ReadFile(Installed(L"held.dll")));
    EXPECT_EQ("earlier", ReadFile(Installed(L"held.dll.old")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesW((Installed(L"held.dll") + CTupModuleUpdater::kStagingSuffix).c_str()));
}

TEST_F(TupFileUpdateWin, ACustomizedSignedPageIsKeptInTheTodoFolderWithItsEntry) {
    const std::wstring installRoot = install.Path() + L"\\";
    Put(installRoot, L"web\\page.htm", "<html>\r\n<body>Welcome</body>\r\n</html>\r\n");
    Put(installRoot, L"web\\same.htm", "<html>\r\n<body>As delivered</body>\r\n</html>\r\n");
    Put(installRoot, L"web\\site.xml", "<?xml version=\"1.0\"?>\r\n<site name=\"a\">text</site>\r\n");
    for (const wchar_t* signedFile : {L"web\\page.htm", L"web\\same.htm", L"web\\site.xml"}) {
        const std::wstring path = installRoot + signedFile;
        ASSERT_TRUE(CreateSignatureForFile(path)->Sign(path)) << tav::ToUtf8(path);
    }
    // The administrator changes one page after delivery.
    const std::string changed = ReadFile(Installed(L"web\\page.htm")) + "<p>Our own note</p>\r\n";
    Put(installRoot, L"web\\page.htm", changed);
    Put(package, L"web\\page.htm", "new page");
    Put(package, L"web\\same.htm", "new same");
    Put(package, L"web\\site.xml", "<site/>");
    for (const wchar_t* name : {L"web\\page.htm", L"web\\same.htm", L"web\\site.xml"}) {
        Add(name, name).SetUserCustomizationCheckPlanned(1);
    }

    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, Installed(L"web\\page.htm")},
                       {tav::kTextCustomizedFileFound, Installed(L"web\\page.htm")},
                       {tav::kTextFileUpdated, Installed(L"web\\page.htm")},
                       {tav::kTextUpdatingFile, Installed(L"web\\same.htm")},
                       {tav::kTextFileUpdated, Installed(L"web\\same.htm")},
                       {tav::kTextUpdatingFile, Installed(L"web\\site.xml")},
                       {tav::kTextFileUpdated, Installed(L"web\\site.xml")}}),
              owner.reports);
    EXPECT_EQ("new page", ReadFile(Installed(L"web\\page.htm")));

    const std::wstring todo = manager->InstallFolder() + L"_todo";
    const std::wstring list = L"update_" + manager->TimeStamp() + L"_" +
                              manager->InstalledVersion() + L"_" + manager->PackageVersion() + L".txt";
    const std::string entry = "#53149 " + tav::ToUtf8(Installed(L"web\\page.htm")) + ".\r\n#53150\r\n#53151 " +
                              tav::ToUtf8(todo) + "\\web\\page.htm.\r\n----------\r\n";
    EXPECT_EQ((Tree{{L"web\\page.htm", changed}, {list, entry}}), ReadTree(todo));
}

TEST_F(TupFileUpdateWin, TwoTargetsOfOnePackageFileAreEachBackedUpAndPutBack) {
    const std::wstring installRoot = install.Path() + L"\\";
    Put(installRoot, L"web1\\page.htm", Content(L"old page 1", 70000));
    Put(installRoot, L"web2\\page.htm", Content(L"old page 2", 90000));
    Put(package, L"web\\page.htm", "new page");
    const Tree before = ReadTree(install.Path());
    Add(L"web\\page.htm", L"web1\\page.htm");
    Add(L"web\\page.htm", L"web2\\page.htm");
    const std::wstring backup = manager->BackupFolder();
    ASSERT_TRUE(CreateDirectoryW((installRoot + L"_TupBkp").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(backup.c_str(), nullptr));

    EXPECT_EQ(1, updater.BackupFiles());
    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Tree{{L"web\\page.htm", before.at(L"web1\\page.htm")},
                    {L"web\\page~2.htm", before.at(L"web2\\page.htm")}}),
              ReadTree(backup.substr(0, backup.size() - 1)));
    EXPECT_EQ("new page", ReadFile(Installed(L"web2\\page.htm")));

    // The backup folder as a run leaves it: the log in English, the description and languages.
    CStringBase english(wintest::WindowsPathOf(TAV_SOURCE_DIR "/resources"));
    std::string log;
    for (const Seen& seen : owner.reports) {
        log += "2026-12-09 05:30:00.000 - ;WineRun: " +
               tav::ToUtf8(english.GetTextOrEmpty(static_cast<int32_t>(seen.id), L"EN") +
                           (seen.extra.empty() ? L"" : L" " + seen.extra)) +
               "\r\n";
    }
    ASSERT_TRUE(wintest::WriteWholeFile(backup + L"_log.csv", log));
    const std::wstring kept = backup + CTupManager::kBackupWizardFolder + L"\\";
    ASSERT_TRUE(CreateDirectoryW(kept.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(wintest::WindowsPathOf(TAV_SOURCE_DIR "/resources/TavLang.Xml").c_str(),
                          (kept + L"TavLang.Xml").c_str(), TRUE));
    const std::string entry =
        "<ITEM key=\"File0\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" type=\"OCString\">web\\*.htm</ITEM>"
        "<ITEM key=\"InstallationFile\" type=\"OCString\">[$TN_INSTALL_PATH]web1\\*.htm</ITEM></ITEM>"
        "<ITEM key=\"File1\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" type=\"OCString\">web\\*.htm</ITEM>"
        "<ITEM key=\"InstallationFile\" type=\"OCString\">[$TN_INSTALL_PATH]web2\\*.htm</ITEM></ITEM>";
    ASSERT_TRUE(wintest::WriteWholeFile(
        kept + L"config.xml",
        "<?xml version=\"1.0\"?><CONFIG><ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
        "<ITEM key=\"ComponentName\" type=\"OCString\">WineRun</ITEM><ITEM key=\"Updaters\" type=\"OCContainer\">"
        "<ITEM key=\"Updater0\" type=\"OCContainer\"><ITEM key=\"ClassType\" type=\"OCString\">CTupModuleUpdater</ITEM>"
        "<ITEM key=\"Files\" type=\"OCContainer\">" + entry + "</ITEM></ITEM></ITEM></ITEM></CONFIG>"));

    restore::RunRestorer restorer(*sys::CurrentMachine().files);
    std::vector<std::string> problems;
    ASSERT_TRUE(restorer.Prepare(backup, std::wstring(), problems)) << (problems.empty() ? "" : problems[0]);
    const restore::Outcome outcome = restorer.Apply([](const restore::Event&) {});
    EXPECT_TRUE(outcome.complete);
    EXPECT_EQ(2u, outcome.done);
    Tree installed = ReadTree(install.Path());
    for (auto it = installed.begin(); it != installed.end();) {
        it = it->first.rfind(L"_TupBkp\\", 0) == 0 ? installed.erase(it) : std::next(it);
    }
    EXPECT_EQ(before, installed);
}

}  // namespace
