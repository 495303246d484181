// The spooler and redirection interfaces over the real Windows calls, and the print processor
// updater on them: what Wine shows is its folder, its two print processors, and a registration
// that succeeds without being listed afterwards.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "modules/TupJqxPrintUpdater.h"
#include "system/Machine.h"
#include "system/win32/Win32Spooler.h"

namespace {

bool Lists(const std::vector<std::wstring>& names, const wchar_t* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(SpoolerWin, ThePrintProcessorFolderIsTheSpoolersForX64) {
    std::wstring folder;
    ASSERT_TRUE(sys::HostMachine().spooler->GetPrintProcessorFolder(folder));
    EXPECT_TRUE(tav::FoldEquals(L"C:\\windows\\system32\\spool\\prtprocs\\x64", folder))
        << tav::ToUtf8(folder);
}

TEST(SpoolerWin, PrintProcessorsAreListedWhateverTheFirstBufferHolds) {
    std::vector<std::wstring> expected;
    ASSERT_TRUE(sys::HostMachine().spooler->ListPrintProcessors(expected));
    EXPECT_TRUE(Lists(expected, L"winprint"));
    EXPECT_TRUE(Lists(expected, L"wineps"));
    // Too small a first buffer makes the second attempt take the size the spooler asks for.
    for (const uint32_t firstBytes : {0u, 8u, 24u, 1024u, 65536u}) {
        SCOPED_TRACE(firstBytes);
        sys::win32::Win32Spooler spooler(firstBytes);
        std::vector<std::wstring> names{L"stale"};
        ASSERT_TRUE(spooler.ListPrintProcessors(names));
        EXPECT_EQ(expected, names);
    }
}

TEST(SpoolerWin, RegistrationIsAnsweredWithSuccess) {
    sys::ISpooler& spooler = *sys::HostMachine().spooler;
    EXPECT_TRUE(spooler.RegisterPrintProcessor(L"JqxPrint.dll", L"JqxPrint"));
    std::vector<std::wstring> names;
    ASSERT_TRUE(spooler.ListPrintProcessors(names));
    EXPECT_TRUE(Lists(names, L"winprint"));
}

TEST(Wow64Win, TheSixtyFourBitProgramIsOn64BitWindowsAndSwitchingRedirectionIsANoOp) {
    sys::IWow64& wow64 = *sys::HostMachine().wow64;
    EXPECT_TRUE(wow64.Is64BitWindows());
    const DWORD before = GetFileAttributesW(L"C:\\windows\\system32\\kernel32.dll");
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, before);
    EXPECT_TRUE(wow64.SetRedirection(false));
    EXPECT_EQ(before, GetFileAttributesW(L"C:\\windows\\system32\\kernel32.dll"));
    EXPECT_TRUE(wow64.SetRedirection(true));
    EXPECT_EQ(before, GetFileAttributesW(L"C:\\windows\\system32\\kernel32.dll"));
}

TEST(SpoolerWin, ThePrintProcessorUpdaterPreparesAndRegistersThroughTheRealSpooler) {
    CTupJqxPrintUpdater updater;  // no manager: nothing is reported
    CTupModuleFile x64;
    x64.SetUpdatePackageFile(L"x64\\JqxPrint.dll");
    x64.SetInstallationFile(L"[$PRINT_PROCESSOR_DIRECTORY]JqxPrint.dll");
    CTupModuleFile x86 = x64;
    x86.SetUpdatePackageFile(L"x86\\JqxPrint.dll");
    updater.Files() = {x86, x64};

    ASSERT_EQ(1, updater.PrepareUpdate());
    ASSERT_EQ(1u, updater.Files().size());
    EXPECT_EQ(L"x64\\JqxPrint.dll", updater.Files().front().UpdatePackageFile());
    EXPECT_TRUE(tav::FoldEquals(L"C:\\windows\\system32\\spool\\prtprocs\\x64\\JqxPrint.dll",
                                updater.Files().front().InstallationFile()));

    // Wine lists no JqxPrint after registering it, so every run registers it again.
    EXPECT_EQ(1, updater.LaunchExecutables());
    EXPECT_EQ(1, updater.LaunchExecutables());
}

}  // namespace
