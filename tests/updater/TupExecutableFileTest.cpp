// Keys, defaults and both directions of Exchange of a program to launch.
#include "updater/TupExecutableFile.h"

#include <gtest/gtest.h>

namespace {

TEST(TupExecutableFileTest, KeysDefaultsAndBothDirections) {
    CTupExecutableFile program;
    program.SetParameter(L"/keep");
    ObjContainer section;
    section.SetString(L"Path", L"[$TN_INSTALL_PATH]tool.exe");
    section.SetUnsignedLong(L"WaitTillEnd", 1);
    program.Load(&section);
    EXPECT_EQ(L"[$TN_INSTALL_PATH]tool.exe", program.Path());
    EXPECT_EQ(L"/keep", program.Parameter());  // absent: unchanged
    EXPECT_EQ(1u, program.WaitTillEnd());

    auto saved = program.Save();
    EXPECT_EQ(3u, saved->Count());
    CTupExecutableFile again;
    again.Load(saved.get());
    EXPECT_EQ(L"[$TN_INSTALL_PATH]tool.exe", again.Path());
    EXPECT_EQ(L"/keep", again.Parameter());
    EXPECT_EQ(1u, again.WaitTillEnd());

    CTupExecutableFile fresh;
    EXPECT_TRUE(fresh.Path().empty());
    EXPECT_EQ(0u, fresh.WaitTillEnd());
}

}  // namespace
