// Steps the product updaters share: the server's settings key, the secure channel values and
// path placeholders; and that every class of this folder is created by its name.
#include "modules/TupUpdaterSteps.h"

#include <gtest/gtest.h>

#include "manager/TupClassFactory.h"
#include "modules/ModuleTestWorld.h"
#include "modules/TupDifFilesUpdater.h"
#include "modules/TupGenericUpdater.h"
#include "modules/TupLpdServiceUpdater.h"
#include "modules/TupTavLangXmlUpdater.h"
#include "modules/TupWebModulesUpdater.h"

namespace {

using module_tests::MakeFile;
using module_tests::ModuleWorld;
using module_tests::Strings;

TEST(TupUpdaterStepsTest, OnlyTheFirstPlaceholderFoundIsReplacedInEachPath) {
    const std::vector<TupSteps::PathPlaceholder> placeholders = {
        {L"[$A]", L"C:\\a\\"}, {L"[$B]", L"D:\\[$B]\\"}, {L"", L"never"}};
    struct Case {
        std::wstring path;
        std::wstring expected;
    } cases[] = {
        {L"[$A]x[$A]y", L"C:\\a\\xC:\\a\\y"},
        // Both in one path: the first in list order wins, wherever it stands.
        {L"[$B]x[$A]", L"[$B]xC:\\a\\"},
        // A value holding its own placeholder is not replaced again.
        {L"[$B][$B]", L"D:\\[$B]\\D:\\[$B]\\"},
        {L"[$a]plain", L"[$a]plain"},
        {L"", L""},
    };
    std::vector<CTupModuleFile> files;
    for (const Case& c : cases) files.push_back(MakeFile(L"p", c.path));

    EXPECT_EQ(3, TupSteps::ReplacePathPlaceholders(files, placeholders));
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(cases[i].expected, files[i].InstallationFile()) << i;
        EXPECT_EQ(L"p", files[i].UpdatePackageFile());
    }
}

TEST(TupUpdaterStepsTest, TheServerSettingsKeyIsTheRemoteServersWhenItRuns) {
    EXPECT_EQ(module_tests::kProductKey, TupSteps::ServerSettingsKey(nullptr));
    EXPECT_EQ(module_tests::kProductKey, TupSteps::ServerSettingsKey(ModuleWorld().manager.get()));
    EXPECT_EQ(module_tests::kTavApsKey,
              TupSteps::ServerSettingsKey(ModuleWorld({L"TavAps.exe"}).manager.get()));
}

TEST(TupUpdaterStepsTest, EachClassIsCreatedByItsNameAndAddsNoProgramsOfItsOwn) {
    for (const wchar_t* name : {L"CTupGenericUpdater", L"CTupLpdServiceUpdater", L"CTupTavLangXmlUpdater",
                                L"CTupDifFilesUpdater", L"CTupWebModulesUpdater"}) {
        SCOPED_TRACE(tav::ToUtf8(name));
        ModuleWorld world;
        std::unique_ptr<CPersistentObject> object = TupClassFactory::Create(name);
        auto* updater = dynamic_cast<CTupModuleUpdater*>(object.get());
        ASSERT_NE(nullptr, updater);
        const bool rightClass =
            std::wstring(name) == L"CTupGenericUpdater"      ? dynamic_cast<CTupGenericUpdater*>(updater) != nullptr
            : std::wstring(name) == L"CTupLpdServiceUpdater" ? dynamic_cast<CTupLpdServiceUpdater*>(updater) != nullptr
            : std::wstring(name) == L"CTupTavLangXmlUpdater" ? dynamic_cast<CTupTavLangXmlUpdater*>(updater) != nullptr
            : std::wstring(name) == L"CTupDifFilesUpdater"   ? dynamic_cast<CTupDifFilesUpdater*>(updater) != nullptr
                                                             : dynamic_cast<CTupWebModulesUpdater*>(updater) != nullptr;
        EXPECT_TRUE(rightClass);
        updater->Attach(world.manager.get(), &world.texts, &world.language);
        CTupExecutableFile program;
        program.SetPath(L"C:\\TAV\\tool.exe");
        updater->ExecutablesToLaunch().push_back(program);

        // The run has started the module's programs through the base call already.
        EXPECT_EQ(1, updater->LaunchExecutables());
        EXPECT_TRUE(world.machine.launcher.starts.empty());
        EXPECT_TRUE(world.TakeReports().empty());
    }
}

}  // namespace
