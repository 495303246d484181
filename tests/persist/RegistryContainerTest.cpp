// Containers read from and written to registry keys, against the in-memory registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/WideText.h"
#include "fakes/FakeMachine.h"
#include "persist/ObjContainer.h"

namespace {

using sys::RegistryRoot;
using sys::RegistryView;
namespace RegType = sys::RegType;

constexpr RegistryView k32 = RegistryView::Bits32;
constexpr RegistryView k64 = RegistryView::Bits64;
const std::wstring kTav = L"SOFTWARE\\Kelmark\\Tav";
const std::wstring kTavPath = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav";

std::wstring StringOf(const ObjContainer& c, std::wstring_view name) {
    std::wstring text = L"<missing>";
    c.GetString(name, text);
    return text;
}

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) { return bytes; }

class RegistryContainerTest : public ::testing::Test {
protected:
    fakes::FakeMachine machine;
    fakes::FakeRegistry& registry = machine.registry;
};

TEST_F(RegistryContainerTest, OnlyExactRootNamesLeaveTheLocalMachine) {
    registry.PutString(RegistryRoot::LocalMachine, kTav, k32, L"Root", L"machine");
    registry.PutString(RegistryRoot::CurrentUser, kTav, k32, L"Root", L"user");
    registry.PutString(RegistryRoot::ClassesRoot, kTav, k32, L"Root", L"classes");
    registry.PutString(RegistryRoot::Users, kTav, k32, L"Root", L"users");

    auto rootRead = [](const std::wstring& rootName) {
        ObjContainer c;
        c.LoadFromRegistry(rootName + L"\\" + kTav, false, -1, false);
        return StringOf(c, L"Root");
    };
    EXPECT_EQ(L"machine", rootRead(L"HKEY_LOCAL_MACHINE"));
    EXPECT_EQ(L"user", rootRead(L"HKEY_CURRENT_USER"));
    EXPECT_EQ(L"classes", rootRead(L"HKEY_CLASSES_ROOT"));
    EXPECT_EQ(L"users", rootRead(L"HKEY_USERS"));
    EXPECT_EQ(L"machine", rootRead(L"HKLM"));
    EXPECT_EQ(L"machine", rootRead(L"HKCU"));
    EXPECT_EQ(L"machine", rootRead(L"HKEY_CURENT_USER"));
    EXPECT_EQ(L"machine", rootRead(L"hkey_current_user"));
    EXPECT_EQ(L"machine", rootRead(L"HKEY_USERS "));
    EXPECT_EQ(L"machine", rootRead(L""));

    // Writing maps the root the same way.
    ObjContainer c;
    c.SetString(L"Written", L"w");
    c.SaveToRegistry(L"HKEY_Current_User\\Software\\Tav", false);
    EXPECT_TRUE(registry.KeyExists(RegistryRoot::LocalMachine, L"Software\\Tav", k32));
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::CurrentUser, L"Software\\Tav", k32));
    c.SaveToRegistry(L"HKEY_USERS\\.DEFAULT\\Tav", false);
    EXPECT_NE(nullptr, registry.Get(RegistryRoot::Users, L".DEFAULT\\Tav", k32, L"Written"));
}

