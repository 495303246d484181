// Registry items written to the real registry: each view on its own, existing values kept.
#include <gtest/gtest.h>

#include "updater/TupRegistryKey.h"
#include "win/WinTestSupport.h"

namespace {

using wintest::ScratchKey;
using wintest::StringBytes;

TEST(TupRegistryKeyWin, EachViewIsWrittenOnItsOwnAndExistingValuesStay) {
    ScratchKey key(L"TavRegistryKeyWinTest");
    ASSERT_TRUE(key.WriteString(false, L"", L"Path", L"old32"));

    CTupRegistryKey item;
    item.SetKeyName(key.Path(L"Web"));
    item.SetValueName(L"Path");
    item.SetStringValue(L"new");
    item.Write(nullptr, false, false);  // the key Web does not exist yet: it is created
    EXPECT_EQ(StringBytes(L"new"), key.Read(false, L"Web", L"Path").bytes);
    EXPECT_FALSE(key.Exists(true, L"Web"));

    // The value exists only in the 32-bit view: the 64-bit view still gets it.
    item.SetKeyName(key.Path());
    item.Write(nullptr, true, false);
    auto value64 = key.Read(true, L"", L"Path");
    ASSERT_TRUE(value64.present);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value64.type);
    EXPECT_EQ(StringBytes(L"new"), value64.bytes);
    EXPECT_EQ(StringBytes(L"old32"), key.Read(false, L"", L"Path").bytes);

    // Written again with another value: the first stays in both views, unless overwriting.
    item.SetStringValue(L"newer");
    item.Write(nullptr, true, false);
    item.Write(nullptr, false, false);
    EXPECT_EQ(StringBytes(L"new"), key.Read(true, L"", L"Path").bytes);
    EXPECT_EQ(StringBytes(L"old32"), key.Read(false, L"", L"Path").bytes);
    item.Write(nullptr, false, true);
    EXPECT_EQ(StringBytes(L"newer"), key.Read(false, L"", L"Path").bytes);
}

TEST(TupRegistryKeyWin, ANumberIsADword) {
    ScratchKey key(L"TavRegistryKeyWinTest");
    CTupRegistryKey item;
    item.SetKeyName(key.Path());
    item.SetValueName(L"Port");
    item.SetNumberValue(8443);
    item.Write(nullptr, true, false);
    auto value = key.Read(true, L"", L"Port");
    ASSERT_TRUE(value.present);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type);
    EXPECT_EQ((std::vector<uint8_t>{0xFB, 0x20, 0, 0}), value.bytes);
    EXPECT_FALSE(key.Read(false, L"", L"Port").present);
}

}  // namespace
