// The module updater's helpers for derived updaters: folders, registry defaults, access lists,
// the customization check, and the expansion of wildcard file entries.
#include "updater/TupModuleUpdater.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "base/WideText.h"
#include "updater/TupModuleUpdaterTestWorld.h"

namespace {

using sys::RegistryRoot;
using sys::RegistryView;
using updater_tests::MakeFile;
using updater_tests::Seen;
using updater_tests::UpdaterWorld;
using Reports = std::vector<Seen>;
using Strings = std::vector<std::wstring>;

class TupModuleUpdaterFilesTest : public ::testing::Test {
protected:
    void AddPackageFile(const std::wstring& relative) {
        world.machine.files.AddFile(UpdaterWorld::kPackage + relative, "x");
    }

    Strings PackagePaths() const {
        Strings paths;
        for (const auto& file : updater.Files()) paths.push_back(file.UpdatePackageFile());
        return paths;
    }
    Strings InstallationPaths() const {
        Strings paths;
        for (const auto& file : updater.Files()) paths.push_back(file.InstallationFile());
        return paths;
    }

    UpdaterWorld world;
    fakes::FakeFiles& files = world.machine.files;
    updater_tests::OpenUpdater& updater = world.updater;
};

TEST_F(TupModuleUpdaterFilesTest, CreateFoldersMakesEachMissingPrefixAndStopsAtTheFirstFailure) {
    files.AddFolder(L"C:\\TAV\\web");
    EXPECT_TRUE(updater.CreateFolders(L"C:\\", L"TAV\\web\\new\\deeper"));
    EXPECT_TRUE(files.FolderExists(L"C:\\TAV\\web\\new\\deeper"));
    EXPECT_TRUE(updater.FolderExists(L"C:\\TAV\\web\\new"));
    EXPECT_TRUE(updater.CreateFolders(L"C:\\TAV\\", L""));
    // A trailing backslash names no extra folder.
    EXPECT_TRUE(updater.CreateFolders(L"C:\\TAV\\", L"a\\b\\"));
    EXPECT_TRUE(files.FolderExists(L"C:\\TAV\\a\\b"));

    // A file in the way is no folder.
    files.AddFile(L"C:\\TAV\\file");
    EXPECT_FALSE(updater.FolderExists(L"C:\\TAV\\file"));
    EXPECT_FALSE(updater.FolderExists(L"C:\\TAV\\missing"));
    EXPECT_FALSE(updater.CreateFolders(L"C:\\TAV\\", L"file\\sub"));

    files.AddFolder(L"C:\\TAV\\locked");
    files.DenyCreateIn(L"C:\\TAV\\locked");
    EXPECT_FALSE(updater.CreateFolders(L"C:\\TAV\\", L"locked\\x\\y"));
    EXPECT_FALSE(files.FolderExists(L"C:\\TAV\\locked\\x"));
    EXPECT_TRUE(world.TakeReports().empty());
}

TEST_F(TupModuleUpdaterFilesTest, CreateFolderForPathSplitsAtTheFirstBackslashAndReports) {
    EXPECT_TRUE(updater.CreateFolderForPath(L"C:\\TAV\\todo\\notes"));
    EXPECT_TRUE(files.FolderExists(L"C:\\TAV\\todo\\notes"));
    EXPECT_FALSE(updater.CreateFolderForPath(L"nofolder"));
    files.AddFolder(L"D:\\locked");
    files.DenyCreateIn(L"D:\\locked");
    EXPECT_FALSE(updater.CreateFolderForPath(L"D:\\locked\\x"));
    EXPECT_EQ((Reports{{tav::kTextCreatingFolder, L"C:\\TAV\\todo\\notes"},
                       {tav::kTextFolderCreated, L""},
                       {tav::kTextCreatingFolder, L"nofolder"},
                       {tav::kTextFolderNotCreated, L""},
                       {tav::kTextCreatingFolder, L"D:\\locked\\x"},
                       {tav::kTextFolderNotCreated, L""}}),
              world.TakeReports());
}

TEST_F(TupModuleUpdaterFilesTest, EnsureRegistryValueWritesTheDefaultOnlyWhenTheValueIsEmpty) {
    auto& registry = world.machine.registry;
    const std::wstring key = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav";
    const std::wstring sub = L"SOFTWARE\\Kelmark\\Tav";
    registry.PutString(RegistryRoot::LocalMachine, sub, RegistryView::Bits32, L"POSPATH", L"E:\\pos\\");
    registry.PutString(RegistryRoot::LocalMachine, sub, RegistryView::Bits32, L"EMPTY", L"");

    std::wstring value = L"stale";
    bool written = true;
    updater.EnsureRegistryValue(key, L"POSPATH", L"C:\\TAV\\pos\\", value, written);
    EXPECT_EQ(L"E:\\pos\\", value);
    EXPECT_FALSE(written);
    EXPECT_EQ((Reports{{tav::kTextCheckingRegistryValue, key + L"\\POSPATH"},
                       {tav::kTextRegistryValue, key + L"\\POSPATH = \"E:\\pos\\\""}}),
              world.TakeReports());

    for (const std::wstring name : {L"EMPTY", L"MISSING"}) {
        updater.EnsureRegistryValue(key, name, L"C:\\TAV\\" + name, value, written);
        EXPECT_TRUE(written);
        EXPECT_EQ(L"C:\\TAV\\" + name, value);
        EXPECT_EQ((Reports{{tav::kTextCheckingRegistryValue, key + L"\\" + name},
                           {tav::kTextRegistryValueEmpty, key + L"\\" + name},
                           {tav::kTextWritingRegistryValue, key + L"\\" + name},
                           {tav::kTextRegistryValue, key + L"\\" + name + L" = \"C:\\TAV\\" + name + L"\""}}),
                  world.TakeReports());
        const sys::RegistryValue* stored =
            registry.Get(RegistryRoot::LocalMachine, sub, RegistryView::Bits32, name);
        ASSERT_NE(nullptr, stored);
        EXPECT_EQ(sys::RegType::String, stored->type);
    }
    // The 64-bit view is not touched; the other values of the key stay.
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, sub, RegistryView::Bits64));
    EXPECT_NE(nullptr, registry.Get(RegistryRoot::LocalMachine, sub, RegistryView::Bits32, L"POSPATH"));

    // A key that cannot be written leaves the value empty, and the report says so.
    updater.EnsureRegistryValue(L"HKEY_LOCAL_MACHINE", L"v", L"d", value, written);
    EXPECT_EQ(L"", value);
    EXPECT_EQ((Seen{tav::kTextRegistryValue, L"HKEY_LOCAL_MACHINE\\v = \"\""}), world.TakeReports().back());
}

