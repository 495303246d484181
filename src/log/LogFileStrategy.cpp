// The default maintenance strategy: open for appending, write, close.
#include "log/LogFileStrategy.h"

#include "log/LogFile.h"
#include "system/Machine.h"

std::unique_ptr<HighPerformanceLog::CLogFileTarget> CLfmStrategyDefault::OpenTarget(
    HighPerformanceLog::CLogFile* logFile) {
    if (!logFile) return nullptr;
    // Opened in binary mode: the lines carry their own CR LF.
    auto file = sys::CurrentMachine().files->OpenForAppend(logFile->Name());
    if (!file) return nullptr;
    return std::make_unique<CLogFileTargetDefault>(std::move(file));
}

void CLfmStrategyDefault::CloseTarget(std::unique_ptr<HighPerformanceLog::CLogFileTarget> target) {
    target.reset();
}

std::unique_ptr<HighPerformanceLog::CLogFileTarget> CLfmStrategyDefault::MaintainTarget(
    HighPerformanceLog::CLogFile*, std::unique_ptr<HighPerformanceLog::CLogFileTarget> target) {
    return target;
}
