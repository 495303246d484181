// The remote print server's updater on the real registry and file system: the data folder
// value under the TavAps key of the 32-bit view, the folder made on disk, and the secure
// channel values in the 32-bit view only.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "modules/TupRvxUpdater.h"
#include "updater/TupModuleUpdaterTestWorld.h"
#include "win/WinScratchFolder.h"
#include "win/WinTestSupport.h"
#include "win/WinUpdaterSupport.h"

namespace {

DWORD DwordOf(const wintest::ScratchKey::RawValue& value) {
    DWORD number = 0xFFFFFFFF;
    if (value.present && value.type == REG_DWORD && value.bytes.size() == 4) {
        std::memcpy(&number, value.bytes.data(), 4);
    }
    return number;
}

TEST(TupRvxUpdaterWin, DataFolderAndSecureChannelLandInThe32BitViewOfTheRemoteServerKey) {
    // The product key belongs to this test while it runs.
    wintest::ScratchKey product(L"Kelmark");
    wintest::WinScratchFolder install;
    wintest::WinScratchFolder wizard;
    ASSERT_TRUE(install.Made() && wizard.Made());
    wintest::StagedMachine staged(wizard.PathOf(L"TavUpdateWizard.exe"), install.PathOf(L"TavAps.exe"));
    updater_tests::IdTexts texts;
    const std::wstring language = L"EN";
    uint32_t enforce = 0;
    CTupManager manager(&texts, &language, enforce);
    ASSERT_TRUE(manager.RunsTavAps());
    manager.SetEnforceSecureChannelInternal(1);
    CTupRvxUpdater updater;
    updater.Attach(&manager, &texts, &language);

    EXPECT_EQ(1, updater.PrepareUpdate());

    const std::wstring dataFolder = manager.InstallFolder() + L"Data\\";
    const wintest::ScratchKey::RawValue stored = product.Read(false, L"Tav\\TavAps", L"DataFolder");
    EXPECT_EQ(wintest::StringBytes(dataFolder), stored.bytes);
    EXPECT_FALSE(product.Read(false, L"Tav", L"DataFolder").present);
    const DWORD attributes = GetFileAttributesW(dataFolder.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_EQ(1u, DwordOf(product.Read(false, L"Tav\\TavAps\\TcpServer", L"ForceHttps")));
    EXPECT_EQ(8443u, DwordOf(product.Read(false, L"Tav\\TavAps\\TcpServer", L"HttpsPort")));
    EXPECT_FALSE(product.Exists(true, L"Tav"));
}

}  // namespace
