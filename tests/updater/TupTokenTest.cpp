// A module token: its keys, and where GetValue takes its value from.
#include "updater/TupToken.h"

#include <gtest/gtest.h>

#include "fakes/FakeMachine.h"
#include "manager/TupClassFactory.h"

namespace {

using sys::RegistryRoot;
using sys::RegistryView;

class TupTokenTest : public ::testing::Test {
protected:
    fakes::FakeMachine machine;
    CTupToken token;
};

TEST_F(TupTokenTest, KeysBothDirectionsAndTheClassFactory) {
    ObjContainer section;
    section.SetString(L"Name", L"[$WEB]");
    section.SetString(L"ServiceLocation", L"w3svc");
    section.SetString(L"RegKeyValue", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Path");
    section.SetString(L"EnvironmentVariable", L"WEBROOT");
    token.SetPath(L"kept");
    token.Load(&section);
    EXPECT_EQ(L"[$WEB]", token.Name());
    EXPECT_EQ(L"w3svc", token.ServiceLocation());
    EXPECT_EQ(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Path", token.RegKeyValue());
    EXPECT_EQ(L"WEBROOT", token.EnvironmentVariable());
    EXPECT_EQ(L"kept", token.Path());

    auto saved = token.Save();
    EXPECT_EQ(5u, saved->Count());
    auto created = TupClassFactory::Create(L"CTupToken");
    auto* copy = dynamic_cast<CTupToken*>(created.get());
    ASSERT_NE(nullptr, copy);
    copy->Load(saved.get());
    EXPECT_EQ(L"[$WEB]", copy->Name());
    EXPECT_EQ(L"kept", copy->Path());
    EXPECT_EQ(L"WEBROOT", copy->EnvironmentVariable());
}

TEST_F(TupTokenTest, SourcesInTheirOrder) {
    EXPECT_TRUE(token.GetValue().empty());
    machine.services.Add(L"tavsvc", L"C:\\Tav\\bin\\tavsvc.exe");
    token.SetServiceLocation(L"tavsvc");
    EXPECT_EQ(L"C:\\Tav\\bin", token.GetValue());

    machine.registry.PutString(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav",
                               RegistryView::Bits32, L"POSPATH", L"D:\\Pos\\");
    token.SetRegKeyValue(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\POSPATH");
    EXPECT_EQ(L"D:\\Pos\\", token.GetValue());

    token.SetEnvironmentVariable(L"TAVROOT");
    EXPECT_EQ(L"D:\\Pos\\", token.GetValue());  // an unset variable yields nothing
    machine.environment.variables[L"TAVROOT"] = L"E:\\Env";
    EXPECT_EQ(L"E:\\Env", token.GetValue());

    token.SetPath(L"F:\\Literal");
    EXPECT_EQ(L"F:\\Literal", token.GetValue());
}

TEST_F(TupTokenTest, AnEnvironmentVariableSetToEmptyIsTaken) {
    machine.environment.variables[L"EMPTY"] = L"";
    token.SetEnvironmentVariable(L"EMPTY");
    token.SetServiceLocation(L"tavsvc");
    machine.services.Add(L"tavsvc", L"C:\\Tav\\tavsvc.exe");
    EXPECT_TRUE(token.GetValue().empty());
}

TEST_F(TupTokenTest, RegistryValuePathParsing) {
    machine.registry.PutString(RegistryRoot::CurrentUser, L"Software\\A\\B", RegistryView::Bits32,
                               L"Name", L"user");
    machine.registry.PutString(RegistryRoot::LocalMachine, L"Software\\A\\B", RegistryView::Bits32,
                               L"Name", L"machine");
    machine.registry.PutString(RegistryRoot::LocalMachine, L"Software\\A\\B", RegistryView::Bits64,
                               L"Wide", L"64");
    machine.registry.PutString(RegistryRoot::LocalMachine, L"Software\\A\\B", RegistryView::Bits32,
                               L"", L"default");

    token.SetRegKeyValue(L"HKEY_CURRENT_USER\\Software\\A\\B\\Name");
    EXPECT_EQ(L"user", token.GetValue());
    token.SetRegKeyValue(L"HKEY_LOCAL_MACHINE\\Software\\A\\B\\name");
    EXPECT_EQ(L"machine", token.GetValue());
    // An unknown or misspelt root name is the local machine; the root match is case-sensitive.
    token.SetRegKeyValue(L"HKLM\\Software\\A\\B\\Name");
    EXPECT_EQ(L"machine", token.GetValue());
    token.SetRegKeyValue(L"hkey_current_user\\Software\\A\\B\\Name");
    EXPECT_EQ(L"machine", token.GetValue());
    // A trailing backslash names the default value.
    token.SetRegKeyValue(L"HKEY_LOCAL_MACHINE\\Software\\A\\B\\");
    EXPECT_EQ(L"default", token.GetValue());
    // Only the 32-bit view is read.
    token.SetRegKeyValue(L"HKEY_LOCAL_MACHINE\\Software\\A\\B\\Wide");
    EXPECT_TRUE(token.GetValue().empty());
    // Fewer than two backslashes: no registry value.
    token.SetRegKeyValue(L"HKEY_LOCAL_MACHINE\\Name");
    EXPECT_TRUE(token.GetValue().empty());
    token.SetRegKeyValue(L"Name");
    EXPECT_TRUE(token.GetValue().empty());
}

TEST_F(TupTokenTest, OnlyAShortRegSzValueCounts) {
    const std::wstring key = L"Software\\A";
    machine.registry.PutString(RegistryRoot::LocalMachine, key, RegistryView::Bits32, L"Expand",
                               L"%SystemRoot%", sys::RegType::ExpandString);
    machine.registry.PutDword(RegistryRoot::LocalMachine, key, RegistryView::Bits32, L"Number", 5);
    // 511 characters and the zero fill 1024 bytes exactly; one more does not fit.
    machine.registry.PutString(RegistryRoot::LocalMachine, key, RegistryView::Bits32, L"Fits",
                               std::wstring(511, L'x'));
    machine.registry.PutString(RegistryRoot::LocalMachine, key, RegistryView::Bits32, L"TooLong",
                               std::wstring(512, L'x'));
    machine.services.Add(L"svc", L"C:\\S\\svc.exe");
    token.SetServiceLocation(L"svc");
    for (const wchar_t* name : {L"Expand", L"Number", L"TooLong", L"Missing"}) {
        token.SetRegKeyValue(std::wstring(L"HKEY_LOCAL_MACHINE\\Software\\A\\") + name);
        EXPECT_EQ(L"C:\\S", token.GetValue()) << name;  // falls through to the service
    }
    token.SetRegKeyValue(L"HKEY_LOCAL_MACHINE\\Software\\A\\Fits");
    EXPECT_EQ(std::wstring(511, L'x'), token.GetValue());
}

TEST_F(TupTokenTest, ServiceImagePaths) {
    token.SetServiceLocation(L"svc");
    EXPECT_TRUE(token.GetValue().empty());  // no such service
    auto& service = machine.services.Add(L"svc", L"\"C:\\Prog\\svc.exe\"");
    EXPECT_EQ(L"C:\\Prog", token.GetValue());
    // Quotes and arguments around the program are not part of its folder.
    service.config.binaryPath = L"\"C:\\Prog Files\\svc.exe\" -service";
    EXPECT_EQ(L"C:\\Prog Files", token.GetValue());
    service.config.binaryPath = L"C:\\Prog\\svc.exe -config C:\\etc\\svc.ini";
    EXPECT_EQ(L"C:\\Prog", token.GetValue());
    service.config.binaryPath = L"svc.exe";
    EXPECT_TRUE(token.GetValue().empty());
    service.config.binaryPath = L"\"";
    EXPECT_TRUE(token.GetValue().empty());
}

}  // namespace
