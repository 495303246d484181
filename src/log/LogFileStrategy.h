// Maintenance strategies decide how a log file is opened, maintained and closed.
#pragma once

#include <memory>
#include <string>

#include "log/LogFileTarget.h"

namespace HighPerformanceLog {

class CLogFile;

class CLogFileMaintenanceStrategy {
public:
    virtual ~CLogFileMaintenanceStrategy() { owner_ = nullptr; }

    // A new target for writing into the log file, or null when it cannot be opened.
    virtual std::unique_ptr<CLogFileTarget> OpenTarget(CLogFile* logFile) = 0;
    virtual void CloseTarget(std::unique_ptr<CLogFileTarget> target) = 0;
    // Maintenance after the records were written; returns the target that is to be closed.
    virtual std::unique_ptr<CLogFileTarget> MaintainTarget(CLogFile* logFile,
                                                           std::unique_ptr<CLogFileTarget> target) = 0;
    virtual std::wstring GetStrategyName() { return std::wstring(); }
    virtual void SetLogFile(CLogFile* logFile) { owner_ = logFile; }

    CLogFile* LogFile() const { return owner_; }

private:
    CLogFile* owner_ = nullptr;
};

}  // namespace HighPerformanceLog

// Appends to the file named by the log file, without limits, rotation or deletion.
class CLfmStrategyDefault : public HighPerformanceLog::CLogFileMaintenanceStrategy {
public:
    std::unique_ptr<HighPerformanceLog::CLogFileTarget> OpenTarget(
        HighPerformanceLog::CLogFile* logFile) override;
    void CloseTarget(std::unique_ptr<HighPerformanceLog::CLogFileTarget> target) override;
    std::unique_ptr<HighPerformanceLog::CLogFileTarget> MaintainTarget(
        HighPerformanceLog::CLogFile* logFile,
        std::unique_ptr<HighPerformanceLog::CLogFileTarget> target) override;
};
