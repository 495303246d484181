// The default log file target.
#include "log/LogFileTarget.h"

#include <cstdio>

#include "base/WideText.h"

CLogFileTargetDefault::CLogFileTargetDefault(std::unique_ptr<sys::IAppendFile> file)
    : file_(std::move(file)) {}

CLogFileTargetDefault::~CLogFileTargetDefault() {
    // Whatever was written and not yet flushed still reaches the file when it closes.
    FlushTarget();
}

std::string CLogFileTargetDefault::FormatLine(const HighPerformanceLog::CLogData& record) {
    const auto& t = record.Time();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d - ", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, t.milliseconds);
    std::string line(stamp);
    line += tav::ToUtf8(record.Text());
    line += "\r\n";
    return line;
}

bool CLogFileTargetDefault::WriteRecord(const HighPerformanceLog::CLogData& record) {
    if (!file_) return true;
    cache_ += FormatLine(record);
    return true;
}

bool CLogFileTargetDefault::FlushTarget() {
    if (!file_ || cache_.empty()) return true;
    const bool written = file_->Write(cache_.data(), cache_.size());
    cache_.clear();
    return written;
}

uint64_t CLogFileTargetDefault::GetTargetLength() {
    return file_ ? file_->Length() + cache_.size() : 0;
}
