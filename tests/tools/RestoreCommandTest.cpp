// Tests of tavpkg restore on real folders staged as an interrupted update run leaves them: the
// backup, the result log, the description and language files the run kept, and the install
// folder's files in each state the file phase can leave them in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "manager/TupManager.h"
#include "base/WideText.h"
#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "fakes/TavpkgRunner.h"
#include "system/MachineLock.h"

namespace {

namespace fs = std::filesystem;
using testing_support::RunTool;

const std::string kOldA = std::string("old a\0\x01\xff", 8);
const std::string kOldB = "<% old b %>\r\n";
const std::string kNewA = "new a, longer than the old one";
const std::string kNewB = "<% new b %>\r\n";

// A backup folder of two files under nested package paths, one of them from a wildcard entry,
// and a third file the package adds.
class RestoreCommandTest : public ::testing::Test {
public:
    RestoreCommandTest() {
        machine.UseHostFiles();
        install = folder.PathOf("inst") + L"\\";
        backup = install + L"_TupBkp\\20261209_053000000_7.2.0.1_00012345\\";
        a = install + L"bin\\a.dll";
        b = install + L"web\\sub\\b.asp";
        added = install + L"bin\\new.dll";
        Write(backup + L"bin\\x64\\a.dll", kOldA);
        Write(backup + L"web\\sub\\b.asp", kOldB);
        fs::create_directories(Native(backup + L"_wizard"));
        fs::copy_file(std::string(TAV_SOURCE_DIR) + "/resources/TavLang.Xml",
                      Native(backup + L"_wizard\\TavLang.Xml"));
        WriteDescription("<ITEM key=\"AffectedServices\" type=\"OCStringList\">"
                         "<ITEM key=\"0\" type=\"OCStringListItem\">tavsvc</ITEM>"
                         "<ITEM key=\"1\" type=\"OCStringListItem\">Spooler</ITEM></ITEM>");
        // The backup phase of the run.
        Log(tav::kTextBackingUpModule, L"Module");
        Log(tav::kTextBackingUpFile, a);
        Log(tav::kTextFileBackedUp, a);
        Log(tav::kTextBackingUpFile, b);
        Log(tav::kTextFileBackedUp, b);
        Log(tav::kTextBackingUpFile, added);
        Log(tav::kTextNoFileToBackUp);
        Log(tav::kTextUpdatingModule, L"Module");
    }

