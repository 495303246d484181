// A named log file that collects records and writes them out on Flush; and the process-wide
// registry of log files.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "log/LogData.h"
#include "log/LogFileStrategy.h"

namespace HighPerformanceLog {

class CLogFile {
public:
    explicit CLogFile(std::wstring name);
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    const std::wstring& Name() const { return name_; }

    void AddStrategy(std::unique_ptr<CLogFileMaintenanceStrategy> strategy);

    // Formats a record printf-style (use %ls for wide strings) and queues it; no file work.
    void Add(const wchar_t* format, ...);
    // Queues a record with the text as it stands.
    void AddText(std::wstring text);

    // Writes every pending record through every strategy, in the order they were added.
    void Flush();

private:
    std::wstring name_;
    std::mutex strategiesLock_;
    std::vector<std::unique_ptr<CLogFileMaintenanceStrategy>> strategies_;
    std::mutex recordsLock_;
    std::deque<CLogData> records_;
};

// The log file registered under name, created with strategy when there is none; otherwise the
// passed strategy is destroyed. Never null.
CLogFile* GetLogFile(const std::wstring& name,
                     std::unique_ptr<CLogFileMaintenanceStrategy> strategy);

// Destroys every registered log file; records not yet flushed are dropped.
void ReleaseAllLogFiles();

}  // namespace HighPerformanceLog
