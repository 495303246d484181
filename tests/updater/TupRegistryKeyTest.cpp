// A registry item: its keys (loading only), and Write with the overwrite rule in both views.
#include "updater/TupRegistryKey.h"

#include <gtest/gtest.h>

#include "base/WideText.h"
#include "updater/TupItemTestSupport.h"

namespace {

using item_tests::MakeToken;
using item_tests::TestReplacer;
using sys::RegistryRoot;
using sys::RegistryView;

const std::wstring kKey = L"SOFTWARE\\Kelmark\\Tav\\Web";

class TupRegistryKeyTest : public ::testing::Test {
protected:
    TupRegistryKeyTest() : replacer(&world.Manager()) {}

    const sys::RegistryValue* Value(RegistryView view, const std::wstring& name,
                                    const std::wstring& key = kKey) {
        return world.machine.registry.Get(RegistryRoot::LocalMachine, key, view, name);
    }
    std::wstring Text(const sys::RegistryValue* value) {
        return tav::FromUtf16Le(value->data.data(), value->data.size());
    }

    item_tests::ItemWorld world;
    TestReplacer replacer;
};

CTupRegistryKey Loaded(ObjContainer& section) {
    CTupRegistryKey key;
    key.Load(&section);
    return key;
}

TEST_F(TupRegistryKeyTest, ValueKindDecidesStringOrNumberAndStoringWritesNothing) {
    ObjContainer section;
    section.SetString(L"KeyName", L"HKEY_LOCAL_MACHINE\\" + kKey);
    section.SetString(L"ValueName", L"Path");
    section.SetString(L"Value", L"[$TN_INSTALL_PATH]web");
    CTupRegistryKey text = Loaded(section);
    EXPECT_EQ(L"HKEY_LOCAL_MACHINE\\" + kKey, text.KeyName());
    EXPECT_EQ(L"Path", text.ValueName());
    EXPECT_EQ(L"[$TN_INSTALL_PATH]web", text.StringValue());
    EXPECT_EQ(1u, text.IsString());
    EXPECT_EQ(0u, text.Save()->Count());

    section.SetUnsignedLong(L"Value", 443);
    CTupRegistryKey number = Loaded(section);
    EXPECT_EQ(0u, number.IsString());
    EXPECT_EQ(443u, number.NumberValue());
    EXPECT_TRUE(number.StringValue().empty());

    ObjContainer noValue;
    CTupRegistryKey empty = Loaded(noValue);
    EXPECT_EQ(0u, empty.IsString());
    EXPECT_EQ(0u, empty.NumberValue());
    EXPECT_TRUE(empty.KeyName().empty());
}

TEST_F(TupRegistryKeyTest, WriteReplacesTokensAndCreatesTheKey) {
    replacer.tokens.push_back(MakeToken(L"[$SUB]", L"Web"));
    CTupRegistryKey item;
    item.SetKeyName(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\[$SUB]");
    item.SetValueName(L"[$SUB]Path");
    item.SetStringValue(L"[$TN_INSTALL_PATH]web\\");
    EXPECT_EQ(L"HKEY_LOCAL_MACHINE\\" + kKey, item.GetKeyName(&replacer));
    EXPECT_EQ(item.KeyName(), item.GetKeyName(nullptr));
    item.Write(&replacer, false, false);
    const auto* value = Value(RegistryView::Bits32, L"WebPath");
    ASSERT_NE(nullptr, value);
    EXPECT_EQ(sys::RegType::String, value->type);
    EXPECT_EQ(L"C:\\TAV\\web\\", Text(value));
    EXPECT_EQ(nullptr, Value(RegistryView::Bits64, L"WebPath"));
    EXPECT_EQ(L"[$TN_INSTALL_PATH]web\\", item.StringValue());  // the stored field stays
}

TEST_F(TupRegistryKeyTest, ANumberWritesADwordAndAnExistingValueIsKept) {
    ObjContainer section;
    section.SetString(L"KeyName", L"HKEY_LOCAL_MACHINE\\" + kKey);
    section.SetString(L"ValueName", L"Port");
    section.SetUnsignedLong(L"Value", 443);
    Loaded(section).Write(&replacer, false, false);
    const auto* value = Value(RegistryView::Bits32, L"Port");
    ASSERT_NE(nullptr, value);
    EXPECT_EQ(sys::RegType::Dword, value->type);
    EXPECT_EQ((std::vector<uint8_t>{0xBB, 0x01, 0, 0}), value->data);

    // The same item with another value, as a later update would write it: the first stays.
    section.SetUnsignedLong(L"Value", 80);
    const int writes = world.machine.registry.writes;
    Loaded(section).Write(&replacer, false, false);
    EXPECT_EQ(writes, world.machine.registry.writes);
    EXPECT_EQ(0xBB, Value(RegistryView::Bits32, L"Port")->data[0]);
    // A string of another letter case is the same value.
    section.SetString(L"ValueName", L"PORT");
    Loaded(section).Write(&replacer, false, false);
    EXPECT_EQ(writes, world.machine.registry.writes);

    // With overwrite the value is replaced; the other values of the key stay.
    world.machine.registry.PutString(RegistryRoot::LocalMachine, kKey, RegistryView::Bits32,
                                     L"Other", L"x");
    section.SetString(L"ValueName", L"Port");
    Loaded(section).Write(&replacer, false, true);
    EXPECT_EQ((std::vector<uint8_t>{80, 0, 0, 0}), Value(RegistryView::Bits32, L"Port")->data);
    EXPECT_EQ(L"x", Text(Value(RegistryView::Bits32, L"Other")));
}

TEST_F(TupRegistryKeyTest, The64BitViewIsCheckedAndWrittenOnItsOwn) {
    world.machine.registry.PutString(RegistryRoot::LocalMachine, kKey, RegistryView::Bits32,
                                     L"Path", L"old32");
    CTupRegistryKey item;
    item.SetKeyName(L"HKEY_LOCAL_MACHINE\\" + kKey);
    item.SetValueName(L"Path");
    item.SetStringValue(L"new");
    item.Write(&replacer, true, false);
    ASSERT_NE(nullptr, Value(RegistryView::Bits64, L"Path"));
    EXPECT_EQ(L"new", Text(Value(RegistryView::Bits64, L"Path")));
    EXPECT_EQ(L"old32", Text(Value(RegistryView::Bits32, L"Path")));

    item.SetStringValue(L"newer");
    item.Write(&replacer, true, false);
    EXPECT_EQ(L"new", Text(Value(RegistryView::Bits64, L"Path")));
}

TEST_F(TupRegistryKeyTest, AnExistingStringDefaultValueIsKeptToo) {
    world.machine.registry.PutString(RegistryRoot::LocalMachine, kKey, RegistryView::Bits32,
                                     L"", L"first");
    CTupRegistryKey item;
    item.SetKeyName(L"HKEY_LOCAL_MACHINE\\" + kKey);
    item.SetStringValue(L"second");
    item.Write(nullptr, false, false);
    EXPECT_EQ(L"first", Text(Value(RegistryView::Bits32, L"")));
    item.Write(nullptr, false, true);
    EXPECT_EQ(L"second", Text(Value(RegistryView::Bits32, L"")));
}

}  // namespace