    static fs::path Native(const std::wstring& path) {
        std::string text = tav::ToUtf8(path);
        for (char& c : text) c = c == '\\' ? '/' : c;
        return fs::path(text);
    }
    static void Write(const std::wstring& path, const std::string& bytes) {
        fs::create_directories(Native(path).parent_path());
        std::ofstream(Native(path), std::ios::binary | std::ios::trunc) << bytes;
    }
    static std::string Read(const std::wstring& path) {
        std::ifstream file(Native(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    static bool Exists(const std::wstring& path) { return fs::exists(Native(path)); }

    void WriteDescription(const std::string& servicesXml, const std::string& extraFile = std::string()) {
        auto file = [](const char* package, const char* installed) {
            return std::string("<ITEM key=\"File\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" "
                               "type=\"OCString\">") +
                   package + "</ITEM><ITEM key=\"InstallationFile\" type=\"OCString\">" + installed +
                   "</ITEM></ITEM>";
        };
        std::string files = file("bin\\x64\\a.dll", "[$TN_INSTALL_PATH]bin\\a.dll") +
                            file("web\\sub\\*.asp", "[$TN_INSTALL_PATH]web\\sub\\*.asp") +
                            file("bin\\new.dll", "[$TN_INSTALL_PATH]bin\\new.dll") + extraFile;
        for (int i = 0, at = 0; (at = static_cast<int>(files.find("\"File\"", at))) >= 0; ++i) {
            files.replace(at, 6, "\"File" + std::to_string(i) + "\"");
        }
        Write(backup + L"_wizard\\config.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?><CONFIG>"
              "<ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
              "<ITEM key=\"ComponentName\" type=\"OCString\">Tarnova server</ITEM>"
              "<ITEM key=\"Updaters\" type=\"OCContainer\"><ITEM key=\"Updater0\" type=\"OCContainer\">"
              "<ITEM key=\"ClassType\" type=\"OCString\">CTupModuleUpdater</ITEM>" +
                  servicesXml + "<ITEM key=\"Files\" type=\"OCContainer\">" + files +
                  "</ITEM></ITEM></ITEM></ITEM></CONFIG>");
    }

    // One result-log line as the run writes it.
    void Log(uint32_t id, const std::wstring& extra = std::wstring()) {
        const std::wstring text = L"Tarnova server: " + texts.GetTextOrEmpty(static_cast<int32_t>(id), L"EN") +
                                  (extra.empty() ? L"" : L" " + extra);
        log += "2026-12-09 05:30:00.000 - ;" + tav::ToUtf8(text) + "\r\n";
        Write(backup + L"_log.csv", log);
    }

    // Every file below the scratch folder with its bytes.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(Native(folder.PathOf("")))) {
            if (entry.is_regular_file()) files[entry.path().string()] = Read(tav::FromUtf8(entry.path().string()));
        }
        return files;
    }

    testing_support::ToolResult Restore(std::vector<std::wstring> options = {}) {
        std::vector<std::wstring> args{L"restore", backup};
        args.insert(args.end(), options.begin(), options.end());
        return RunTool(args);
    }

    fakes::FakeMachine machine;
    testing_support::ScratchFolder folder;
    CStringBase texts{tav::FromUtf8(std::string(TAV_SOURCE_DIR) + "/resources")};
    // Log lines of a file the run added, or backed up and replaced, at path.
    void Added(const std::wstring& path) {
        Log(tav::kTextBackingUpFile, path);
        Log(tav::kTextNoFileToBackUp);
        Log(tav::kTextUpdatingFile, path);
        Log(tav::kTextFileUpdated, path);
    }
    void Replaced(const std::wstring& path) {
        Log(tav::kTextBackingUpFile, path);
        Log(tav::kTextFileBackedUp, path);
        Log(tav::kTextUpdatingFile, path);
        Log(tav::kTextFileUpdated, path);
    }

    std::string log;
    std::wstring install, backup, a, b, added;
    bool noLinks = false;
};

TEST_F(RestoreCommandTest, PutsBackBothFilesWhateverStateTheKilledFilePhaseLeftThemIn) {
    struct Case {
        const char* name;
        // Stages the state of a (the file the run was busy with when it ended) and its log.
        std::function<void(RestoreCommandTest&)> stage;
    };
    const std::wstring staged = L".tup~new";
    const Case cases[] = {
        {"replaced", [](RestoreCommandTest& t) {
             Write(t.a, kNewA);
             t.Log(tav::kTextUpdatingFile, t.a);
             t.Log(tav::kTextFileUpdated, t.a);
         }},
        {"staged copy half written", [&](RestoreCommandTest& t) {
             Write(t.a, kOldA);
             Write(t.a + staged, kNewA.substr(0, 5));
             t.Log(tav::kTextUpdatingFile, t.a);
         }},
        {"moved aside, new one not yet in place", [&](RestoreCommandTest& t) {
             Write(t.a + L".old", kOldA);
             Write(t.a + staged, kNewA);
             t.Log(tav::kTextUpdatingFile, t.a);
         }},
        {"replaced beside .old", [](RestoreCommandTest& t) {
             Write(t.a, kNewA);
             Write(t.a + L".old", kOldA);
             t.Log(tav::kTextUpdatingFile, t.a);
             t.Log(tav::kTextFileRenamedToOld, t.a);
             t.Log(tav::kTextFileUpdated, t.a);
         }},
        {"not reached", [](RestoreCommandTest& t) { Write(t.a, kOldA); }},
    };
    const std::string start = log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RestoreCommandTest& t = *this;
        log = start;
        // b was replaced before a; the run ended while on a.
        Write(b, kNewB);
        Log(tav::kTextUpdatingFile, b);
        Log(tav::kTextFileUpdated, b);
        fs::remove(Native(a));
        c.stage(t);

        const auto r = Restore();
        EXPECT_EQ(0, r.code) << r.out << r.err;
        EXPECT_EQ(kOldA, Read(a));
        EXPECT_EQ(kOldB, Read(b));
        EXPECT_FALSE(Exists(a + staged));
        EXPECT_FALSE(Exists(a + L".old"));
        EXPECT_FALSE(Exists(b + staged));
        // The backup stays for another attempt.
        EXPECT_EQ(kOldA, Read(backup + L"bin\\x64\\a.dll"));
        EXPECT_NE(std::string::npos, r.out.find("restore: 2 of 2 files put back or removed\n")) << r.out;

        // A second restore over the restored folder changes nothing.
        const auto before = Snapshot();
        EXPECT_EQ(0, Restore().code);
        EXPECT_EQ(before, Snapshot());
    }
}

TEST_F(RestoreCommandTest, ARunEndedBetweenStagingAndSwappingLeavesItsStagedFilesRemoved) {
    // The run named its staged files before copying them; backups it logged are made by the
    // swaps, so a run that ended first has none yet.
    struct Case {
        const char* name;
        std::function<void(RestoreCommandTest&)> stage;
    };
    const std::wstring staged = L".tup~new";
    const Case cases[] = {
        {"during staging", [&](RestoreCommandTest& t) {
             t.log.clear();
             t.Log(tav::kTextUpdateStarted);
             fs::remove(Native(t.backup + L"bin\\x64\\a.dll"));
             fs::remove(Native(t.backup + L"web\\sub\\b.asp"));
             Write(t.a + staged, kNewA.substr(0, 3));
         }},
        {"after the backups were logged", [&](RestoreCommandTest& t) {
             fs::remove(Native(t.backup + L"bin\\x64\\a.dll"));
             fs::remove(Native(t.backup + L"web\\sub\\b.asp"));
             Write(t.a + staged, kNewA);
             Write(t.b + staged, kNewB);
         }},
        {"after the first swap", [&](RestoreCommandTest& t) {
             fs::remove(Native(t.backup + L"web\\sub\\b.asp"));
             Write(t.a, kNewA);
             t.Log(tav::kTextUpdatingFile, t.a);
             t.Log(tav::kTextFileUpdated, t.a);
             Write(t.b + staged, kNewB);
         }},
    };
    const std::string start = log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log = start;
        Write(backup + L"_log.csv", log);
        Write(a, kOldA);
        Write(b, kOldB);
        Write(backup + L"bin\\x64\\a.dll", kOldA);
        Write(backup + L"web\\sub\\b.asp", kOldB);
        Write(backup + CTupManager::kStagedListName, tav::ToUtf8(a + staged + L"\r\n" + b + staged + L"\r\n"));
        c.stage(*this);

        const auto r = Restore();
        EXPECT_EQ(0, r.code) << r.out << r.err;
        EXPECT_EQ(kOldA, Read(a));
        EXPECT_EQ(kOldB, Read(b));
        EXPECT_FALSE(Exists(a + staged));
        EXPECT_FALSE(Exists(b + staged));
    }

