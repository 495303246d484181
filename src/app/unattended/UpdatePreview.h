// What a preview of the update tells the administrator: the plan grouped by kind with its
// count line, and the one-line answer deployment tools read (is the update applied?).
#pragma once

#include <string>
#include <vector>

#include "app/unattended/UnattendedApply.h"

// The plan, one line each, ending with the count line (and the step and reason of a run that
// would fail or be refused).
std::vector<std::wstring> PreviewPlanLines(const UpdateResult& result);

namespace DetectExit {
constexpr int Applied = 0;      // applying would leave every installed file and value as it is
constexpr int WouldChange = 1;  // applying would change the server, or its last run failed
constexpr int CannotTell = 2;   // no installation, a broken package, a run that would not finish
}  // namespace DetectExit

struct DetectAnswer {
    int exitCode = DetectExit::CannotTell;
    std::wstring line;
};

DetectAnswer Detect(const UpdateResult& result);
