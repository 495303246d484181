// The result of tavpkg apply, preview and --detect as JSON, in the form
// docs/tavpkg-result.schema.json describes.
#pragma once

#include <string>

#include "app/unattended/UnattendedApply.h"
#include "app/unattended/UpdatePreview.h"

// Raised when a field changes its meaning or goes away; new fields keep the version.
constexpr int kResultSchemaVersion = 1;

// The result as one JSON object, UTF-8.
std::string UpdateResultJson(const UpdateResult& result);

// Detection's answer as JSON: the preview's result with the answer in front.
std::string DetectResultJson(const UpdateResult& result, const DetectAnswer& answer);
