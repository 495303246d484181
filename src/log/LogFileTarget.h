// Targets write log records into an open log file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "log/LogData.h"
#include "system/Files.h"

namespace HighPerformanceLog {

class CLogFileTarget {
public:
    virtual ~CLogFileTarget() = default;
    // False on a file error; the flush then skips the remaining records for this target.
    virtual bool WriteRecord(const CLogData& record) = 0;
    virtual bool FlushTarget() = 0;
    virtual uint64_t GetTargetLength() = 0;
};

}  // namespace HighPerformanceLog

// Writes each record as one UTF-8 line "yyyy-mm-dd hh:mm:ss.mmm - text" ending in CR LF,
// collecting the lines and writing them out on FlushTarget.
class CLogFileTargetDefault : public HighPerformanceLog::CLogFileTarget {
public:
    explicit CLogFileTargetDefault(std::unique_ptr<sys::IAppendFile> file);
    ~CLogFileTargetDefault() override;

    bool WriteRecord(const HighPerformanceLog::CLogData& record) override;
    bool FlushTarget() override;
    uint64_t GetTargetLength() override;

    // The bytes of one record's line.
    static std::string FormatLine(const HighPerformanceLog::CLogData& record);

private:
    std::unique_ptr<sys::IAppendFile> file_;
    std::string cache_;
};