TEST_F(TupModuleUpdaterFilesTest, GrantEveryoneFullAccessAppendsANarrowEntryForTheWorldOnce) {
    const sys::AccessEntry admins{sys::AccessEntry::kAllowed, sys::AccessEntry::kContainerInherit,
                                  0x1F01FF, L"S-1-5-32-544"};
    const sys::AccessEntry guests{sys::AccessEntry::kDenied, 0, 0x2, L"S-1-5-32-546"};
    // Read, write, execute and delete, inherited below; not WRITE_DAC nor WRITE_OWNER.
    const sys::AccessEntry world_{sys::AccessEntry::kAllowed,
                                  sys::AccessEntry::kObjectInherit | sys::AccessEntry::kContainerInherit,
                                  0x1301BF, L"S-1-1-0"};
    // The same rights for the world without inheritance are another entry.
    sys::AccessEntry worldHere = world_;
    worldHere.flags = 0;
    EXPECT_EQ((sys::AccessList{admins, guests, world_}),
              CTupModuleUpdater::WithEveryoneFullAccess({admins, guests}));
    EXPECT_EQ((sys::AccessList{world_}), CTupModuleUpdater::WithEveryoneFullAccess({}));
    EXPECT_EQ((sys::AccessList{world_, admins}), CTupModuleUpdater::WithEveryoneFullAccess({world_, admins}));
    EXPECT_EQ((sys::AccessList{worldHere, world_}), CTupModuleUpdater::WithEveryoneFullAccess({worldHere}));

    files.AddFolder(L"C:\\TAV\\spool");
    ASSERT_TRUE(files.WriteAccessList(L"C:\\TAV\\spool", {admins, guests}));
    EXPECT_TRUE(updater.GrantEveryoneFullAccess(L"C:\\TAV\\spool"));
    sys::AccessList now;
    ASSERT_TRUE(files.ReadAccessList(L"C:\\TAV\\spool", now));
    EXPECT_EQ((sys::AccessList{admins, guests, world_}), now);

    // Granted again: nothing is left to write.
    files.accessListsWritable = false;
    EXPECT_TRUE(updater.GrantEveryoneFullAccess(L"C:\\TAV\\spool"));
    ASSERT_TRUE(files.ReadAccessList(L"C:\\TAV\\spool", now));
    EXPECT_EQ((sys::AccessList{admins, guests, world_}), now);
    files.accessListsWritable = true;

    EXPECT_FALSE(updater.GrantEveryoneFullAccess(L"C:\\TAV\\missing"));
    EXPECT_EQ((Reports{{tav::kTextGrantingFullAccess, L"C:\\TAV\\spool"},
                       {tav::kTextFullAccessGranted, L""},
                       {tav::kTextGrantingFullAccess, L"C:\\TAV\\spool"},
                       {tav::kTextFullAccessGranted, L""},
                       {tav::kTextGrantingFullAccess, L"C:\\TAV\\missing"},
                       {tav::kTextFullAccessNotGranted, L""}}),
              world.TakeReports());
}