TEST_F(RegistryContainerTest, PathsWithoutABackslashOrMissingKeysLeaveTheContainerAlone) {
    registry.PutString(RegistryRoot::LocalMachine, L"", k32, L"AtRoot", L"x");
    ObjContainer c;
    c.SetString(L"Default", L"kept");
    c.LoadFromRegistry(L"HKEY_LOCAL_MACHINE", false, -1, false);
    c.LoadFromRegistry(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Missing", true, -1, false);
    EXPECT_EQ(1u, c.Count());
    EXPECT_EQ(L"kept", StringOf(c, L"Default"));

    c.SaveToRegistry(L"HKEY_LOCAL_MACHINE", false);
    EXPECT_EQ(0, registry.writes);
}

TEST_F(RegistryContainerTest, ValueTypesBecomeTheirKinds) {
    registry.PutString(RegistryRoot::LocalMachine, kTav, k32, L"Sz", L"C:\\Program Files\\Tav");
    registry.PutString(RegistryRoot::LocalMachine, kTav, k32, L"Expand", L"%SystemRoot%\\Tav",
                       RegType::ExpandString);
    registry.PutDword(RegistryRoot::LocalMachine, kTav, k32, L"Dword", 0xFEDCBA98);
    registry.PutMultiString(RegistryRoot::LocalMachine, kTav, k32, L"Multi",
                            {L"one", L"two", L"", L"after the empty one"});
    registry.PutMultiString(RegistryRoot::LocalMachine, kTav, k32, L"EmptyMulti", {});
    registry.Put(RegistryRoot::LocalMachine, kTav, k32, L"NoBytesMulti", RegType::MultiString, {});
    registry.Put(RegistryRoot::LocalMachine, kTav, k32, L"Binary", RegType::Binary,
                 Bytes({0x00, 0x01, 0x00, 0xFF, 0x80}));
    registry.Put(RegistryRoot::LocalMachine, kTav, k32, L"Qword", RegType::Qword,
                 Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    registry.Put(RegistryRoot::LocalMachine, kTav, k32, L"NoneType", RegType::None, Bytes({1}));
    registry.Put(RegistryRoot::LocalMachine, kTav, k32, L"Link", 6, fakes::RegString(L"x"));
    // Stored without its terminating zero, as a careless writer may leave it.
    std::vector<uint8_t> unterminated;
    tav::AppendUtf16Le(unterminated, L"bare");
    registry.Put(RegistryRoot::LocalMachine, kTav, k32, L"Bare", RegType::String, unterminated);
    registry.Put(RegistryRoot::LocalMachine, kTav, k32, L"BareMulti", RegType::MultiString,
                 Bytes({'a', 0, 0, 0, 'b', 0}));

    ObjContainer c;
    c.SetString(L"Qword", L"default stays");
    c.LoadFromRegistry(kTavPath, false, -1, false);

    EXPECT_EQ(L"C:\\Program Files\\Tav", StringOf(c, L"sz"));
    EXPECT_EQ(L"%SystemRoot%\\Tav", StringOf(c, L"Expand"));
    EXPECT_EQ(L"bare", StringOf(c, L"Bare"));
    uint32_t number = 0;
    c.GetUnsignedLong(L"Dword", number);
    EXPECT_EQ(0xFEDCBA98u, number);

    OCStringListValue list{L"old"};
    c.GetStringList(L"Multi", list);
    EXPECT_EQ((OCStringListValue{L"one", L"two"}), list);
    c.GetStringList(L"EmptyMulti", list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(OCStringList, c.GetType(L"NoBytesMulti"));
    c.GetStringList(L"BareMulti", list);
    EXPECT_EQ((OCStringListValue{L"a", L"b"}), list);

    ASSERT_EQ(OCBuffer, c.GetType(L"Binary"));
    EXPECT_EQ(Bytes({0x00, 0x01, 0x00, 0xFF, 0x80}), *c.Find(L"Binary")->Bytes());

    EXPECT_EQ(L"default stays", StringOf(c, L"Qword"));
    EXPECT_FALSE(c.Exists(L"NoneType"));
    EXPECT_FALSE(c.Exists(L"Link"));
}

TEST_F(RegistryContainerTest, TheDefaultValueTravelsAsRegistryDefault) {
    registry.PutString(RegistryRoot::LocalMachine, kTav, k32, L"", L"the default");
    registry.PutDword(RegistryRoot::LocalMachine, L"SOFTWARE\\Dword", k32, L"", 5);

    ObjContainer c;
    c.LoadFromRegistry(kTavPath, false, -1, false);
    EXPECT_EQ((std::vector<std::wstring>{L"$(RegistryDefault)"}),
              std::vector<std::wstring>{c.At(0).name});
    EXPECT_EQ(L"the default", StringOf(c, L"$(RegistryDefault)"));

    // A default value of another type keeps its empty name.
    ObjContainer d;
    d.LoadFromRegistry(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Dword", false, -1, false);
    ASSERT_EQ(1u, d.Count());
    EXPECT_EQ(L"", d.At(0).name);
    EXPECT_EQ(OCUnsignedLong, d.At(0).kind);

    // Written back as the default value, whatever the letter case of the entry name.
    c.SaveToRegistry(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Copy", false);
    const sys::RegistryValue* value =
        registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\Copy", k32, L"");
    ASSERT_NE(nullptr, value);
    EXPECT_EQ(RegType::String, value->type);
    EXPECT_EQ(fakes::RegString(L"the default"), value->data);

    ObjContainer lower;
    lower.SetString(L"$(registrydefault)", L"lower case");
    lower.SaveToRegistry(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Lower", false);
    value = registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\Lower", k32, L"");
    ASSERT_NE(nullptr, value);
    EXPECT_EQ(fakes::RegString(L"lower case"), value->data);
    EXPECT_EQ(nullptr, registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\Lower", k32,
                                    L"$(registrydefault)"));

    // Only strings become the default value: a number keeps the name.
    ObjContainer number;
    number.SetUnsignedLong(L"$(RegistryDefault)", 1);
    number.SaveToRegistry(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Number", false);
    EXPECT_EQ(nullptr, registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\Number", k32, L""));
    EXPECT_NE(nullptr, registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\Number", k32,
                                    L"$(RegistryDefault)"));
}

class RegistryTreeTest : public RegistryContainerTest {
protected:
    void SetUp() override {
        // Tav\A\B\C, each key with one value, and a second subkey A2 under Tav.
        registry.PutDword(RegistryRoot::LocalMachine, kTav, k32, L"Level", 0);
        registry.PutDword(RegistryRoot::LocalMachine, kTav + L"\\A", k32, L"Level", 1);
        registry.PutDword(RegistryRoot::LocalMachine, kTav + L"\\A\\B", k32, L"Level", 2);
        registry.PutDword(RegistryRoot::LocalMachine, kTav + L"\\A\\B\\C", k32, L"Level", 3);
        registry.PutString(RegistryRoot::LocalMachine, kTav + L"\\A2", k32, L"Name", L"second");
    }

    // How many levels of subkeys a load reached below Tav\A.
    static int LevelsBelow(const ObjContainer& c) {
        int levels = 0;
        const ObjContainer* current = c.GetContainer(L"A");
        for (const wchar_t* name : {L"B", L"C"}) {
            if (!current) break;
            ++levels;
            current = current->GetContainer(name);
        }
        return current ? levels + 1 : levels;
    }

    std::unique_ptr<ObjContainer> Load(bool recurse, int depth) {
        auto c = std::make_unique<ObjContainer>();
        c->LoadFromRegistry(kTavPath, recurse, depth, false);
        return c;
    }
};

TEST_F(RegistryTreeTest, RecurseAndDepthDecideHowManySubkeyLevelsAreRead) {
    EXPECT_EQ(0, LevelsBelow(*Load(false, -1)));
    EXPECT_EQ(0, LevelsBelow(*Load(false, 5)));
    EXPECT_EQ(0, LevelsBelow(*Load(true, 0)));
    EXPECT_EQ(1, LevelsBelow(*Load(true, 1)));
    EXPECT_EQ(2, LevelsBelow(*Load(true, 2)));
    EXPECT_EQ(3, LevelsBelow(*Load(true, -1)));
    EXPECT_EQ(3, LevelsBelow(*Load(true, 10)));
    EXPECT_EQ(0, LevelsBelow(*Load(true, -2)));

    // Depth 1: the subkeys' values, not their subkeys.
    const auto loaded = Load(true, 1);
    const ObjContainer& one = *loaded;
    const ObjContainer* a = one.GetContainer(L"a");
    ASSERT_NE(nullptr, a);
    uint32_t level = 99;
    a->GetUnsignedLong(L"Level", level);
    EXPECT_EQ(1u, level);
    EXPECT_EQ((std::vector<std::wstring>{L"Level"}), std::vector<std::wstring>{a->At(0).name});
    EXPECT_EQ(1u, a->Count());
    ASSERT_NE(nullptr, one.GetContainer(L"A2"));
    EXPECT_EQ(L"second", StringOf(*one.GetContainer(L"A2"), L"Name"));
    level = 99;
    one.GetUnsignedLong(L"Level", level);
    EXPECT_EQ(0u, level);

    const auto all = Load(true, -1);
    const ObjContainer* c = all->GetContainer(L"A")->GetContainer(L"B")->GetContainer(L"C");
    ASSERT_NE(nullptr, c);
    c->GetUnsignedLong(L"Level", level);
    EXPECT_EQ(3u, level);
}

TEST_F(RegistryTreeTest, AValueNamedLikeASubkeyReplacesItsContainer) {
    registry.PutString(RegistryRoot::LocalMachine, kTav, k32, L"a", L"value wins");
    const auto c = Load(true, -1);
    EXPECT_EQ(OCString, c->GetType(L"A"));
    EXPECT_EQ(L"value wins", StringOf(*c, L"A"));
}

TEST_F(RegistryContainerTest, AValueTooLargeForTheBuffersEndsTheEnumeration) {
    const std::wstring names[] = {L"First", std::wstring(511, L'n'), L"Third"};
    registry.PutString(RegistryRoot::LocalMachine, L"Names", k32, names[0], L"1");
    registry.PutString(RegistryRoot::LocalMachine, L"Names", k32, names[1], L"2");  // fits
    registry.PutString(RegistryRoot::LocalMachine, L"Names", k32, names[2], L"3");
    registry.PutString(RegistryRoot::LocalMachine, L"Names", k32, std::wstring(512, L'm'), L"4");
    registry.PutString(RegistryRoot::LocalMachine, L"Names", k32, L"Last", L"5");

    ObjContainer c;
    c.LoadFromRegistry(L"HKEY_LOCAL_MACHINE\\Names", false, -1, false);
    EXPECT_EQ(3u, c.Count());
    EXPECT_EQ(L"2", StringOf(c, names[1]));
    EXPECT_EQ(L"3", StringOf(c, L"Third"));
    EXPECT_FALSE(c.Exists(L"Last"));

    registry.Put(RegistryRoot::LocalMachine, L"Data", k32, L"Fits", RegType::Binary,
                 std::vector<uint8_t>(20480, 0xAB));
    registry.Put(RegistryRoot::LocalMachine, L"Data", k32, L"TooBig", RegType::Binary,
                 std::vector<uint8_t>(20481, 0xCD));
    registry.PutDword(RegistryRoot::LocalMachine, L"Data", k32, L"After", 1);
    ObjContainer d;
    d.LoadFromRegistry(L"HKEY_LOCAL_MACHINE\\Data", false, -1, false);
    ASSERT_EQ(1u, d.Count());
    EXPECT_EQ(20480u, d.Find(L"Fits")->Bytes()->size());

    // A subkey name too long for its buffer ends the subkey enumeration the same way.
    registry.PutDword(RegistryRoot::LocalMachine, L"Keys\\Short", k32, L"x", 1);
    const std::wstring longName(512, L'k');
    registry.PutDword(RegistryRoot::LocalMachine, L"Keys\\" + longName, k32, L"x", 1);
    registry.PutDword(RegistryRoot::LocalMachine, L"Keys\\AfterLong", k32, L"x", 1);
    ObjContainer k;
    k.LoadFromRegistry(L"HKEY_LOCAL_MACHINE\\Keys", true, -1, false);
    EXPECT_EQ((std::vector<std::wstring>{L"Short"}), std::vector<std::wstring>{k.At(0).name});
    EXPECT_EQ(1u, k.Count());
}

TEST_F(RegistryContainerTest, PathsLongerThanTheBuffersAreRefused) {
    // Reading: up to 511 characters.
    const std::wstring prefix = L"HKEY_LOCAL_MACHINE\\";
    const std::wstring sub511(511 - prefix.size(), L'r');
    const std::wstring sub512(512 - prefix.size(), L'r');
    registry.PutDword(RegistryRoot::LocalMachine, sub511, k32, L"v", 1);
    registry.PutDword(RegistryRoot::LocalMachine, sub512, k32, L"v", 2);
    ObjContainer c;
    c.LoadFromRegistry(prefix + sub511, false, -1, false);
    EXPECT_EQ(1u, c.Count());
    ObjContainer refused;
    refused.LoadFromRegistry(prefix + sub512, false, -1, false);
    EXPECT_EQ(0u, refused.Count());

    // The subkey's path counts too: "...\Deep" is 511 characters, "...\Deeper" is 513.
    const std::wstring parent(511 - prefix.size() - 5, L'p');
    registry.PutDword(RegistryRoot::LocalMachine, parent + L"\\Deep", k32, L"v", 3);
    registry.PutDword(RegistryRoot::LocalMachine, parent + L"\\Deeper", k32, L"v", 4);
    ObjContainer tree;
    tree.LoadFromRegistry(prefix + parent, true, -1, false);
    ASSERT_NE(nullptr, tree.GetContainer(L"Deep"));
    EXPECT_EQ(1u, tree.GetContainer(L"Deep")->Count());
    ASSERT_NE(nullptr, tree.GetContainer(L"Deeper"));
    EXPECT_EQ(0u, tree.GetContainer(L"Deeper")->Count());

    // Writing: up to 255 characters, the subkeys' paths included.
    const std::wstring sub255(255 - prefix.size(), L'w');
    ObjContainer w;
    w.SetString(L"v", L"x");
    w.SaveToRegistry(prefix + sub255, false);
    EXPECT_TRUE(registry.KeyExists(RegistryRoot::LocalMachine, sub255, k32));
    w.SaveToRegistry(prefix + sub255 + L"w", false);
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, sub255 + L"w", k32));

    const std::wstring writeParent(255 - prefix.size() - 2, L'q');
    ObjContainer nested;
    nested.SetString(L"Top", L"t");
    auto fits = std::make_unique<ObjContainer>();
    fits->SetString(L"In", L"i");
    auto tooLong = std::make_unique<ObjContainer>();
    tooLong->SetString(L"In", L"i");
    nested.SetContainer(L"S", std::move(fits));
    nested.SetContainer(L"SS", std::move(tooLong));
    nested.SaveToRegistry(prefix + writeParent, false);
    EXPECT_NE(nullptr, registry.Get(RegistryRoot::LocalMachine, writeParent, k32, L"Top"));
    EXPECT_NE(nullptr, registry.Get(RegistryRoot::LocalMachine, writeParent + L"\\S", k32, L"In"));
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, writeParent + L"\\SS", k32));
}

TEST_F(RegistryContainerTest, SavingAnEmptyContainerCreatesNoKey) {
    ObjContainer empty;
    empty.SaveToRegistry(kTavPath + L"\\Empty", false);
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, kTav + L"\\Empty", k32));
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, kTav, k32));

    // An empty sub-container makes no subkey either, though its parent's key is created.
    ObjContainer parent;
    parent.SetContainer(L"Nothing", std::make_unique<ObjContainer>());
    parent.SaveToRegistry(kTavPath, false);
    EXPECT_TRUE(registry.KeyExists(RegistryRoot::LocalMachine, kTav, k32));
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, kTav + L"\\Nothing", k32));
    EXPECT_EQ(0, registry.writes);
}

