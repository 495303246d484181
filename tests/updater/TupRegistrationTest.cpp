// The phases of ApplyUpdate after the files (registration, registry values, tokens in files,
// shortcuts, commands) and the base LaunchExecutables: command lines, reports and results.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "base/WideText.h"
#include "updater/TupModuleUpdaterTestWorld.h"

namespace {

using updater_tests::Seen;
using updater_tests::UpdaterWorld;
using Strings = std::vector<std::wstring>;

constexpr uint32_t kRunning = tav::kTextRunningCommand;       // 53167
constexpr uint32_t kStarted = tav::kTextCommandStarted;       // 53168
constexpr uint32_t kNotStarted = tav::kTextCommandNotStarted; // 53169

// The base updater with its registration phases opened for the tests.
class RegistrationUpdater : public CTupModuleUpdater {
public:
    using CTupModuleUpdater::RegisterAndRunCommands;
    using CTupModuleUpdater::RegisterNetObjects;
};

CTupExecutableFile Executable(const std::wstring& path, const std::wstring& parameter,
                              uint32_t wait) {
    CTupExecutableFile executable;
    executable.SetPath(path);
    executable.SetParameter(parameter);
    executable.SetWaitTillEnd(wait);
    return executable;
}

class TupRegistrationTest : public ::testing::Test {
protected:
    TupRegistrationTest() {
        world.machine.environment.variables[L"SystemRoot"] = L"C:\\Windows";
        updater.Attach(world.manager.get(), &world.texts, &world.language);
        world.TakeReports();
    }

    Strings CommandLines() const {
        Strings lines;
        for (const auto& start : world.machine.launcher.starts) lines.push_back(start.commandLine);
        return lines;
    }

    // Each command reported as run, then as started.
    static std::vector<Seen> RanAndStarted(const Strings& commands) {
        std::vector<Seen> seen;
        for (const auto& command : commands) {
            seen.push_back({kRunning, command});
            seen.push_back({kStarted, command});
        }
        return seen;
    }

