// Keys, defaults and both directions of Exchange of a module file, and copying by value.
#include "updater/TupModuleFile.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(TupModuleFileTest, DefaultsStayForAbsentKeysAndEveryKeyIsRead) {
    CTupModuleFile file;
    file.SetVersionCheckType(9);
    ObjContainer empty;
    file.Load(&empty);
    EXPECT_TRUE(file.UpdatePackageFile().empty());
    EXPECT_TRUE(file.InstallationFile().empty());
    EXPECT_EQ(0u, file.ExistenceCheckType());
    EXPECT_EQ(9u, file.VersionCheckType());  // an absent key leaves the value
    EXPECT_EQ(1u, file.UpdateFile());

    ObjContainer section;
    section.SetString(L"UpdatePackageFile", L"bin\\a.dll");
    section.SetString(L"installationfile", L"[$TN_INSTALL_PATH]bin\\a.dll");  // any letter case
    section.SetUnsignedLong(L"ExistenceCheckType", 1);
    section.SetUnsignedLong(L"VersionCheckType", 2);
    section.SetUnsignedLong(L"UpdateCheckType", 3);
    section.SetUnsignedLong(L"UserCustomizationCheckPlanned", 4);
    section.SetUnsignedLong(L"UpdateConditionType", 5);
    section.SetString(L"UpdateFile", L"0");  // not a key: the run-time flag stays set
    section.SetUnsignedLong(L"updateFile", 0);
    CTupModuleFile loaded;
    loaded.Load(&section);
    EXPECT_EQ(L"bin\\a.dll", loaded.UpdatePackageFile());
    EXPECT_EQ(L"[$TN_INSTALL_PATH]bin\\a.dll", loaded.InstallationFile());
    EXPECT_EQ(1u, loaded.ExistenceCheckType());
    EXPECT_EQ(2u, loaded.VersionCheckType());
    EXPECT_EQ(3u, loaded.UpdateCheckType());
    EXPECT_EQ(4u, loaded.UserCustomizationCheckPlanned());
    EXPECT_EQ(5u, loaded.UpdateConditionType());
    EXPECT_EQ(1u, loaded.UpdateFile());
}

TEST(TupModuleFileTest, AValueOfTheWrongKindLeavesTheDefault) {
    ObjContainer section;
    section.SetUnsignedLong(L"UpdatePackageFile", 3);
    section.SetString(L"VersionCheckType", L"2");
    CTupModuleFile file;
    file.Load(&section);
    EXPECT_TRUE(file.UpdatePackageFile().empty());
    EXPECT_EQ(0u, file.VersionCheckType());
}

TEST(TupModuleFileTest, StoringWritesThePathsAndFiveNumbersButNotTheFlag) {
    CTupModuleFile file;
    file.SetUpdatePackageFile(L"web\\*.asp");
    file.SetInstallationFile(L"C:\\Tav\\web\\x.asp");
    file.SetExistenceCheckType(1);
    file.SetVersionCheckType(2);
    file.SetUpdateCheckType(3);
    file.SetUserCustomizationCheckPlanned(1);
    file.SetUpdateConditionType(1);
    file.SetUpdateFile(0);
    auto saved = file.Save();
    EXPECT_EQ(7u, saved->Count());
    EXPECT_EQ(OCString, saved->GetType(L"UpdatePackageFile"));
    EXPECT_EQ(OCUnsignedLong, saved->GetType(L"UpdateConditionType"));
    EXPECT_FALSE(saved->Exists(L"UpdateFile"));

    CTupModuleFile again;
    again.Load(saved.get());
    EXPECT_EQ(L"web\\*.asp", again.UpdatePackageFile());
    EXPECT_EQ(L"C:\\Tav\\web\\x.asp", again.InstallationFile());
    EXPECT_EQ(1u, again.ExistenceCheckType());
    EXPECT_EQ(2u, again.VersionCheckType());
    EXPECT_EQ(3u, again.UpdateCheckType());
    EXPECT_EQ(1u, again.UserCustomizationCheckPlanned());
    EXPECT_EQ(1u, again.UpdateConditionType());
    EXPECT_EQ(1u, again.UpdateFile());
}

TEST(TupModuleFileTest, CopiesInAListAreIndependent) {
    CTupModuleFile pattern;
    pattern.SetUpdatePackageFile(L"bin\\*.dll");
    pattern.SetVersionCheckType(2);
    std::vector<CTupModuleFile> files{pattern, pattern};
    files[1].SetInstallationFile(L"C:\\Tav\\bin\\b.dll");
    files[1].SetUpdateFile(0);
    EXPECT_TRUE(files[0].InstallationFile().empty());
    EXPECT_EQ(1u, files[0].UpdateFile());
    EXPECT_EQ(2u, files[1].VersionCheckType());
}

}  // namespace
