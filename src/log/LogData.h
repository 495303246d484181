// One record of a log file: its text and the local time it was added.
#pragma once

#include <cstdint>
#include <string>

namespace HighPerformanceLog {

// The local time in the eight fields of a Windows system time.
struct LogTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

class CLogData {
public:
    CLogData() = default;
    CLogData(std::wstring text, const LogTime& time) : text_(std::move(text)), time_(time) {}
    CLogData(const CLogData&) = default;
    CLogData& operator=(const CLogData&) = default;
    CLogData(CLogData&&) = default;
    CLogData& operator=(CLogData&&) = default;
    virtual ~CLogData() = default;

    const std::wstring& Text() const { return text_; }
    const LogTime& Time() const { return time_; }

private:
    std::wstring text_;
    LogTime time_;
};

}  // namespace HighPerformanceLog
