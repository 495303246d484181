// An execution condition: its keys, and IsMet against files, registry keys and services.
#include "updater/TupExecutionCondition.h"

#include <gtest/gtest.h>

#include "fakes/FakeMachine.h"
#include "manager/TupClassFactory.h"

namespace {

using sys::RegistryRoot;
using sys::RegistryView;

class TupExecutionConditionTest : public ::testing::Test {
protected:
    fakes::FakeMachine machine;
    CTupExecutionCondition condition;
};

TEST_F(TupExecutionConditionTest, KeysBothDirectionsAndTheClassFactory) {
    ObjContainer section;
    section.SetString(L"PathExists", L"C:\\a.txt");
    section.SetString(L"RegKeyExists", L"HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
    section.SetString(L"ServiceExists", L"tavsvc");
    condition.SetServiceNotExists(L"old");
    condition.Load(&section);
    EXPECT_EQ(L"C:\\a.txt", condition.PathExists());
    EXPECT_EQ(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\X", condition.RegKeyExists());
    EXPECT_EQ(L"tavsvc", condition.ServiceExists());
    EXPECT_EQ(L"old", condition.ServiceNotExists());

    auto saved = condition.Save();
    EXPECT_EQ(4u, saved->Count());
    auto created = TupClassFactory::Create(L"CTupExecutionCondition");
    auto* copy = dynamic_cast<CTupExecutionCondition*>(created.get());
    ASSERT_NE(nullptr, copy);
    copy->Load(saved.get());
    EXPECT_EQ(L"old", copy->ServiceNotExists());
    EXPECT_EQ(L"tavsvc", copy->ServiceExists());
}

TEST_F(TupExecutionConditionTest, AConditionWithoutFieldsIsMet) {
    EXPECT_TRUE(condition.IsMet());
    EXPECT_EQ(0, machine.services.connects);  // nothing is asked
}

TEST_F(TupExecutionConditionTest, PathExistsWantsAFileNotAFolder) {
    machine.files.AddFile(L"C:\\Tav\\Qelsrv.exe");
    condition.SetPathExists(L"C:\\Tav\\Qelsrv.exe");
    EXPECT_TRUE(condition.IsMet());
    condition.SetPathExists(L"C:\\Tav");
    EXPECT_FALSE(condition.IsMet());
    condition.SetPathExists(L"C:\\Tav\\missing.exe");
    EXPECT_FALSE(condition.IsMet());
}

TEST_F(TupExecutionConditionTest, RegKeyExistsWantsAnEntryInThe32BitView) {
    condition.SetRegKeyExists(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav\\Web");
    machine.registry.PutString(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav\\Web",
                               RegistryView::Bits64, L"Path", L"x");
    EXPECT_FALSE(condition.IsMet());  // only the 64-bit view has it
    // A key with only a subkey yields no entry: subkeys are not read.
    machine.registry.PutString(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav\\Web\\Sub",
                               RegistryView::Bits32, L"Path", L"x");
    EXPECT_TRUE(machine.registry.KeyExists(RegistryRoot::LocalMachine,
                                           L"SOFTWARE\\Kelmark\\Tav\\Web", RegistryView::Bits32));
    EXPECT_FALSE(condition.IsMet());
    machine.registry.PutDword(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav\\Web",
                              RegistryView::Bits32, L"Port", 80);
    EXPECT_TRUE(condition.IsMet());
}

TEST_F(TupExecutionConditionTest, ServiceExistsAndServiceNotExists) {
    machine.services.Add(L"tavsvc", L"C:\\Tav\\tavsvc.exe");
    condition.SetServiceExists(L"tavsvc");
    EXPECT_TRUE(condition.IsMet());
    condition.SetServiceNotExists(L"tavsvc");
    EXPECT_FALSE(condition.IsMet());
    condition.SetServiceNotExists(L"oldsvc");
    EXPECT_TRUE(condition.IsMet());
    condition.SetServiceExists(L"oldsvc");
    EXPECT_FALSE(condition.IsMet());
}

TEST_F(TupExecutionConditionTest, EveryFieldIsTestedEvenAfterAFailure) {
    condition.SetPathExists(L"C:\\missing.txt");
    condition.SetServiceExists(L"tavsvc");
    machine.services.Add(L"tavsvc", L"C:\\Tav\\tavsvc.exe");
    const int opensBefore = machine.services.serviceOpens;
    EXPECT_FALSE(condition.IsMet());
    EXPECT_GT(machine.services.serviceOpens, opensBefore);  // the service was still looked up
}

}  // namespace