    // A list that names anything but a staged file of the package is refused.
    for (const std::wstring& line : {a, install + L"other\\x.dll" + staged}) {
        Write(backup + CTupManager::kStagedListName, tav::ToUtf8(line + L"\r\n"));
        const auto refused = Restore();
        EXPECT_EQ(3, refused.code) << refused.out;
        EXPECT_NE(std::string::npos, refused.err.find("_staged.txt")) << refused.err;
    }
}

TEST_F(RestoreCommandTest, DryRunListsWhatItWouldDoAndChangesNothing) {
    Write(b, kNewB);
    Log(tav::kTextUpdatingFile, b);
    Log(tav::kTextFileUpdated, b);
    Write(added, kNewA);
    Log(tav::kTextUpdatingFile, added);
    Log(tav::kTextFileUpdated, added);
    Write(a, kOldA);
    Write(a + L".tup~new", "par");
    Log(tav::kTextUpdatingFile, a);
    const auto before = Snapshot();

    const auto r = Restore({L"--dry-run"});
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_EQ("", r.err);
    const std::string bk = tav::ToUtf8(backup), in = tav::ToUtf8(install);
    EXPECT_EQ("restore from " + bk + "\n" +
                  "put back: " + bk + "bin\\x64\\a.dll -> " + in + "bin\\a.dll\n" +
                  "remove: " + in + "bin\\a.dll.tup~new (left by the update)\n" +
                  "put back: " + bk + "web\\sub\\b.asp -> " + in + "web\\sub\\b.asp\n" +
                  "remove: " + in + "bin\\new.dll (added by the update)\n" +
                  "services: w3svc, tavsvc, fax, lpdsvc, tavlpdsvc, tavapsvc, dcstart, cloudprintsvc, Spooler\n"
                  "restore: dry run, nothing changed\n",
              r.out);
    EXPECT_EQ(before, Snapshot());
    EXPECT_TRUE(machine.services.requests.empty());
}

