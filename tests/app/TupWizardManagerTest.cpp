// The wizard's manager: a confirmed settings form marks as set exactly the settings it shows,
// so that the updaters replace the administrator's values only with answers of this run.
#include "app/TupWizardManager.h"

#include <gtest/gtest.h>

#include "app/CommSyncSettings.h"
#include "modules/ServerUpdaterTestWorld.h"

namespace {

TEST(TupWizardManagerTest, EachFormMarksTheSettingsItShowsAsSet) {
    const struct {
        CommSyncForm form;
        bool secureChannel, internal, scanServer;
    } cases[] = {
        {CommSyncForm::MainServer, true, false, false},
        {CommSyncForm::MainServerInternal, true, true, false},
        {CommSyncForm::RemotePrintServer, false, true, false},
        {CommSyncForm::ScanServer, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.form));
        server_tests::ServerWorld world;
        CTupManager& manager = world.Manager();
        CTupWizardManager wizard(manager);
        EXPECT_FALSE(manager.HasEnforceSecureChannel());

        CCommSyncSettings settings(c.form, world.texts, &world.language, L"h");
        settings.SetDefaults();
        settings.enforceSecureChannel = 1;
        settings.enforceSecureChannelInternal = 1;
        wizard.TakeSettings(settings);

        EXPECT_EQ(c.secureChannel, manager.HasEnforceSecureChannel());
        EXPECT_EQ(c.secureChannel ? 1u : 0u, manager.EnforceSecureChannel());
        EXPECT_EQ(c.internal, manager.HasEnforceSecureChannelInternal());
        EXPECT_EQ(c.scanServer, manager.HasScanServerSecureChannelInternal());
    }
}

}  // namespace
