// The recording machine over the fake one: every start and registry write reaches the machine
// below and is noted, with the value it replaced.
#include "system/changes/RecordingMachine.h"

#include <gtest/gtest.h>

#include "fakes/FakeMachine.h"

namespace {

using sys::RegistryRoot;
using sys::RegistryView;

TEST(RecordingMachineTest, StartsAndWritesArePassedOnAndNoted) {
    fakes::FakeMachine fake;
    fake.registry.PutDword(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav", RegistryView::Bits32,
                           L"RequireHttps", 1);
    sys::CRecordingMachine recording(sys::CurrentMachine());
    sys::Machine& machine = recording.Get();

    uint32_t exitCode = 9;
    EXPECT_TRUE(machine.launcher->Run(L"C:\\P Q\\a.exe", L"\"C:\\P Q\\a.exe\" /x", true, &exitCode));
    fake.launcher.failing = {L"b.exe"};
    EXPECT_FALSE(machine.launcher->Run(L"", L"b.exe", false, nullptr));

    auto key = machine.registry->CreateKey(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav",
                                           RegistryView::Bits32);
    ASSERT_TRUE(key);
    const std::vector<uint8_t> zero{0, 0, 0, 0};
    EXPECT_TRUE(key->SetValue(L"requirehttps", sys::RegType::Dword, zero.data(), zero.size()));
    const std::vector<uint8_t> text = fakes::RegString(L"8443");
    EXPECT_TRUE(key->SetValue(L"HttpsPort", sys::RegType::String, text.data(), text.size()));

    // Below: the one that could start started, both values are there.
    ASSERT_EQ(1u, fake.launcher.starts.size());
    EXPECT_EQ(L"\"C:\\P Q\\a.exe\" /x", fake.launcher.starts[0].commandLine);
    EXPECT_EQ(zero, fake.registry.Get(RegistryRoot::LocalMachine, L"SOFTWARE\\Kelmark\\Tav",
                                      RegistryView::Bits32, L"RequireHttps")->data);
    EXPECT_EQ(2, fake.registry.writes);

    const auto programs = recording.Programs();
    ASSERT_EQ(2u, programs.size());
    EXPECT_TRUE(programs[0].waited && programs[0].started);
    EXPECT_EQ(L"C:\\P Q\\a.exe", programs[0].program);
    EXPECT_EQ(L"C:\\P Q\\a.exe", fake.launcher.starts[0].program);
    EXPECT_FALSE(programs[1].waited || programs[1].started);

    const auto values = recording.Values();
    ASSERT_EQ(2u, values.size());
    EXPECT_EQ(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmark\\Tav", values[0].key);
    EXPECT_EQ(RegistryView::Bits32, values[0].view);
    EXPECT_TRUE(values[0].replaced);
    EXPECT_EQ((std::vector<uint8_t>{1, 0, 0, 0}), values[0].previousData);
    EXPECT_EQ(zero, values[0].data);
    EXPECT_FALSE(values[1].replaced);
    EXPECT_TRUE(values[1].written);
}

}  // namespace