    UpdaterWorld world;
    RegistrationUpdater updater;
};

TEST_F(TupRegistrationTest, ComServersRegisterThroughRegsvr32OrThemselves) {
    updater.ObjectsToRegister() = {L"x.dll", L"[$TN_INSTALL_PATH]bin\\y.dll", L"Server.EXE",
                                   L"[$TN_INSTALL_PATH]tool.exe.bak", L"sub.exe\\plain"};

    EXPECT_EQ(1, updater.RegisterAndRunCommands());

    // A plain entry is below the install folder; a token entry is taken as resolved.
    const Strings expected = {
        L"regsvr32.exe /s \"C:\\TAV\\x.dll\"",
        L"regsvr32.exe /s \"C:\\TAV\\bin\\y.dll\"",
        L"\"C:\\TAV\\Server.EXE\" /regserver",
        L"regsvr32.exe /s \"C:\\TAV\\tool.exe.bak\"",
        L"regsvr32.exe /s \"C:\\TAV\\sub.exe\\plain\"",
    };
    EXPECT_EQ(expected, CommandLines());
    for (const auto& start : world.machine.launcher.starts) EXPECT_TRUE(start.waited);
    EXPECT_EQ(RanAndStarted(expected), world.TakeReports());
    EXPECT_EQ(0, world.owner.statusLines);  // result-log lines only
}

TEST_F(TupRegistrationTest, AssembliesRegisterWithRegasmOfEachFramework) {
    updater.NetObjectsToRegister() = {L"[$TN_INSTALL_PATH]n2.dll"};
    updater.Net4ObjectsToRegister() = {L"n4.dll", L"[$TN_INSTALL_PATH]m4.dll"};
    world.machine.launcher.failing = {L"m4.dll"};

    // Assemblies are not registration entries: their outcome leaves the result alone.
    EXPECT_EQ(1, updater.RegisterAndRunCommands());

    const std::wstring v2 = L"C:\\Windows\\Microsoft.NET\\Framework\\v2.0.50727\\regasm";
    const std::wstring v4 = L"C:\\Windows\\Microsoft.NET\\Framework\\v4.0.30319\\regasm";
    const std::wstring flags = L" /codebase /silent /nologo /tlb";
    // No install folder in front of an assembly without a token.
    EXPECT_EQ((Strings{v2 + L" \"C:\\TAV\\n2.dll\"" + flags, v4 + L" \"n4.dll\"" + flags}),
              CommandLines());
    const std::vector<Seen> expected = {
        {tav::kTextReadingWindowsFolder, L""},
        {tav::kTextWindowsFolder, L"C:\\Windows\\"},
        {kRunning, v2 + L" \"C:\\TAV\\n2.dll\"" + flags},
        {kStarted, v2 + L" \"C:\\TAV\\n2.dll\"" + flags},
        {tav::kTextReadingWindowsFolder, L""},
        {tav::kTextWindowsFolder, L"C:\\Windows\\"},
        {kRunning, v4 + L" \"n4.dll\"" + flags},
        {kStarted, v4 + L" \"n4.dll\"" + flags},
        {kRunning, v4 + L" \"C:\\TAV\\m4.dll\"" + flags},
        {kNotStarted, v4 + L" \"C:\\TAV\\m4.dll\"" + flags},
    };
    EXPECT_EQ(expected, world.TakeReports());
}

TEST_F(TupRegistrationTest, WithoutSystemRootTheRegasmPathStaysRelative) {
    world.machine.environment.variables.clear();
    updater.RegisterNetObjects({L"a.dll"}, L"v4.0.30319");
    EXPECT_EQ((Strings{L"Microsoft.NET\\Framework\\v4.0.30319\\regasm \"a.dll\" /codebase "
                       L"/silent /nologo /tlb"}),
              CommandLines());
    const auto reports = world.TakeReports();
    ASSERT_EQ(4u, reports.size());
    EXPECT_EQ((Seen{tav::kTextReadingWindowsFolder, L""}), reports[0]);
    EXPECT_EQ((Seen{tav::kTextSystemRootNotSet, L""}), reports[1]);

    // A root that already ends with a backslash gets no second one.
    world.machine.environment.variables[L"SYSTEMROOT"] = L"D:\\Win\\";
    updater.RegisterNetObjects({L"b.dll"}, L"v2.0.50727");
    EXPECT_EQ(L"D:\\Win\\Microsoft.NET\\Framework\\v2.0.50727\\regasm \"b.dll\" /codebase "
              L"/silent /nologo /tlb",
              CommandLines().back());
    EXPECT_EQ((Seen{tav::kTextWindowsFolder, L"D:\\Win\\"}), world.TakeReports()[1]);
}

TEST_F(TupRegistrationTest, TheLastRegistrationOrCommandDecidesTheResult) {
    struct Case {
        Strings objects;
        Strings commands;
        Strings failing;
        int result;
    };
    const Case cases[] = {
        {{}, {}, {}, 1},                                  // nothing ran
        {{L"a.dll", L"b.dll"}, {}, {L"a.dll"}, 1},        // only the first failed
        {{L"a.dll", L"b.dll"}, {}, {L"b.dll"}, 0},        // the last failed
        {{L"a.dll"}, {L"cmd /c ok"}, {L"a.dll"}, 1},      // a command overrides a registration
        {{L"a.dll"}, {L"cmd /c bad"}, {L"bad"}, 0},
        {{}, {L"cmd /c bad", L"cmd /c ok"}, {L"bad"}, 1},
    };
    for (const auto& c : cases) {
        RegistrationUpdater fresh;
        fresh.Attach(world.manager.get(), &world.texts, &world.language);
        fresh.ObjectsToRegister() = c.objects;
        fresh.CommandsToExecute() = c.commands;
        world.machine.launcher.failing = c.failing;
        const size_t entries = c.objects.size() + c.commands.size();
        SCOPED_TRACE(entries);
        EXPECT_EQ(c.result, fresh.RegisterAndRunCommands());
        // Every entry is tried, also after a failure.
        size_t tried = 0;
        for (const auto& seen : world.TakeReports()) tried += seen.id == kRunning;
        EXPECT_EQ(entries, tried);
    }
}

TEST_F(TupRegistrationTest, PhasesRunInTheirOrderWithTheirReports) {
    auto& registry = world.machine.registry;
    registry.PutString(sys::RegistryRoot::LocalMachine, L"SOFTWARE\\K", sys::RegistryView::Bits32,
                       L"kept", L"old");
    world.machine.files.AddFile(L"C:\\TAV\\web\\web.config", "host=%HOST%");
    world.machine.files.AddFile(L"C:\\TAV\\setup.cmd");
    world.machine.shell.folders[23] = L"C:\\ProgramData\\Programs";
    world.machine.files.AddFolder(L"C:\\ProgramData\\Programs\\Tarnova");

    updater.ObjectsToRegister() = {L"x.dll"};
    updater.Net4ObjectsToRegister() = {L"n.dll"};
    CTupRegistryKey kept;
    kept.SetKeyName(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\K");
    kept.SetValueName(L"kept");
    kept.SetStringValue(L"new");
    CTupRegistryKey path;
    path.SetKeyName(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\K");
    path.SetValueName(L"Path");
    path.SetStringValue(L"[$TN_INSTALL_PATH]");
    updater.RegistryKeys() = {kept, path};
    CTupRegistryKey wide;
    wide.SetKeyName(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\K64");
    wide.SetValueName(L"n");
    wide.SetNumberValue(64);
    updater.RegistryKeys64() = {wide};
    CTupFileTokenReplacement replacement;
    replacement.SetFile(L"[$TN_INSTALL_PATH]web\\web.config");
    replacement.SetToken(L"%HOST%");
    replacement.SetReplacement(L"srv01");
    updater.TokensToReplaceInFiles() = {replacement};
    CTupShortCut shortcut;
    shortcut.SetTitle(L"Tarnova");
    shortcut.SetExecutablePath(L"[$TN_INSTALL_PATH]Tav.exe");
    shortcut.SetType(L"COMMON_PROGRAMS");
    shortcut.SetSubFolder(L"Tarnova");
    updater.ShortCuts() = {shortcut};
    updater.CommandsToExecute() = {L"[$TN_INSTALL_PATH]setup.cmd /q"};

    EXPECT_EQ(1, updater.RegisterAndRunCommands());

    const std::wstring regasm =
        L"C:\\Windows\\Microsoft.NET\\Framework\\v4.0.30319\\regasm \"n.dll\" /codebase /silent "
        L"/nologo /tlb";
    const std::wstring tool =
        L"\"C:\\Update\\package\\ReplaceTokenInFile.exe\" \"C:\\TAV\\web\\web.config\" "
        L"\"%HOST%\" \"srv01\"";
    EXPECT_EQ((Strings{L"regsvr32.exe /s \"C:\\TAV\\x.dll\"", regasm, tool,
                       L"C:\\TAV\\setup.cmd /q"}),
              CommandLines());
    EXPECT_TRUE(world.machine.launcher.starts[2].waited);  // the file tool is waited for
    const std::vector<Seen> expected = {
        {kRunning, L"regsvr32.exe /s \"C:\\TAV\\x.dll\""},
        {kStarted, L"regsvr32.exe /s \"C:\\TAV\\x.dll\""},
        {tav::kTextReadingWindowsFolder, L""},
        {tav::kTextWindowsFolder, L"C:\\Windows\\"},
        {kRunning, regasm},
        {kStarted, regasm},
        {tav::kTextWritingRegistryValue, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\K"},
        {tav::kTextWritingRegistryValue, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\K"},
        {tav::kTextWritingRegistryValue, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\K64"},
        {tav::kTextReplacingTokenInFile,
         L"file = 'C:\\TAV\\web\\web.config', token='%HOST%', replacement='srv01'"},
        {tav::kTextWritingRegistryValue, L"Tarnova"},
        {kRunning, L"C:\\TAV\\setup.cmd /q"},
        {kStarted, L"C:\\TAV\\setup.cmd /q"},
    };
    EXPECT_EQ(expected, world.TakeReports());
    EXPECT_EQ(0, world.owner.statusLines);

    // Registry values: an existing one stays, new ones are written in their own view.
    using sys::RegistryRoot;
    using sys::RegistryView;
    const auto* keptValue = registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\K",
                                         RegistryView::Bits32, L"kept");
    ASSERT_NE(nullptr, keptValue);
    EXPECT_EQ(fakes::RegString(L"old"), keptValue->data);
    const auto* pathValue = registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\K",
                                         RegistryView::Bits32, L"Path");
    ASSERT_NE(nullptr, pathValue);
    EXPECT_EQ(fakes::RegString(L"C:\\TAV\\"), pathValue->data);
    EXPECT_NE(nullptr, registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\K64",
                                    RegistryView::Bits64, L"n"));
    EXPECT_EQ(nullptr, registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\K64",
                                    RegistryView::Bits32, L"n"));
    ASSERT_EQ(1u, world.machine.shell.shortcuts.size());
    EXPECT_EQ(L"C:\\ProgramData\\Programs\\Tarnova\\Tarnova.lnk",
              world.machine.shell.shortcuts[0].first);
    EXPECT_EQ(L"C:\\TAV\\Tav.exe", world.machine.shell.shortcuts[0].second.target);
}

TEST_F(TupRegistrationTest, TokenReplacementInAMissingFileIsReportedButStartsNothing) {
    CTupFileTokenReplacement replacement;
    replacement.SetFile(L"[$TN_INSTALL_PATH]missing.ini");
    replacement.SetToken(L"@A@");
    replacement.SetReplacement(L"[$TN_INSTALL_PATH]");
    updater.TokensToReplaceInFiles() = {replacement};

    EXPECT_EQ(1, updater.RegisterAndRunCommands());

    EXPECT_TRUE(world.machine.launcher.starts.empty());
    EXPECT_EQ((std::vector<Seen>{{tav::kTextReplacingTokenInFile,
                                  L"file = 'C:\\TAV\\missing.ini', token='@A@', "
                                  L"replacement='C:\\TAV\\'"}}),
              world.TakeReports());
}

TEST_F(TupRegistrationTest, LaunchExecutablesWaitsOnlyWhereAskedAndAnswersTheLastOutcome) {
    updater.ExecutablesToLaunch() = {Executable(L"[$TN_INSTALL_PATH]a.exe", L"/x [$TN_INSTALL_PATH]", 0),
                                     Executable(L"C:\\Tools\\b.exe", L"", 1)};

    EXPECT_EQ(1, updater.LaunchExecutables());

    // Tokens are replaced in the path only; the parameters go as they are.
    const auto& starts = world.machine.launcher.starts;
    ASSERT_EQ(2u, starts.size());
    EXPECT_EQ(L"C:\\TAV\\a.exe /x [$TN_INSTALL_PATH]", starts[0].commandLine);
    EXPECT_FALSE(starts[0].waited);
    EXPECT_EQ(L"C:\\Tools\\b.exe", starts[1].commandLine);
    EXPECT_TRUE(starts[1].waited);
    const std::vector<Seen> expected = {
        {kRunning, L"C:\\TAV\\a.exe /x [$TN_INSTALL_PATH]"},
        {kStarted, L"C:\\TAV\\a.exe"},
        {kRunning, L"C:\\Tools\\b.exe "},
        {kStarted, L"C:\\Tools\\b.exe"},
    };
    EXPECT_EQ(expected, world.TakeReports());

    // Only the last program decides.
    world.machine.launcher.failing = {L"b.exe"};
    EXPECT_EQ(0, updater.LaunchExecutables());
    EXPECT_EQ((Seen{kNotStarted, L"C:\\Tools\\b.exe"}), world.TakeReports().back());
    world.machine.launcher.failing = {L"a.exe"};
    EXPECT_EQ(1, updater.LaunchExecutables());

    // An empty list succeeds without a report.
    RegistrationUpdater empty;
    empty.Attach(world.manager.get(), &world.texts, &world.language);
    world.TakeReports();
    EXPECT_EQ(1, empty.LaunchExecutables());
    EXPECT_TRUE(world.TakeReports().empty());
}

TEST_F(TupRegistrationTest, LaunchExecutablesAnswersTheRunsResultWithoutStartingAgain) {
    updater.ExecutablesToLaunch() = {Executable(L"C:\\Tools\\b.exe", L"", 0)};
    updater.SetBaseLaunchResult(0);
    EXPECT_EQ(0, updater.LaunchExecutables());
    EXPECT_TRUE(world.machine.launcher.starts.empty());
    updater.SetBaseLaunchResult(-1);
    EXPECT_EQ(1, updater.LaunchExecutables());
    EXPECT_EQ(1u, world.machine.launcher.starts.size());
}

// The file each kind of program starts, recorded by the fake machine with its command line.
TEST_F(TupRegistrationTest, EachKindOfProgramStartsTheFileItNames) {
    const std::wstring system = L"C:\\Windows\\system32\\";
    const std::wstring regasm = L"C:\\Windows\\Microsoft.NET\\Framework\\v4.0.30319\\regasm";
    struct Case {
        std::function<void(RegistrationUpdater&)> set;
        std::wstring program;
        std::wstring commandLine;
    };
    const Case cases[] = {
        {[](auto& u) { u.ObjectsToRegister() = {L"x.dll"}; }, system + L"regsvr32.exe",
         L"regsvr32.exe /s \"C:\\TAV\\x.dll\""},
        {[](auto& u) { u.ObjectsToRegister() = {L"Server.exe"}; }, L"C:\\TAV\\Server.exe",
         L"\"C:\\TAV\\Server.exe\" /regserver"},
        {[](auto& u) { u.Net4ObjectsToRegister() = {L"n.dll"}; }, regasm + L".exe",
         regasm + L" \"n.dll\" /codebase /silent /nologo /tlb"},
        {[](auto& u) { u.CommandsToExecute() = {L"msiexec.exe /x {1} /qn"}; },
         system + L"msiexec.exe", L"msiexec.exe /x {1} /qn"},
        {[](auto& u) { u.CommandsToExecute() = {L"cscript //nologo [$TN_INSTALL_PATH]a.vbs"}; },
         system + L"cscript.exe", L"cscript //nologo C:\\TAV\\a.vbs"},
        {[](auto& u) { u.ExecutablesToLaunch() = {Executable(L"[$TN_INSTALL_PATH]a.exe", L"/s", 0)}; },
         L"C:\\TAV\\a.exe", L"C:\\TAV\\a.exe /s"},
    };
    for (const Case& c : cases) {
        RegistrationUpdater one;
        one.Attach(world.manager.get(), &world.texts, &world.language);
        c.set(one);
        world.machine.launcher.starts.clear();
        one.RegisterAndRunCommands();
        one.LaunchExecutables();
        ASSERT_EQ(1u, world.machine.launcher.starts.size()) << c.commandLine;
        EXPECT_EQ(c.program, world.machine.launcher.starts[0].program);
        EXPECT_EQ(c.commandLine, world.machine.launcher.starts[0].commandLine);
    }
}

// An install folder with a blank: the programs below it are started as named, never a file
// made of the folder's first word ("D:\Tarnova.exe"); the log keeps its words.
TEST(TupRegistrationBlankFolderTest, ProgramsBelowAnInstallFolderWithABlankStartAsNamed) {
    UpdaterWorld world(L"D:\\TARNOVA SERVER\\");  // as the process list gives it
    RegistrationUpdater updater;
    updater.Attach(world.manager.get(), &world.texts, &world.language);
    updater.ExecutablesToLaunch() = {Executable(L"[$TN_INSTALL_PATH]Monitor.exe", L"/s", 1)};
    updater.ObjectsToRegister() = {L"Server.exe"};
    world.TakeReports();

    EXPECT_EQ(1, updater.RegisterAndRunCommands());
    EXPECT_EQ(1, updater.LaunchExecutables());

    const auto& starts = world.machine.launcher.starts;
    ASSERT_EQ(2u, starts.size());
    EXPECT_EQ(L"D:\\TARNOVA SERVER\\Server.exe", starts[0].program);
    EXPECT_EQ(L"D:\\TARNOVA SERVER\\Monitor.exe", starts[1].program);
    EXPECT_EQ(L"\"D:\\TARNOVA SERVER\\Monitor.exe\" /s", starts[1].commandLine);
    const auto reports = world.TakeReports();
    ASSERT_EQ(4u, reports.size());
    EXPECT_EQ((Seen{kRunning, L"D:\\TARNOVA SERVER\\Monitor.exe /s"}), reports[2]);
}

// A quote inside a value that goes between quotes is refused as a program that could not be
// started (53169), and nothing starts.
TEST_F(TupRegistrationTest, AQuoteInsideAQuotedValueIsReportedAsNotStarted) {
    struct Case {
        std::function<void(RegistrationUpdater&)> set;
        std::wstring reported;
        int result;  // of RegisterAndRunCommands, then LaunchExecutables
    };
    const Case cases[] = {
        {[](auto& u) { u.ObjectsToRegister() = {L"x\" /u \"y.dll"}; },
         L"regsvr32.exe /s \"C:\\TAV\\x\" /u \"y.dll\"", 0},
        {[](auto& u) { u.ObjectsToRegister() = {L"[$TN_INSTALL_PATH]a\" b.exe"}; },
         L"\"C:\\TAV\\a\" b.exe\" /regserver", 0},
        {[](auto& u) { u.Net4ObjectsToRegister() = {L"n\" /unregister \"m.dll"}; },
         L"C:\\Windows\\Microsoft.NET\\Framework\\v4.0.30319\\regasm \"n\" /unregister "
         L"\"m.dll\" /codebase /silent /nologo /tlb",
         1},
        {[](auto& u) { u.ExecutablesToLaunch() = {Executable(L"C:\\A\" B\\b.exe", L"/x", 1)}; },
         L"C:\\A\" B\\b.exe /x", 0},
    };
    for (const Case& c : cases) {
        RegistrationUpdater one;
        one.Attach(world.manager.get(), &world.texts, &world.language);
        c.set(one);
        world.TakeReports();
        const int result = one.ExecutablesToLaunch().empty() ? one.RegisterAndRunCommands()
                                                             : one.LaunchExecutables();
        EXPECT_EQ(c.result, result) << c.reported;
        EXPECT_TRUE(world.machine.launcher.starts.empty()) << c.reported;
        const auto reports = world.TakeReports();
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(kNotStarted, reports.back().id) << c.reported;
        EXPECT_NE(std::find(reports.begin(), reports.end(), Seen{kRunning, c.reported}),
                  reports.end())
            << c.reported;
    }
}

}  // namespace