TEST_F(TupModuleUpdaterFilesTest, GrantEveryoneFullAccessRefusesRootsAndTheSystemsFolders) {
    world.machine.operatingSystem.systemFolder = L"C:\\Windows\\system32";
    world.machine.environment.variables[L"SYSTEMROOT"] = L"D:\\WinNT";
    world.machine.environment.variables[L"ProgramFiles"] = L"E:\\Apps";
    world.machine.shell.folders[0x23] = L"F:\\Shared Data";
    struct Case {
        const wchar_t* path;
        bool refused;
        bool made;  // made as a folder first; roots always exist
    };
    const Case cases[] = {
        {L"C:\\", true, false},
        {L"c:", true, false},
        {L"E:\\TAV\\..\\.\\", true, false},
        {L"\\\\?\\C:\\", true, false},
        {L"\\", true, false},
        {L"\\\\server\\share\\", true, false},
        {L"\\\\?\\UNC\\server\\share", true, false},
        {L"C:\\Windows", true, true},
        {L"c:\\WINDOWS\\", true, true},
        {L"C:/Windows/System32/", true, true},
        {L"C:\\Windows\\System32\\spool\\..", true, true},
        {L"C:\\Windows. \\SysWOW64", true, true},
        {L"D:\\WinNT", true, true},
        {L"D:\\WinNT\\System32", true, true},
        {L"C:\\Program Files", true, true},
        {L"c:\\program files (x86)\\", true, true},
        {L"D:\\ProgramData", true, true},
        {L"E:\\Apps\\", true, true},
        {L"F:\\Shared Data", true, true},
        {L"\\\\?\\Volume{0b1c7a2e-5d3f-4e1a-9c8b-1a2b3c4d5e6f}\\", true, false},
        {L"\\\\.\\Volume{0b1c7a2e-5d3f-4e1a-9c8b-1a2b3c4d5e6f}\\TAV", true, false},
        {L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume2\\TAV", true, false},
        {L"C:\\Program Files\\Tav\\Data", false, true},
        {L"\\\\?\\C:\\TAV\\Spool", false, true},
        {L"C:\\Windows\\Temp", false, true},
        {L"C:\\WindowsData", false, true},
        {L"\\\\server\\share\\TAV", false, true},
        {L"C:\\TAV\\Data", false, true},
    };
    for (const Case& c : cases) {
        if (c.made) files.AddFolder(c.path);
        sys::AccessList before;
        files.ReadAccessList(c.path, before);

        const bool granted = updater.GrantEveryoneFullAccess(c.path);

        sys::AccessList after;
        files.ReadAccessList(c.path, after);
        const Reports reports = world.TakeReports();
        ASSERT_EQ(2u, reports.size()) << tav::ToUtf8(c.path);
        EXPECT_EQ((Seen{tav::kTextGrantingFullAccess, c.path}), reports[0]);
        if (c.refused) {
            EXPECT_FALSE(granted) << tav::ToUtf8(c.path);
            EXPECT_EQ(before, after) << tav::ToUtf8(c.path);
            EXPECT_EQ((Seen{tav::kTextFullAccessNotGranted, L""}), reports[1]);
        } else {
            EXPECT_TRUE(granted) << tav::ToUtf8(c.path);
            EXPECT_EQ(CTupModuleUpdater::WithEveryoneFullAccess(before), after) << tav::ToUtf8(c.path);
        }
    }
}

TEST_F(TupModuleUpdaterFilesTest, TheCustomizationCheckStaysOnlyForSignedFileKinds) {
    const Strings kept{L"page.asp", L"lib.JS", L"style.Css", L"index.htm", L"mail.tpl", L"conf.XML"};
    const Strings dropped{L"page.html", L"tool.dll", L"js", L"json.jsx"};
    for (const auto& name : kept) updater.Files().push_back(MakeFile(L"p\\" + name, L"C:\\TAV\\" + name));
    for (const auto& name : dropped) updater.Files().push_back(MakeFile(L"p\\" + name, name));
    updater.Files().push_back(MakeFile(L"p\\unplanned.dll", L"C:\\TAV\\unplanned.dll"));
    for (size_t i = 0; i + 1 < updater.Files().size(); ++i) {
        updater.Files()[i].SetUserCustomizationCheckPlanned(i == 0 ? 7 : 1);
    }

    updater.RestrictCustomizationCheck();

    EXPECT_EQ(7u, updater.Files()[0].UserCustomizationCheckPlanned());
    for (size_t i = 1; i < kept.size(); ++i) EXPECT_EQ(1u, updater.Files()[i].UserCustomizationCheckPlanned());
    for (size_t i = kept.size(); i < updater.Files().size(); ++i) {
        EXPECT_EQ(0u, updater.Files()[i].UserCustomizationCheckPlanned()) << i;
    }
    EXPECT_EQ((Reports{{tav::kTextRestrictingCustomizationCheck, L""},
                       {tav::kTextNoCustomizationCheck, L"p\\page.html"},
                       {tav::kTextNoCustomizationCheck, L"p\\tool.dll"},
                       {tav::kTextNoCustomizationCheck, L"p\\js"},
                       {tav::kTextNoCustomizationCheck, L"p\\json.jsx"},
                       {tav::kTextCustomizationCheckRestricted, L""}}),
              world.TakeReports());
}

TEST_F(TupModuleUpdaterFilesTest, FindFilesEntersOnlySubfoldersWhoseNamesMatchThePattern) {
    AddPackageFile(L"bin\\a.dll");
    AddPackageFile(L"bin\\notes.txt");
    AddPackageFile(L"bin\\sub\\hidden.dll");
    AddPackageFile(L"bin\\plugins.dll\\p.dll");
    AddPackageFile(L"bin\\plugins.dll\\readme.txt");
    AddPackageFile(L"bin\\plugins.dll\\deep.dll\\q.DLL");
    AddPackageFile(L"bin\\B.Dll");

    Strings found{L"kept"};
    updater.FindFiles(std::wstring(UpdaterWorld::kPackage) + L"bin\\*.dll", found);
    const std::wstring bin = std::wstring(UpdaterWorld::kPackage) + L"bin\\";
    EXPECT_EQ((Strings{L"kept", bin + L"a.dll", bin + L"plugins.dll\\p.dll",
                       bin + L"plugins.dll\\deep.dll\\q.DLL", bin + L"B.Dll"}),
              found);

    found.clear();
    updater.FindFiles(bin + L"?.dll", found);
    EXPECT_EQ((Strings{bin + L"a.dll", bin + L"B.Dll"}), found);
    found.clear();
    updater.FindFiles(std::wstring(UpdaterWorld::kPackage) + L"missing\\*", found);
    EXPECT_TRUE(found.empty());
}

TEST_F(TupModuleUpdaterFilesTest, ExpandFilePatternsReplacesEachPatternByTheFilesItMatches) {
    AddPackageFile(L"bin\\a.dll");
    AddPackageFile(L"bin\\b.dll");
    AddPackageFile(L"bin\\c.dll");
    AddPackageFile(L"bin\\x.txt");
    AddPackageFile(L"web\\index.asp");

    CTupModuleFile explicitB = MakeFile(L"BIN\\B.DLL", L"c:\\tav\\BIN\\renamed.dll");
    explicitB.SetVersionCheckType(1);
    CTupModuleFile pattern = MakeFile(L"bin\\*.dll", L"C:\\TAV\\bin\\x.dll");
    pattern.SetExistenceCheckType(1);
    pattern.SetVersionCheckType(2);
    pattern.SetUpdateCheckType(3);
    pattern.SetUserCustomizationCheckPlanned(1);
    pattern.SetUpdateConditionType(1);
    pattern.SetUpdateFile(0);
    // The same files for a second folder are new entries; the same pattern again adds nothing.
    CTupModuleFile toBackup = MakeFile(L"bin\\?.dll", L"C:\\TAV\\backup\\*");
    CTupModuleFile again = MakeFile(L"bin\\*.dll", L"C:\\TAV\\bin\\");
    CTupModuleFile noMatch = MakeFile(L"none\\*.dll", L"C:\\TAV\\none\\");
    updater.Files() = {explicitB, pattern, MakeFile(L"web\\index.asp", L"C:\\TAV\\web\\index.asp"),
                       toBackup, again, noMatch};

    EXPECT_EQ(7, updater.ExpandFilePatterns());

    // Each new entry went to the head of the list as it was found.
    EXPECT_EQ((Strings{L"bin\\c.dll", L"bin\\b.dll", L"bin\\a.dll", L"bin\\c.dll", L"bin\\a.dll",
                       L"BIN\\B.DLL", L"web\\index.asp"}),
              PackagePaths());
    EXPECT_EQ((Strings{L"C:\\TAV\\backup\\c.dll", L"C:\\TAV\\backup\\b.dll", L"C:\\TAV\\backup\\a.dll",
                       L"C:\\TAV\\bin\\c.dll", L"C:\\TAV\\bin\\a.dll", L"c:\\tav\\BIN\\renamed.dll",
                       L"C:\\TAV\\web\\index.asp"}),
              InstallationPaths());
    // Entries made from a pattern carry its check types and flags.
    const CTupModuleFile& made = updater.Files()[4];
    EXPECT_EQ(1u, made.ExistenceCheckType());
    EXPECT_EQ(2u, made.VersionCheckType());
    EXPECT_EQ(3u, made.UpdateCheckType());
    EXPECT_EQ(1u, made.UserCustomizationCheckPlanned());
    EXPECT_EQ(1u, made.UpdateConditionType());
    EXPECT_EQ(0u, made.UpdateFile());
    EXPECT_EQ(0u, updater.Files()[0].ExistenceCheckType());
    EXPECT_EQ(1u, updater.Files()[5].VersionCheckType());

    const Seen added{tav::kTextFileEntryAdded, L""};
    const Seen skipped{tav::kTextFileEntryAlreadyPresent, L""};
    EXPECT_EQ((Reports{{tav::kTextExpandingFilePatterns, L""},
                       {tav::kTextFileEntryCount, L"6"},
                       {tav::kTextExpandingFilePattern, L"bin\\*.dll"},
                       added, skipped, added,  // b.dll is listed already for that folder
                       {tav::kTextExpandingFilePattern, L"bin\\?.dll"},
                       added, added, added,
                       {tav::kTextExpandingFilePattern, L"bin\\*.dll"},
                       skipped, skipped, skipped,
                       {tav::kTextExpandingFilePattern, L"none\\*.dll"},
                       {tav::kTextFilePatternRemoved, L"bin\\*.dll"},
                       {tav::kTextFilePatternRemoved, L"bin\\?.dll"},
                       {tav::kTextFilePatternRemoved, L"bin\\*.dll"},
                       {tav::kTextFilePatternRemoved, L"none\\*.dll"},
                       {tav::kTextFilePatternsExpanded, L""},
                       {tav::kTextFileEntryCount, L"7"}}),
              world.TakeReports());
}

TEST_F(TupModuleUpdaterFilesTest, ExpandedFilesKeepTheirPlaceBelowThePatternFolder) {
    AddPackageFile(L"web\\a.asp");
    AddPackageFile(L"web\\sub\\b.asp");
    AddPackageFile(L"root.asp");
    // The token stands where PrepareUpdate has not run yet; the installation folder is taken
    // as written.
    updater.Files() = {MakeFile(L"web\\*", L"[$TN_INSTALL_PATH]web\\x.asp"), MakeFile(L"*.asp", L"D:\\all\\")};
    EXPECT_EQ(3, updater.ExpandFilePatterns());
    EXPECT_EQ((Strings{L"root.asp", L"web\\sub\\b.asp", L"web\\a.asp"}), PackagePaths());
    EXPECT_EQ((Strings{L"D:\\all\\root.asp", L"[$TN_INSTALL_PATH]web\\sub\\b.asp",
                       L"[$TN_INSTALL_PATH]web\\a.asp"}),
              InstallationPaths());

    // Without any pattern the list stays as it is.
    world.TakeReports();
    EXPECT_EQ(3, updater.ExpandFilePatterns());
    EXPECT_EQ((Strings{L"root.asp", L"web\\sub\\b.asp", L"web\\a.asp"}), PackagePaths());
    EXPECT_EQ((Reports{{tav::kTextExpandingFilePatterns, L""},
                       {tav::kTextFileEntryCount, L"3"},
                       {tav::kTextFilePatternsExpanded, L""},
                       {tav::kTextFileEntryCount, L"3"}}),
              world.TakeReports());
}

// The straightforward expansion, entry by entry, with a search of the whole list for each file.
void ExpandLikeTheDescription(std::vector<CTupModuleFile>& files, const std::wstring& package,
                              const std::map<std::wstring, Strings>& found) {
    auto folderOf = [](const std::wstring& path) {
        const size_t slash = path.rfind(L'\\');
        return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    };
    auto wild = [](const std::wstring& path) { return path.find_first_of(L"*?") != std::wstring::npos; };
    std::vector<CTupModuleFile> patterns;
    for (const auto& file : files) {
        if (wild(file.UpdatePackageFile())) patterns.push_back(file);
    }
    for (const auto& pattern : patterns) {
        const std::wstring folder = folderOf(pattern.InstallationFile());
        for (const auto& path : found.at(pattern.UpdatePackageFile())) {
            const std::wstring relative = path.substr(package.size());
            bool present = false;
            for (const auto& file : files) {
                present = present || (tav::FoldEquals(file.UpdatePackageFile(), relative) &&
                                      tav::FoldEquals(folderOf(file.InstallationFile()), folder));
            }
            if (present) continue;
            CTupModuleFile entry = pattern;
            entry.SetUpdatePackageFile(relative);
            entry.SetInstallationFile(folder + relative.substr(folderOf(pattern.UpdatePackageFile()).size()));
            files.insert(files.begin(), entry);
        }
    }
    std::erase_if(files, [&](const CTupModuleFile& file) { return wild(file.UpdatePackageFile()); });
}

TEST_F(TupModuleUpdaterFilesTest, ExpandFilePatternsAgreesWithTheEntryByEntryExpansionOnManyFiles) {
    std::mt19937 random(20261208);
    const Strings folders{L"bin\\", L"BIN\\", L"web\\", L"web\\sub.x\\"};
    for (int i = 0; i < 400; ++i) {
        AddPackageFile(folders[random() % 4] + L"f" + std::to_wstring(random() % 150) + L".x");
    }
    std::vector<CTupModuleFile> list;
    const Strings targets{L"C:\\TAV\\bin\\t", L"c:\\tav\\BIN\\t", L"C:\\TAV\\web\\t", L"C:\\Other\\t"};
    for (int i = 0; i < 60; ++i) {
        const std::wstring folder = folders[random() % 3];
        const std::wstring name = random() % 4 == 0 ? L"*.x" : L"f" + std::to_wstring(random() % 150) + L".x";
        CTupModuleFile file = MakeFile(folder + name, targets[random() % 4]);
        file.SetVersionCheckType(i);
        list.push_back(file);
    }
    std::map<std::wstring, Strings> found;
    for (const auto& file : list) {
        Strings matches;
        updater.FindFiles(UpdaterWorld::kPackage + file.UpdatePackageFile(), matches);
        found[file.UpdatePackageFile()] = matches;
    }
    std::vector<CTupModuleFile> expected = list;
    ExpandLikeTheDescription(expected, UpdaterWorld::kPackage, found);
    ASSERT_GT(expected.size(), list.size());

    updater.Files() = list;
    EXPECT_EQ(static_cast<int>(expected.size()), updater.ExpandFilePatterns());
    ASSERT_EQ(expected.size(), updater.Files().size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].UpdatePackageFile(), updater.Files()[i].UpdatePackageFile()) << i;
        EXPECT_EQ(expected[i].InstallationFile(), updater.Files()[i].InstallationFile()) << i;
        EXPECT_EQ(expected[i].VersionCheckType(), updater.Files()[i].VersionCheckType()) << i;
    }
}

}  // namespace