TEST_F(RegistryContainerTest, TheViewReachesTheRegistryAndIsKeptForSubkeys) {
    registry.PutString(RegistryRoot::LocalMachine, kTav, k64, L"Only64", L"64");
    registry.PutString(RegistryRoot::LocalMachine, kTav + L"\\Sub", k64, L"Deep64", L"d");
    registry.PutString(RegistryRoot::LocalMachine, kTav, k32, L"Only32", L"32");

    ObjContainer in32;
    in32.LoadFromRegistry(kTavPath, true, -1, false);
    EXPECT_EQ((std::vector<std::wstring>{L"Only32"}), std::vector<std::wstring>{in32.At(0).name});
    EXPECT_EQ(1u, in32.Count());

    ObjContainer in64;
    in64.LoadFromRegistry(kTavPath, true, -1, true);
    EXPECT_EQ(L"64", StringOf(in64, L"Only64"));
    EXPECT_FALSE(in64.Exists(L"Only32"));
    ASSERT_NE(nullptr, in64.GetContainer(L"Sub"));
    EXPECT_EQ(L"d", StringOf(*in64.GetContainer(L"Sub"), L"Deep64"));

    ObjContainer out;
    out.SetString(L"Written", L"w");
    auto sub = std::make_unique<ObjContainer>();
    sub->SetUnsignedLong(L"Inner", 1);
    out.SetContainer(L"Child", std::move(sub));
    out.SaveToRegistry(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Out", true);
    EXPECT_NE(nullptr, registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\Out", k64, L"Written"));
    EXPECT_NE(nullptr,
              registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\Out\\Child", k64, L"Inner"));
    EXPECT_FALSE(registry.KeyExists(RegistryRoot::LocalMachine, L"SOFTWARE\\Out", k32));
}

TEST_F(RegistryContainerTest, WrittenValuesHaveTheirTypesAndByteForms) {
    ObjContainer c;
    c.SetString(L"Sz", L"abc");
    c.SetString(L"EmptySz", L"");
    c.SetUnsignedLong(L"Dword", 0x01020304);
    c.SetStringList(L"Multi", {L"ab", L"", L"c"});
    c.SetStringList(L"EmptyList", {});
    const uint8_t bytes[] = {0, 0xFF, 7};
    c.SetBuffer(L"Binary", bytes, sizeof bytes);
    c.SetBuffer(L"EmptyBinary", nullptr, 0);
    // 30,718 characters: (30,718 + 1) * 2 + 2 = 61,440 bytes, the most a list may take.
    c.SetStringList(L"Largest", {std::wstring(30718, L'x')});
    c.SetStringList(L"TooLarge", {std::wstring(30718, L'x'), L""});
    // Beyond the basic plane a character takes two UTF-16 units: 10 units and the zero.
    const std::wstring wide = tav::FromUtf8("Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xF0\x9D\x84\x9E");
    c.SetString(L"Wide", wide);
    c.SaveToRegistry(kTavPath, false);

    auto value = [this](const std::wstring& name) {
        const sys::RegistryValue* v = registry.Get(RegistryRoot::LocalMachine, kTav, k32, name);
        return v ? *v : sys::RegistryValue{L"<missing>", 0xFFFF, {}};
    };
    EXPECT_EQ(RegType::String, value(L"Sz").type);
    EXPECT_EQ(Bytes({'a', 0, 'b', 0, 'c', 0, 0, 0}), value(L"Sz").data);
    EXPECT_EQ(Bytes({0, 0}), value(L"EmptySz").data);
    EXPECT_EQ(22u, value(L"Wide").data.size());
    EXPECT_EQ(RegType::Dword, value(L"Dword").type);
    EXPECT_EQ(Bytes({4, 3, 2, 1}), value(L"Dword").data);
    EXPECT_EQ(RegType::MultiString, value(L"Multi").type);
    EXPECT_EQ(Bytes({'a', 0, 'b', 0, 0, 0, 0, 0, 'c', 0, 0, 0, 0, 0}), value(L"Multi").data);
    EXPECT_EQ(RegType::MultiString, value(L"EmptyList").type);
    EXPECT_EQ(Bytes({0, 0}), value(L"EmptyList").data);
    EXPECT_EQ(RegType::Binary, value(L"Binary").type);
    EXPECT_EQ(Bytes({0, 0xFF, 7}), value(L"Binary").data);
    EXPECT_EQ(RegType::Binary, value(L"EmptyBinary").type);
    EXPECT_TRUE(value(L"EmptyBinary").data.empty());
    EXPECT_EQ(61440u, value(L"Largest").data.size());
    EXPECT_EQ(L"<missing>", value(L"TooLarge").name);
    EXPECT_EQ(9, registry.writes);

    ObjContainer back;
    back.LoadFromRegistry(kTavPath, false, -1, false);
    EXPECT_EQ(wide, StringOf(back, L"Wide"));
}

TEST_F(RegistryContainerTest, SubContainersBecomeSubkeysAndReadBackTheSame) {
    ObjContainer c;
    c.SetString(L"Version", L"7.1");
    c.SetBuffer(L"Raw", nullptr, 0);
    auto web = std::make_unique<ObjContainer>();
    web->SetUnsignedLong(L"Port", 443);
    auto app = std::make_unique<ObjContainer>();
    app->SetStringList(L"Pages", {L"a.aspx", L"b.aspx"});
    web->SetContainer(L"App", std::move(app));
    c.SetContainer(L"Web", std::move(web));
    c.SaveToRegistry(kTavPath, false);

    EXPECT_TRUE(registry.KeyExists(RegistryRoot::LocalMachine, kTav + L"\\Web\\App", k32));
    ObjContainer back;
    back.LoadFromRegistry(kTavPath, true, -1, false);
    EXPECT_EQ(L"7.1", StringOf(back, L"Version"));
    EXPECT_EQ(OCBuffer, back.GetType(L"Raw"));
    ASSERT_NE(nullptr, back.GetContainer(L"Web"));
    uint32_t port = 0;
    back.GetContainer(L"Web")->GetUnsignedLong(L"Port", port);
    EXPECT_EQ(443u, port);
    ASSERT_NE(nullptr, back.GetContainer(L"Web")->GetContainer(L"App"));
    OCStringListValue pages;
    back.GetContainer(L"Web")->GetContainer(L"App")->GetStringList(L"Pages", pages);
    EXPECT_EQ((OCStringListValue{L"a.aspx", L"b.aspx"}), pages);
}

}  // namespace
