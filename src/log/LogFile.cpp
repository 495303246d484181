// A named log file that collects records and writes them out on Flush; and the process-wide
// registry of log files.
#include "log/LogFile.h"

#include <cstdarg>
#include <cwchar>
#include <map>

#include "system/Machine.h"

namespace HighPerformanceLog {
namespace {

std::mutex g_registryLock;
std::map<std::wstring, std::unique_ptr<CLogFile>>& Registry() {
    static std::map<std::wstring, std::unique_ptr<CLogFile>> registry;
    return registry;
}

LogTime Now() {
    const sys::LocalTime t = sys::CurrentMachine().clock->Now();
    LogTime time;
    time.year = static_cast<uint16_t>(t.year);
    time.month = static_cast<uint16_t>(t.month);
    time.dayOfWeek = static_cast<uint16_t>(t.dayOfWeek);
    time.day = static_cast<uint16_t>(t.day);
    time.hour = static_cast<uint16_t>(t.hour);
    time.minute = static_cast<uint16_t>(t.minute);
    time.second = static_cast<uint16_t>(t.second);
    time.milliseconds = static_cast<uint16_t>(t.millisecond);
    return time;
}

std::wstring FormatV(const wchar_t* format, va_list args) {
    std::wstring text(256, L'\0');
    for (;;) {
        va_list attempt;
        va_copy(attempt, args);
        const int n = std::vswprintf(text.data(), text.size(), format, attempt);
        va_end(attempt);
        if (n >= 0 && static_cast<size_t>(n) < text.size()) {
            text.resize(static_cast<size_t>(n));
            return text;
        }
        // A negative answer may also mean a character that cannot be formatted; give up at
        // a size no log line reaches.
        if (text.size() >= (1u << 22)) return std::wstring();
        text.resize(text.size() * 4);
    }
}

}  // namespace

CLogFile::CLogFile(std::wstring name) : name_(std::move(name)) {}

CLogFile::~CLogFile() {
    {
        std::lock_guard<std::mutex> lock(strategiesLock_);
        strategies_.clear();
    }
    std::lock_guard<std::mutex> lock(recordsLock_);
    records_.clear();
}

void CLogFile::AddStrategy(std::unique_ptr<CLogFileMaintenanceStrategy> strategy) {
    if (!strategy) return;
    std::lock_guard<std::mutex> lock(strategiesLock_);
    strategy->SetLogFile(this);
    strategies_.push_back(std::move(strategy));
}

void CLogFile::Add(const wchar_t* format, ...) {
    if (!format) return;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatV(format, args);
    va_end(args);
    AddText(std::move(text));
}

void CLogFile::AddText(std::wstring text) {
    CLogData record(std::move(text), Now());
    std::lock_guard<std::mutex> lock(recordsLock_);
    records_.push_back(std::move(record));
}

void CLogFile::Flush() {
    // Flushes run one at a time from taking the records to writing them, so that records
    // taken by a later flush never reach the file before those of an earlier one.
    std::lock_guard<std::mutex> lock(strategiesLock_);
    std::deque<CLogData> pending;
    {
        std::lock_guard<std::mutex> recordsLock(recordsLock_);
        pending.swap(records_);
    }
    if (pending.empty()) return;

    for (auto& strategy : strategies_) {
        std::unique_ptr<CLogFileTarget> target = strategy->OpenTarget(this);
        if (!target) continue;
        // A file error drops the rest of this flush for this target.
        for (const CLogData& record : pending) {
            if (!target->WriteRecord(record) || !target->FlushTarget()) break;
        }
        strategy->CloseTarget(strategy->MaintainTarget(this, std::move(target)));
    }
}

CLogFile* GetLogFile(const std::wstring& name,
                     std::unique_ptr<CLogFileMaintenanceStrategy> strategy) {
    std::lock_guard<std::mutex> lock(g_registryLock);
    auto& entry = Registry()[name];
    if (!entry) {
        entry = std::make_unique<CLogFile>(name);
        entry->AddStrategy(std::move(strategy));
    }
    return entry.get();  // a strategy passed for an existing file goes with this scope
}

void ReleaseAllLogFiles() {
    std::lock_guard<std::mutex> lock(g_registryLock);
    Registry().clear();
}

}  // namespace HighPerformanceLog
