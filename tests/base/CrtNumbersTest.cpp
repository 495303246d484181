// Number parsing must match the Windows runtime on every build.
#include "base/CrtNumbers.h"

#include <gtest/gtest.h>

namespace {

TEST(CrtWcstoul, ReadsLeadingDigitsLikeTheRuntime) {
    EXPECT_EQ(12u, tav::CrtWcstoul(L"12abc"));
    EXPECT_EQ(0u, tav::CrtWcstoul(L""));
    EXPECT_EQ(0u, tav::CrtWcstoul(L"abc"));
    EXPECT_EQ(42u, tav::CrtWcstoul(L" \t\r\n42 "));
    EXPECT_EQ(7u, tav::CrtWcstoul(L"+7"));
    EXPECT_EQ(0u, tav::CrtWcstoul(L"- 7"));
    EXPECT_EQ(0u, tav::CrtWcstoul(L"0x1F"));
    EXPECT_EQ(10u, tav::CrtWcstoul(L"010"));
}

TEST(CrtWcstoul, WrapsAndSaturatesAsA32BitUnsignedLong) {
    EXPECT_EQ(4294967295u, tav::CrtWcstoul(L"4294967295"));
    EXPECT_EQ(4294967295u, tav::CrtWcstoul(L"4294967296"));
    EXPECT_EQ(4294967295u, tav::CrtWcstoul(L"99999999999999999999999"));
    EXPECT_EQ(4294967295u, tav::CrtWcstoul(L"-1"));
    EXPECT_EQ(4294967286u, tav::CrtWcstoul(L"-10"));
    EXPECT_EQ(4294967295u, tav::CrtWcstoul(L"-4294967296"));
}

TEST(CrtAtoi, ReadsLeadingDigitsAndClamps) {
    EXPECT_EQ(232, tav::CrtAtoi(L"232abc"));
    EXPECT_EQ(0, tav::CrtAtoi(L"x1"));
    EXPECT_EQ(-5, tav::CrtAtoi(L"  -5"));
    EXPECT_EQ(2147483647, tav::CrtAtoi(L"99999999999"));
    EXPECT_EQ(-2147483647 - 1, tav::CrtAtoi(L"-99999999999"));
}

}  // namespace