TEST_F(RestoreCommandTest, WhileAnotherUpdateHoldsTheLockNothingIsTouched) {
    Replaced(b);
    Write(b, kNewB);
    const auto before = Snapshot();
    const sys::UpdateLock update = sys::TakeUpdateLock();
    ASSERT_EQ(sys::LockState::Taken, update.state) << tav::ToUtf8(update.problem);

    const auto r = Restore();
    EXPECT_EQ(1618, r.code);
    EXPECT_NE(std::string::npos, r.err.find("another update of this server is running")) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_EQ(before, Snapshot());
    EXPECT_TRUE(machine.services.requests.empty());
}

TEST_F(RestoreCommandTest, RemovesAnAddedFileOnlyWhenTheLogShowsTheRunPutItThere) {
    struct Case {
        const char* name;
        std::vector<uint32_t> filePhase;  // the log's lines about the added file
        bool removed;
    };
    const Case cases[] = {
        {"copied", {tav::kTextUpdatingFile, tav::kTextFileUpdated}, true},
        {"run ended while copying", {tav::kTextUpdatingFile}, true},
        {"package file missing", {tav::kTextUpdatingFile, tav::kTextUpdatePackageFileMissing}, false},
        {"file phase never reached it", {}, false},
    };
    const std::string start = log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log = start;
        Write(added, "someone's file");
        Log(tav::kTextUpdatingFile, a);  // another file before it
        Log(tav::kTextFileUpdated, a);
        for (uint32_t id : c.filePhase) Log(id, id == tav::kTextUpdatePackageFileMissing ? L"" : added);
        const auto r = Restore();
        EXPECT_EQ(0, r.code) << r.err;
        EXPECT_EQ(!c.removed, Exists(added)) << r.out;
    }
}

// A refusal case: how it is staged and what the message says.
struct Refusal {
    const char* name;
    std::function<void(RestoreCommandTest&)> stage;
    std::string message;
};



