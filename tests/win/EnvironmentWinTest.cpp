// Environment variables of the real process.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "system/Machine.h"

namespace {

// Sets a variable of this process for the test and removes it afterwards.
class ScopedVariable {
public:
    ScopedVariable(std::wstring name, const std::wstring& value) : name_(std::move(name)) {
        SetEnvironmentVariableW(name_.c_str(), value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::wstring name_;
};

TEST(EnvironmentWin, ReadsSetVariablesOfAnyLength) {
    sys::IEnvironment& environment = *sys::HostMachine().environment;
    std::wstring value;
    ASSERT_TRUE(environment.GetVariable(L"SystemRoot", value));
    EXPECT_FALSE(value.empty());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(value.c_str())) << "not a folder";
    std::wstring otherCase;
    EXPECT_TRUE(environment.GetVariable(L"SYSTEMROOT", otherCase));
    EXPECT_EQ(value, otherCase);

    const ScopedVariable shortOne(L"TAV_ENV_TEST_SHORT", L"C:\\Tarnova\\Server");
    ASSERT_TRUE(environment.GetVariable(L"TAV_ENV_TEST_SHORT", value));
    EXPECT_EQ(L"C:\\Tarnova\\Server", value);

    // Longer than the first buffer the implementation tries.
    std::wstring longValue;
    for (int i = 0; i < 1000; ++i) longValue += static_cast<wchar_t>(L'a' + i % 26);
    const ScopedVariable longOne(L"TAV_ENV_TEST_LONG", longValue);
    ASSERT_TRUE(environment.GetVariable(L"TAV_ENV_TEST_LONG", value));
    EXPECT_EQ(longValue, value);
}

TEST(EnvironmentWin, MissingVariableGivesFalseAndLeavesTheValue) {
    sys::IEnvironment& environment = *sys::HostMachine().environment;
    SetEnvironmentVariableW(L"TAV_ENV_TEST_MISSING", nullptr);
    std::wstring value = L"unchanged";
    EXPECT_FALSE(environment.GetVariable(L"TAV_ENV_TEST_MISSING", value));
    EXPECT_EQ(L"unchanged", value);
}

}  // namespace
