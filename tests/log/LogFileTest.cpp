// The log writer: line format, flushing, file errors, the registry of log files, threads.
#include "log/LogFile.h"

#include <gtest/gtest.h>

#include <thread>

#include "fakes/FakeMachine.h"

namespace {

using HighPerformanceLog::CLogFile;
using HighPerformanceLog::GetLogFile;
using HighPerformanceLog::ReleaseAllLogFiles;

const std::wstring kPath = L"C:\\Tav\\_TupBkp\\20261208_093000000\\20261208_093000000_log.csv";

class LogFileTest : public ::testing::Test {
protected:
    ~LogFileTest() override { ReleaseAllLogFiles(); }

    LogFileTest() { machine.files.AddFolder(L"C:\\Tav\\_TupBkp\\20261208_093000000"); }

    CLogFile* Open(const std::wstring& path = kPath) {
        return GetLogFile(path, std::make_unique<CLfmStrategyDefault>());
    }

    fakes::FakeMachine machine;
};

TEST_F(LogFileTest, WritesOneUtf8LinePerRecordWithTimeStampAndCrLf) {
    machine.clock.start = {2024, 3, 5, 14, 7, 9, 42, 2};
    CLogFile* log = Open();
    log->Add(L"%ls", L"Start");
    machine.clock.SleepMs(1001);
    log->Add(L"%ls", L"Gr\u00FC\u00DFe 100% %d \u20AC");
    log->Flush();
    EXPECT_EQ("2024-03-05 14:07:09.042 - Start\r\n"
              "2024-03-05 14:07:10.043 - Gr\xC3\xBC\xC3\x9F" "e 100% %d \xE2\x82\xAC\r\n",
              machine.files.Read(kPath));
}

TEST_F(LogFileTest, FormatsArgumentsAndAppendsToWhatIsThere) {
    CLogFile* log = Open();
    log->Add(L"%ls: %d of %d", L"Files", 3, 12);
    log->Flush();
    log->AddText(L"second");
    log->Flush();
    const std::string content = machine.files.Read(kPath);
    EXPECT_NE(std::string::npos, content.find(" - Files: 3 of 12\r\n"));
    EXPECT_EQ(content.size() - 2, content.find(" - second\r\n") + 9);
}

TEST_F(LogFileTest, FlushWithNothingPendingOpensNoFile) {
    CLogFile* log = Open();
    log->Flush();
    EXPECT_EQ(0, machine.files.opens);
    EXPECT_FALSE(machine.files.Exists(kPath));
}

TEST_F(LogFileTest, ALockedFileLosesThatFlushOnly) {
    CLogFile* log = Open();
    machine.files.AddFile(kPath);  // another process has the file open without sharing
    machine.files.Lock(kPath);
    log->AddText(L"lost");
    log->Flush();
    machine.files.Unlock(kPath);
    log->AddText(L"kept");
    log->Flush();
    const std::string content = machine.files.Read(kPath);
    EXPECT_EQ(std::string::npos, content.find("lost"));
    EXPECT_NE(std::string::npos, content.find(" - kept\r\n"));
}

TEST_F(LogFileTest, AWriteErrorDropsTheRestOfThatFlush) {
    CLogFile* log = Open();
    log->AddText(L"one");
    log->AddText(L"two");
    log->AddText(L"three");
    machine.files.FailWritesAfter(CLogFileTargetDefault::FormatLine({L"one", {}}).size());
    log->Flush();
    machine.files.FailWritesAfter(static_cast<size_t>(-1));
    log->AddText(L"four");
    log->Flush();
    const std::string content = machine.files.Read(kPath);
    EXPECT_NE(std::string::npos, content.find(" - one\r\n"));
    EXPECT_EQ(std::string::npos, content.find("two"));
    EXPECT_EQ(std::string::npos, content.find("three"));
    EXPECT_NE(std::string::npos, content.find(" - four\r\n"));
}

// Counts its own destruction, to see which strategies a log file keeps.
class CountingStrategy : public CLfmStrategyDefault {
public:
    explicit CountingStrategy(int* destroyed) : destroyed_(destroyed) {}
    ~CountingStrategy() override { ++*destroyed_; }

private:
    int* destroyed_;
};

TEST_F(LogFileTest, TheSameNameGivesTheSameFileAndASecondStrategyIsDestroyed) {
    int destroyed = 0;
    CLogFile* first = GetLogFile(kPath, std::make_unique<CountingStrategy>(&destroyed));
    CLogFile* second = GetLogFile(kPath, std::make_unique<CountingStrategy>(&destroyed));
    EXPECT_EQ(first, second);
    EXPECT_EQ(1, destroyed);
    // Names are case-sensitive keys.
    EXPECT_NE(first, GetLogFile(L"c:\\tav\\other.csv", nullptr));
    second->AddText(L"once");
    second->Flush();
    const std::string content = machine.files.Read(kPath);
    EXPECT_EQ(content.find("once"), content.rfind("once"));
    ReleaseAllLogFiles();
    EXPECT_EQ(2, destroyed);
}

TEST_F(LogFileTest, AFileWithoutStrategyWritesNothing) {
    CLogFile* log = GetLogFile(kPath, nullptr);
    log->AddText(L"nowhere");
    log->Flush();
    EXPECT_FALSE(machine.files.Exists(kPath));
}

TEST_F(LogFileTest, RecordsNotFlushedBeforeReleaseAreDropped) {
    CLogFile* log = Open();
    log->AddText(L"written");
    log->Flush();
    log->AddText(L"pending");
    ReleaseAllLogFiles();
    const std::string content = machine.files.Read(kPath);
    EXPECT_NE(std::string::npos, content.find("written"));
    EXPECT_EQ(std::string::npos, content.find("pending"));
}

TEST_F(LogFileTest, ConcurrentAddAndFlushKeepEveryRecordOnceInOrder) {
    CLogFile* log = Open();
    constexpr int kPerThread = 400;
    auto writer = [log](wchar_t tag) {
        for (int i = 0; i < kPerThread; ++i) {
            log->Add(L"%lc%04d", tag, i);
            if (i % 7 == 0) log->Flush();
        }
    };
    std::thread a(writer, L'a');
    std::thread b(writer, L'b');
    a.join();
    b.join();
    log->Flush();

    const std::string content = machine.files.Read(kPath);
    int next[2] = {0, 0};
    size_t lines = 0;
    for (size_t pos = 0; (pos = content.find(" - ", pos)) != std::string::npos; pos += 3) {
        const char tag = content[pos + 3];
        const int index = std::stoi(content.substr(pos + 4, 4));
        ASSERT_TRUE(tag == 'a' || tag == 'b');
        EXPECT_EQ(next[tag - 'a'], index) << "records of one thread out of order";
        next[tag - 'a'] = index + 1;
        ++lines;
    }
    EXPECT_EQ(2u * kPerThread, lines);
}

}  // namespace