class RestoreRefusalTest : public RestoreCommandTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RestoreRefusalTest, RefusesWhenItCannotTellWhereAFileBelongsAndChangesNothing) {
    Write(a, kNewA);
    Write(b, kNewB);
    Log(tav::kTextUpdatingFile, a);
    Log(tav::kTextFileUpdated, a);
    GetParam().stage(*this);
    if (noLinks) GTEST_SKIP() << "this host makes no symbolic links";
    const auto before = Snapshot();
    const auto r = Restore();
    EXPECT_EQ(3, r.code);
    EXPECT_NE(std::string::npos, r.err.find(GetParam().message)) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("nothing changed\n")) << r.err;
    EXPECT_EQ("", r.out);
    EXPECT_EQ(before, Snapshot());
    EXPECT_TRUE(machine.services.requests.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreRefusalTest,
    ::testing::Values(
        Refusal{"StrayBackupFile", [](RestoreCommandTest& t) { t.Write(t.backup + L"lib\\c.dll", "c"); },
                "lib\\c.dll belongs: the result log names no installed file that it is the backup of"},
        Refusal{"BackedUpFileNoEntryInstalls",
                [](RestoreCommandTest& t) {
                    t.Log(tav::kTextBackingUpFile, t.install + L"other\\d.dll");
                    t.Log(tav::kTextFileBackedUp, t.install + L"other\\d.dll");
                },
                "cannot tell which backup holds"},
        Refusal{"TwoBackupsCouldBeItsOwn",
                [](RestoreCommandTest& t) {
                    t.WriteDescription("", "<ITEM key=\"File\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" "
                                           "type=\"OCString\">bin\\x86\\a.dll</ITEM><ITEM key=\"InstallationFile\" "
                                           "type=\"OCString\">[$X]a.dll</ITEM></ITEM>");
                    t.Write(t.backup + L"bin\\x86\\a.dll", "other");
                },
                "more than one backup could be its own"},
        Refusal{"NoDescription",
                [](RestoreCommandTest& t) { fs::remove(t.Native(t.backup + L"_wizard\\config.xml")); },
                "_wizard\\config.xml is missing (give the wizard's folder with --package)"},
        Refusal{"NoResultLog", [](RestoreCommandTest& t) { fs::remove(t.Native(t.backup + L"_log.csv")); },
                "_log.csv cannot be read"},
        // Crafted logs and descriptions that would lead a change out of the installation.
        Refusal{"AddedFileOutsideTheInstallation",
                [](RestoreCommandTest& t) {
                    t.Write(t.folder.PathOf("victim.txt"), "someone's file");
                    t.Added(t.folder.PathOf("victim.txt"));
                },
                "line 11 of the result log names "},
        Refusal{"BackedUpFileOutsideThroughAToken",
                [](RestoreCommandTest& t) { t.Replaced(t.folder.PathOf("other") + L"\\bin\\a.dll"); },
                "which lies outside the installation"},
        Refusal{"DotDotOutOfTheInstallation",
                [](RestoreCommandTest& t) { t.Replaced(t.install + L"bin\\..\\..\\bin\\a.dll"); },
                "has a \".\" or \"..\" component"},
        Refusal{"UncPath", [](RestoreCommandTest& t) { t.Added(L"\\\\server\\share\\bin\\new.dll"); },
                "is a network (UNC), device or \\\\?\\ path"},
        Refusal{"LongPathPrefix", [](RestoreCommandTest& t) { t.Added(L"\\\\?\\" + t.install + L"bin\\new.dll"); },
                "is a network (UNC), device or"},
        Refusal{"DevicePrefix", [](RestoreCommandTest& t) { t.Added(L"\\\\.\\PhysicalDrive0"); },
                "is a network (UNC), device or"},
        Refusal{"AlternateDataStream", [](RestoreCommandTest& t) { t.Added(t.install + L"bin\\new.dll:hidden"); },
                "names an alternate data stream"},
        Refusal{"DeviceName", [](RestoreCommandTest& t) { t.Added(t.install + L"bin\\nul.dll"); },
                "names a device"},
        Refusal{"RelativePath", [](RestoreCommandTest& t) { t.Added(L"bin\\new.dll"); },
                "is not a full path with a drive"},
        Refusal{"LinkOnTheWay",
                [](RestoreCommandTest& t) {
                    fs::create_directories(t.Native(t.folder.PathOf("elsewhere")));
                    t.Write(t.folder.PathOf("elsewhere") + L"\\new.dll", "someone's");
                    std::error_code error;
                    fs::create_directory_symlink(t.Native(t.folder.PathOf("elsewhere")), t.Native(t.install + L"lnk"),
                                                 error);
                    t.noLinks = static_cast<bool>(error);
                    t.Added(t.install + L"lnk\\new.dll");
                },
                "whose way passes a link or junction at"},
        Refusal{"DescriptionFolderOutsideTheInstallation",
                [](RestoreCommandTest& t) {
                    // The entry's folder climbs out of the installation: it is no place to change.
                    t.WriteDescription("", "<ITEM key=\"File\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" "
                                           "type=\"OCString\">c.dll</ITEM><ITEM key=\"InstallationFile\" "
                                           "type=\"OCString\">[$TN_INSTALL_PATH]..\\c.dll</ITEM></ITEM>");
                    t.Write(t.folder.PathOf("c.dll"), "someone's file");
                    t.Added(t.folder.PathOf("c.dll"));
                },
                "which lies outside the installation"},
        Refusal{"LiteralFolderOutsideInTheDescription",
                [](RestoreCommandTest& t) {
                    // The description spells out a folder of its own: no place this machine names.
                    const std::wstring victim = t.folder.PathOf("elsewhere") + L"\\v.dll";
                    t.WriteDescription("", "<ITEM key=\"File\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" "
                                           "type=\"OCString\">v.dll</ITEM><ITEM key=\"InstallationFile\" "
                                           "type=\"OCString\">" + tav::ToUtf8(victim) + "</ITEM></ITEM>");
                    t.Write(t.backup + L"v.dll", "backup's bytes");
                    t.Write(victim, "someone's file");
                    t.Replaced(victim);
                },
                "which lies outside the installation"},
        Refusal{"TokenWithALiteralFolderOutside",
                [](RestoreCommandTest& t) {
                    const std::wstring web = t.folder.PathOf("webroot");
                    t.WriteDescription("<ITEM key=\"Tokens\" type=\"OCContainer\"><ITEM key=\"Token0\" "
                                       "type=\"OCContainer\"><ITEM key=\"Name\" type=\"OCString\">[$WEB]</ITEM>"
                                       "<ITEM key=\"Path\" type=\"OCString\">" + tav::ToUtf8(web) + "\\</ITEM></ITEM></ITEM>",
                                       "<ITEM key=\"File\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" "
                                       "type=\"OCString\">c.asp</ITEM><ITEM key=\"InstallationFile\" "
                                       "type=\"OCString\">[$WEB]c.asp</ITEM></ITEM>");
                    t.Write(web + L"\\c.asp", "someone's file");
                    t.Added(web + L"\\c.asp");
                },
                "which lies outside the installation"},
        Refusal{"ServiceTheProductDoesNotStop",
                [](RestoreCommandTest& t) {
                    t.WriteDescription("<ITEM key=\"AffectedServices\" type=\"OCStringList\">"
                                       "<ITEM key=\"0\" type=\"OCStringListItem\">tavsvc</ITEM>"
                                       "<ITEM key=\"1\" type=\"OCStringListItem\">RemoteRegistry</ITEM></ITEM>");
                },
                "names the service RemoteRegistry among the affected services of Tarnova server"},
        Refusal{"BackupFolderNotBelowTupBkp",
                [](RestoreCommandTest& t) {
                    fs::rename(t.Native(t.install + L"_TupBkp"), t.Native(t.install + L"Bkp"));
                    t.backup = t.install + L"Bkp\\20261209_053000000_7.2.0.1_00012345\\";
                },
                "is not a run's folder in an installation's _TupBkp folder"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(RestoreCommandTest, TargetsOfOnePackageFileArePutBackEachFromItsOwnBackup) {
    // A second wildcard entry installs the same package files into another web folder.
    WriteDescription("", "<ITEM key=\"File\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" "
                         "type=\"OCString\">web\\sub\\*.asp</ITEM><ITEM key=\"InstallationFile\" "
                         "type=\"OCString\">[$TN_INSTALL_PATH]web2\\*.asp</ITEM></ITEM>");
    const std::wstring b2 = install + L"web2\\b.asp";
    Write(backup + L"web\\sub\\b~2.asp", "<% old b2 %>");
    Log(tav::kTextBackingUpFile, b2);
    Log(tav::kTextFileBackedUp, b2 + L" -> web\\sub\\b~2.asp");
    for (const std::wstring& path : {b, b2}) {
        Write(path, kNewB);
        Log(tav::kTextUpdatingFile, path);
        Log(tav::kTextFileUpdated, path);
    }

    const auto r = Restore();
    EXPECT_EQ(0, r.code) << r.out << r.err;
    EXPECT_EQ(kOldB, Read(b));
    EXPECT_EQ("<% old b2 %>", Read(b2));
    EXPECT_NE(std::string::npos, r.out.find("put back: " + tav::ToUtf8(backup) + "web\\sub\\b~2.asp -> " +
                                             tav::ToUtf8(b2) + "\n")) << r.out;

    // A named backup outside the backup folder is refused; one that is only missing, for a
    // file the run did not replace, was still owed by its swap (the other backups, which the
    // log no longer names, refuse the restore here).
    for (const auto& [name, refusedForIt] : {std::pair{std::wstring(L"web\\sub\\gone.asp"), false},
                                             std::pair{std::wstring(L"..\\..\\bin\\a.dll"), true}}) {
        log.clear();
        Log(tav::kTextBackingUpModule, L"Module");
        Log(tav::kTextBackingUpFile, b2);
        Log(tav::kTextFileBackedUp, b2 + L" -> " + name);
        fs::remove(Native(backup + L"web\\sub\\b~2.asp"));
        const auto refused = Restore();
        EXPECT_EQ(3, refused.code) << tav::ToUtf8(name);
        EXPECT_EQ(refusedForIt, refused.err.find("cannot tell which backup holds " + tav::ToUtf8(b2)) != std::string::npos)
            << refused.err;
    }
}

TEST_F(RestoreCommandTest, OutsideTheInstallationOnlyAFolderThisMachineNamesIsChanged) {
    // A module token reads a folder outside the installation from the product's key, as for a
    // web server's folder.
    const std::wstring web = folder.PathOf("webroot");
    machine.registry.PutString(sys::RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav", sys::RegistryView::Bits32,
                               L"WEBROOT", web + L"\\");
    WriteDescription("<ITEM key=\"Tokens\" type=\"OCContainer\"><ITEM key=\"Token0\" type=\"OCContainer\">"
                     "<ITEM key=\"Name\" type=\"OCString\">[$WEB]</ITEM><ITEM key=\"RegKeyValue\" type=\"OCString\">"
                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\WEBROOT</ITEM></ITEM></ITEM>",
                     "<ITEM key=\"File\" type=\"OCContainer\"><ITEM key=\"UpdatePackageFile\" type=\"OCString\">"
                     "c.asp</ITEM><ITEM key=\"InstallationFile\" type=\"OCString\">[$WEB]sub\\c.asp</ITEM></ITEM>");
    const std::wstring inside = web + L"\\sub\\c.asp", beside = web + L"\\other\\sub\\c.asp";
    Write(inside, "added");
    Write(beside, "someone's");
    const std::string start = log;
    Added(inside);
    const auto r = Restore();
    EXPECT_EQ(0, r.code) << r.err;
    EXPECT_FALSE(Exists(inside));

    // The same entry's template also matches a path in another folder: that one is refused.
    log = start;
    Added(beside);
    const auto before = Snapshot();
    const auto refused = Restore();
    EXPECT_EQ(3, refused.code);
    EXPECT_NE(std::string::npos, refused.err.find("which lies outside the installation")) << refused.err;
    EXPECT_EQ(before, Snapshot());
}

TEST_F(RestoreCommandTest, ALinkAtAStagedNameIsRemovedAndNeverWrittenThrough) {
    struct Case {
        const char* name;
        const wchar_t* linkAt;  // ending of a's name
        bool filePhaseReachedA;
    };
    const Case cases[] = {
        {"staged name, a replaced", L".tup~new", true},
        {"staged name, a only backed up", L".tup~new", false},
        {"old copy's name, a replaced", L".old", true},
    };
    const std::string start = log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log = start;
        const std::wstring victim = folder.PathOf("victim.dll");
        Write(victim, "someone's file");
        Write(a, c.filePhaseReachedA ? kNewA : kOldA);
        Write(b, kNewB);
        Log(tav::kTextUpdatingFile, b);
        Log(tav::kTextFileUpdated, b);
        if (c.filePhaseReachedA) {
            Log(tav::kTextUpdatingFile, a);
            Log(tav::kTextFileUpdated, a);
        }
        fs::remove(Native(a + c.linkAt));
        std::error_code made;
        fs::create_symlink(Native(victim), Native(a + c.linkAt), made);
        // Wine makes no symbolic links; the native run covers this case.
        if (made) GTEST_SKIP() << "no symbolic links here: " << made.message();

        const auto r = Restore();
        EXPECT_EQ(0, r.code) << r.out << r.err;
        EXPECT_EQ("someone's file", Read(victim));
        EXPECT_EQ(kOldA, Read(a));
        EXPECT_EQ(kOldB, Read(b));
        EXPECT_FALSE(fs::is_symlink(Native(a + c.linkAt)));
    }
}

TEST_F(RestoreCommandTest, AFileThatCannotBePutBackFailsTheRestoreButNotTheOthers) {
    Write(b, kNewB);
    Log(tav::kTextUpdatingFile, b);
    Log(tav::kTextFileUpdated, b);
    Log(tav::kTextUpdatingFile, a);
    Log(tav::kTextFileUpdated, a);
    // Where a's folder was, there is a file: nothing can be written below it.
    Write(install + L"bin", "not a folder");

    const auto r = Restore();
    EXPECT_EQ(1, r.code);
    EXPECT_NE(std::string::npos, r.out.find("failed: " + tav::ToUtf8(a) + " cannot be put back\n")) << r.out;
    EXPECT_EQ(kOldB, Read(b));
    EXPECT_NE(std::string::npos, r.out.find("restore: 1 of 2 files put back or removed\n")) << r.out;
}

TEST_F(RestoreCommandTest, StopsThePackagesServicesAroundTheFilesAndStartsThemAgain) {
    Write(a, kNewA);
    Write(b, kNewB);
    Log(tav::kTextUpdatingFile, b);
    Log(tav::kTextFileUpdated, b);
    Log(tav::kTextUpdatingFile, a);
    Log(tav::kTextFileUpdated, a);
    struct Case {
        const char* name;
        uint32_t tavSvcState;
        bool runStoppedTavSvc;  // the log says so and does not say it started it again
        bool spoolerRefusesStop;
        std::vector<std::wstring> requests;
        int code;
    };
    using sys::ServiceState::Running;
    using sys::ServiceState::Stopped;
    const Case cases[] = {
        {"both running", Running, false, false,
         {L"stop TavSvc", L"stop Spooler", L"start Spooler", L"start TavSvc"}, 0},
        {"the killed run had stopped TavSvc", Stopped, true, false,
         {L"stop Spooler", L"start Spooler", L"start TavSvc"}, 0},
        {"stopped before the run", Stopped, false, false, {L"stop Spooler", L"start Spooler"}, 0},
        {"Spooler will not stop: no file changes", Running, false, true,
         {L"stop TavSvc", L"stop Spooler", L"start TavSvc"}, 1},
    };
    const std::string start = log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log = start;
        if (c.runStoppedTavSvc) Log(tav::kTextServiceStopped, L"tavsvc");
        Log(tav::kTextServiceStopped, L"Spooler");
        Log(tav::kTextServiceStarted, L"Spooler");
        machine.services.Remove(L"TavSvc");
        machine.services.Remove(L"Spooler");
        machine.services.requests.clear();
        machine.services.Add(L"TavSvc", L"C:\\Tav\\TavSvc.exe", c.tavSvcState);
        auto& spooler = machine.services.Add(L"Spooler", L"C:\\Windows\\spoolsv.exe", Running);
        spooler.refusesStop = c.spoolerRefusesStop;
        Write(a, kNewA);

        const auto r = Restore();
        EXPECT_EQ(c.code, r.code) << r.out;
        EXPECT_EQ(c.requests, machine.services.requests);
        EXPECT_EQ(c.code == 0 ? kOldA : kNewA, Read(a));
        if (c.code == 0) {
            // Stopped before the first file, started after the last.
            EXPECT_LT(r.out.find("stopped: Spooler"), r.out.find("restored:"));
            EXPECT_GT(r.out.find("started: Spooler"), r.out.rfind("restored:"));
        }
    }
}

TEST(RestoreCommandUsageTest, WrongCommandLinesAreUsageErrors) {
    EXPECT_EQ(2, RunTool({L"restore"}).code);
    EXPECT_EQ(2, RunTool({L"restore", L"a", L"b"}).code);
    EXPECT_EQ(2, RunTool({L"restore", L"a", L"--force"}).code);
    EXPECT_EQ(2, RunTool({L"restore", L"a", L"--package"}).code);
    const auto help = RunTool({L"restore", L"--help"});
    EXPECT_EQ(0, help.code);
    EXPECT_EQ(0u, help.out.find("usage: tavpkg restore BACKUP_FOLDER [--dry-run]"));
}

}  // namespace
