// Updater of a conditional module.
#include "modules/TupGenericUpdater.h"

#include "base/WideText.h"
#include "manager/TupManager.h"
#include "modules/TupUpdaterSteps.h"

int CTupGenericUpdater::PrepareUpdate() {
    if (!CTupModuleUpdater::PrepareUpdate()) return 0;
    if (!ExecutionCondition().IsMet()) execute_ = false;
    for (const CTupExecutionCondition& condition : ExecutionConditions()) {
        if (!condition.IsMet()) execute_ = false;
    }
    if (!execute_) return 0;
    ExpandFilePatterns();
    WriteScanServerSecureChannel();
    return 1;
}

void CTupGenericUpdater::WriteScanServerSecureChannel() {
    CTupManager* manager = Manager();
    if (!manager || !tav::FoldEquals(manager->ComponentName(), kScanServerComponent) ||
        !manager->RunsMantlebox() || !manager->HasScanServerSecureChannelInternal()) {
        return;
    }
    TupSteps::WriteSecureChannelValues(manager, kMantleboxKey,
                                       manager->ScanServerSecureChannelInternal(),
                                       kScanServerHttpsPort);
    // Only the first scan server updater of the run writes the values.
    manager->ClearScanServerSecureChannelInternalMark();
}
