// Reports: what reaches the wizard's status list, its current action and the result log.
#include <gtest/gtest.h>

#include <mutex>

#include "app/lang/StringBase.h"
#include "fakes/FakeMachine.h"
#include "fakes/ScratchFolder.h"
#include "log/LogFile.h"
#include "manager/TupManager.h"
#include "manager/TupOwner.h"

namespace {

// Records what the wizard would show.
class RecordingOwner : public ITupOwner {
public:
    struct Line {
        std::wstring text;
        int step;
        int total;
    };
    void AddStatusLine(const std::wstring& text, int step, int total) override {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back({text, step, total});
    }
    void SetCurrentAction(const std::wstring& text) override {
        std::lock_guard<std::mutex> lock(mutex);
        actions.push_back(text);
    }
    // Reports ask nothing.
    int AskQuestion(const std::wstring&, const std::wstring&, uint32_t) override {
        return sys::MessageAnswer::Cancel;
    }
    std::mutex mutex;
    std::vector<Line> lines;
    std::vector<std::wstring> actions;
};

const char kLanguageFile[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TAVLANG>\n"
    "<STRING code=\"53046\"><LANG code=\"EN\">Creating the backup folder</LANG>"
    "<LANG code=\"DE\">Sicherungsordner wird angelegt</LANG></STRING>\n"
    "<STRING code=\"53100\"><LANG code=\"EN\">Copying; please wait</LANG>"
    "<LANG code=\"DE\">Kopieren; bitte warten</LANG></STRING>\n"
    "<STRING code=\"53101\"><LANG code=\"EN\">Done: 100% of \"%d\" files</LANG></STRING>\n"
    "<STRING code=\"53102\"><LANG code=\"EN\">Stra\xC3\x9F" "e &amp; Weg</LANG></STRING>\n"
    "</TAVLANG>\n";

class TupReportTest : public ::testing::Test {
protected:
    TupReportTest() {
        machine.UseHostFiles();  // the language file and config.xml are real files
        machine.program.path = folder.PathOf("") + L"TavUpdateWizard.exe";
        folder.Write("TavLang.Xml", kLanguageFile);
        folder.Write("config.xml",
                     "<C><ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
                     "<ITEM key=\"ComponentName\" type=\"OCString\">Tarnova server</ITEM>"
                     "</ITEM></C>");
        manager = std::make_unique<CTupManager>(&texts, &language, enforce);
        manager->LoadNextPackage();
        logPath = folder.PathOf("x_log.csv");
    }
    ~TupReportTest() override { manager.reset(); }

    // The result log's lines without their time stamps.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::string content;
        sys::HostMachine().files->ReadAll(logPath, content);
        size_t start = 0;
        while (start < content.size()) {
            const size_t end = content.find("\r\n", start);
            const std::string line = content.substr(start, end - start);
            lines.push_back(line.substr(line.find(" - ") + 3));
            start = end + 2;
        }
        return lines;
    }

    fakes::FakeMachine machine;
    testing_support::ScratchFolder folder;
    CStringBase texts;
    std::wstring language = L"EN";
    uint32_t enforce = 0;
    std::unique_ptr<CTupManager> manager;
    RecordingOwner owner;
    std::wstring logPath;
};

TEST_F(TupReportTest, KindsDecideWhereTheTextGoesAndEveryReportSetsTheCurrentAction) {
    manager->SetOwner(&owner);
    manager->OpenResultLog(logPath);
    manager->Report(kReportStatus, 53046, 10, 20, L"D:\\Backup");
    manager->Report(kReportResultLog, 53046, -1, -1);
    manager->Report(kReportBoth, 53046, 30, -1, L"x");

    ASSERT_EQ(2u, owner.lines.size());
    EXPECT_EQ(L"Tarnova server: Creating the backup folder D:\\Backup", owner.lines[0].text);
    EXPECT_EQ(10, owner.lines[0].step);
    EXPECT_EQ(20, owner.lines[0].total);
    EXPECT_EQ(L"Tarnova server: Creating the backup folder x", owner.lines[1].text);
    EXPECT_EQ(30, owner.lines[1].step);
    EXPECT_EQ(-1, owner.lines[1].total);
    EXPECT_EQ((std::vector<std::wstring>{L"Creating the backup folder D:\\Backup",
                                         L"Creating the backup folder",
                                         L"Creating the backup folder x"}),
              owner.actions);
    EXPECT_EQ((std::vector<std::string>{";Tarnova server: Creating the backup folder",
                                        ";Tarnova server: Creating the backup folder x"}),
              LogLines());
}

TEST_F(TupReportTest, TheResultLogIsEnglishWhateverTheWizardShows) {
    language = L"DE";
    manager->SetOwner(&owner);
    manager->OpenResultLog(logPath);
    manager->Report(kReportBoth, 53046, -1, -1);
    ASSERT_EQ(1u, owner.lines.size());
    EXPECT_EQ(L"Tarnova server: Sicherungsordner wird angelegt", owner.lines[0].text);
    EXPECT_EQ((std::vector<std::string>{";Tarnova server: Creating the backup folder"}), LogLines());
}

TEST_F(TupReportTest, ResultLogTextsStayInTheirColumn) {
    manager->OpenResultLog(logPath);
    manager->Report(kReportResultLog, 53100, -1, -1, L"say \"hi\"");
    manager->Report(kReportResultLog, 53101, -1, -1, L"%s %n");
    manager->Report(kReportResultLog, 53102, -1, -1, L"line one\r\nline two");
    EXPECT_EQ((std::vector<std::string>{
                  "\"Tarnova server: Copying; please wait say \"\"hi\"\"\"",
                  "Tarnova server: Done: 100% of \"%d\" files %s %n",
                  "Tarnova server: Stra\xC3\x9F" "e & Weg line one  line two"}),
              [&] {
                  auto lines = LogLines();
                  for (auto& l : lines) l.erase(0, 1);  // the column separator
                  return lines;
              }());
}

TEST_F(TupReportTest, ATextStartingWithAQuoteIsQuotedToo) {
    manager->OpenResultLog(logPath);
    uint32_t enforceAgain = 0;
    folder.Write("config.xml",
                 "<C><ITEM key=\"Tarnova_Update\" type=\"OCContainer\">"
                 "<ITEM key=\"ComponentName\" type=\"OCString\">\"Q\" server</ITEM></ITEM></C>");
    CTupManager quoted(&texts, &language, enforceAgain);
    quoted.LoadNextPackage();
    quoted.OpenResultLog(logPath);
    quoted.Report(kReportResultLog, 53046, -1, -1);
    EXPECT_EQ((std::vector<std::string>{";\"\"\"Q\"\" server: Creating the backup folder\""}),
              LogLines());
}

TEST_F(TupReportTest, MissingTextsOwnerOrLogStillReportWhatTheyCan) {
    manager->Report(kReportBoth, 53046, -1, -1);  // no owner, no log: nothing to do, no harm
    manager->SetOwner(&owner);
    manager->Report(kReportBoth, 59999, -1, -1, L"extra");
    ASSERT_EQ(1u, owner.lines.size());
    EXPECT_EQ(L"Tarnova server:  extra", owner.lines[0].text);
    EXPECT_EQ(L" extra", owner.actions.back());
    // No result log open yet: the line is dropped.
    EXPECT_FALSE(sys::IsExistingFile(*sys::HostMachine().files, logPath));
}

}  // namespace
