// Customized web and script files in the file phase: which files are tested with which
// signature, the copy kept in the to-do folder with its entry, and failures there that never
// stop the update.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "signature/SignatureFactory.h"
#include "updater/TupModuleUpdaterTestWorld.h"

namespace {

using updater_tests::MakeFile;
using updater_tests::Seen;
using updater_tests::UpdaterWorld;
using Reports = std::vector<Seen>;
using Strings = std::vector<std::wstring>;

// The three texts of a to-do entry in two languages, the German ones with a letter beyond ASCII.
class TodoTexts final : public CStringBase {
public:
    TodoTexts() : CStringBase(L"C:\\NoLanguageFiles") {
        AddString("53149", L"EN", L"Replaced");
        AddString("53150", L"EN", L"Merge your changes.");
        AddString("53151", L"EN", L"Your version:");
        AddString("53149", L"DE", L"Ersetzt:");
        AddString("53150", L"DE", L"Bitte \u00c4nderungen \u00fcbernehmen.");
        AddString("53151", L"DE", L"Ihre Fassung:");
    }
};

class FileUpdater : public CTupModuleUpdater {
public:
    using CTupModuleUpdater::ReplaceFiles;
};

class TupCustomizedFileTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kTodo = L"C:\\TAV\\_todo\\";

    TupCustomizedFileTest() {
        // Installed and packaged versions name the to-do list.
        world.machine.versions.Set(L"C:\\TAV\\Qelsrv.exe", 7, 2, 0, 0, 7, 2, 0, 0);
        world.machine.versions.Set(L"C:\\Update\\package\\Qelsrv.exe", 7, 3, 1, 5, 7, 3, 1, 5);
        uint32_t enforce = 0;
        world.manager = std::make_unique<CTupManager>(&world.texts, &world.language, enforce);
        world.manager->SetOwner(&world.owner);
        updater.Attach(world.manager.get(), &texts, &language);
    }

    // A module file planned for the customization test; the installed file holds content.
    CTupModuleFile& Add(const std::wstring& name, const std::wstring& installed,
                        const std::string& content) {
        files.AddFile(UpdaterWorld::kPackage + name, "new " + tav::ToUtf8(name));
        files.AddFile(installed, content);
        updater.Files().push_back(MakeFile(name, installed));
        updater.Files().back().SetUserCustomizationCheckPlanned(1);
        return updater.Files().back();
    }
    // Signs path with the signature of the kind of file named like.
    void Sign(const std::wstring& path, const std::wstring& like) {
        ASSERT_TRUE(CreateSignatureForFile(like)->Sign(path)) << tav::ToUtf8(path);
    }
    // Named after the run's time stamp, the installed and then the packaged version.
    std::wstring TodoList() const {
        return std::wstring(kTodo) + L"update_" + world.manager->TimeStamp() +
               L"_7.2.0.0_7.3.1.5.txt";
    }

    UpdaterWorld world;
    fakes::FakeFiles& files = world.machine.files;
    TodoTexts texts;
    std::wstring language = L"EN";
    FileUpdater updater;
};

TEST_F(TupCustomizedFileTest, ChangedFilesAreKeptInTheTodoFolderWithAnEntryAndStillReplaced) {
    Add(L"web\\page.htm", L"C:\\TAV\\web\\page.htm", "<html><body>mine</body></html>\n");
    Add(L"web\\signed.htm", L"C:\\TAV\\web\\signed.htm", "<html><body>as delivered</body></html>\n");
    Sign(L"C:\\TAV\\web\\signed.htm", L"x.htm");
    // Style sheets carry the script signature: a markup signature line is no signature there.
    Add(L"web\\style.css", L"C:\\TAV\\web\\style.css", "body { color: red; }\n");
    Sign(L"C:\\TAV\\web\\style.css", L"x.js");
    Add(L"web\\other.css", L"C:\\TAV\\web\\other.css", "p { margin: 0; }\n");
    Sign(L"C:\\TAV\\web\\other.css", L"x.htm");
    // A type without a signature is told and replaced.
    Add(L"notes.txt", L"C:\\TAV\\notes.txt", "anything");
    // This library is never tested, whatever its folder and letter case.
    Add(L"lib\\MXCLIENT.JS", L"C:\\TAV\\web\\lib\\MXCLIENT.JS", "changed library");
    // Without an installed file there is nothing to test.
    Add(L"web\\fresh.htm", L"C:\\TAV\\web\\fresh.htm", "");
    files.Remove(L"C:\\TAV\\web\\fresh.htm");
    const std::string styleSigned = files.Read(L"C:\\TAV\\web\\style.css");
    const std::string otherSigned = files.Read(L"C:\\TAV\\web\\other.css");

    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\web\\page.htm"},
                       {tav::kTextCustomizedFileFound, L"C:\\TAV\\web\\page.htm"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\page.htm"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\web\\signed.htm"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\signed.htm"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\web\\style.css"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\style.css"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\web\\other.css"},
                       {tav::kTextCustomizedFileFound, L"C:\\TAV\\web\\other.css"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\other.css"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\notes.txt"},
                       {tav::kTextNoCustomizationCheckForType, L"C:\\TAV\\notes.txt"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\notes.txt"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\web\\lib\\MXCLIENT.JS"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\lib\\MXCLIENT.JS"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\web\\fresh.htm"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\fresh.htm"}}),
              world.TakeReports());
    // Only the customized files also reach the wizard's status list.
    EXPECT_EQ(2, world.owner.statusLines);

    EXPECT_EQ((Strings{L"C:\\TAV\\_todo\\web\\",
                       L"C:\\TAV\\_todo\\web\\page.htm", TodoList(),
                       L"C:\\TAV\\_todo\\web\\other.css"}),
              files.List(L"C:\\TAV\\_todo"));
    EXPECT_EQ("<html><body>mine</body></html>\n", files.Read(L"C:\\TAV\\_todo\\web\\page.htm"));
    EXPECT_EQ(otherSigned, files.Read(L"C:\\TAV\\_todo\\web\\other.css"));
    EXPECT_NE(styleSigned, files.Read(L"C:\\TAV\\web\\style.css"));
    EXPECT_EQ(
        "Replaced C:\\TAV\\web\\page.htm.\r\n"
        "Merge your changes.\r\n"
        "Your version: C:\\TAV\\_todo\\web\\page.htm.\r\n"
        "----------\r\n"
        "Replaced C:\\TAV\\web\\other.css.\r\n"
        "Merge your changes.\r\n"
        "Your version: C:\\TAV\\_todo\\web\\other.css.\r\n"
        "----------\r\n",
        files.Read(TodoList()));
    for (const auto& file : updater.Files()) {
        EXPECT_EQ("new " + tav::ToUtf8(file.UpdatePackageFile()), files.Read(file.InstallationFile()));
    }
}

TEST_F(TupCustomizedFileTest, AnEarlierKeptCopyStaysWithoutANewEntryAndTheListIsOnlyAppendedTo) {
    language = L"DE";
    files.AddFile(std::wstring(kTodo) + L"web\\page.htm", "kept earlier");
    files.AddFile(TodoList(), "earlier entry\r\n");
    Add(L"web\\page.htm", L"C:\\TAV\\web\\page.htm", "<p>changed again</p>\n");
    Add(L"app.js", L"C:\\TAV\\web\\app.js", "var mine = 1;\n");

    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\web\\page.htm"},
                       {tav::kTextCustomizedFileFound, L"C:\\TAV\\web\\page.htm"},
                       {tav::kTextCustomizedFileNotKept, L"C:\\TAV\\web\\page.htm"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\page.htm"},
                       {tav::kTextUpdatingFile, L"C:\\TAV\\web\\app.js"},
                       {tav::kTextCustomizedFileFound, L"C:\\TAV\\web\\app.js"},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\app.js"}}),
              world.TakeReports());
    EXPECT_EQ("kept earlier", files.Read(std::wstring(kTodo) + L"web\\page.htm"));
    EXPECT_EQ("new web\\page.htm", files.Read(L"C:\\TAV\\web\\page.htm"));
    EXPECT_EQ("var mine = 1;\n", files.Read(std::wstring(kTodo) + L"app.js"));
    // The entry in the updater's language, as UTF-8.
    EXPECT_EQ(
        "earlier entry\r\n"
        "Ersetzt: C:\\TAV\\web\\app.js.\r\n"
        "Bitte \xc3\x84nderungen \xc3\xbc" "bernehmen.\r\n"
        "Ihre Fassung: C:\\TAV\\_todo\\app.js.\r\n"
        "----------\r\n",
        files.Read(TodoList()));
}

TEST_F(TupCustomizedFileTest, FailuresWhileKeepingACustomizedFileAreToldButNeverStopTheUpdate) {
    // The list held open by someone else: the copy stays, the entry is missing.
    files.AddFile(TodoList(), "");
    files.Lock(TodoList());
    Add(L"c.tpl", L"C:\\TAV\\web\\c.tpl", "mine");
    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\web\\c.tpl"},
                       {tav::kTextCustomizedFileFound, L"C:\\TAV\\web\\c.tpl"},
                       {tav::kTextTodoListNotOpened, L""},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\c.tpl"}}),
              world.TakeReports());
    EXPECT_EQ("mine", files.Read(std::wstring(kTodo) + L"c.tpl"));

    // No subfolder in the to-do folder.
    updater.Files().clear();
    files.DenyCreateIn(L"C:\\TAV\\_todo");
    Add(L"web\\b.asp", L"C:\\TAV\\web\\b.asp", "mine");
    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\web\\b.asp"},
                       {tav::kTextCustomizedFileFound, L"C:\\TAV\\web\\b.asp"},
                       {tav::kTextTodoSubfolderNotCreated, L""},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\b.asp"}}),
              world.TakeReports());
    EXPECT_EQ("new web\\b.asp", files.Read(L"C:\\TAV\\web\\b.asp"));

    // No to-do folder at all.
    updater.Files().clear();
    ASSERT_TRUE(files.Move(L"C:\\TAV\\_todo", L"C:\\TAV\\_todo_earlier", false));
    files.DenyCreateIn(L"C:\\TAV");
    Add(L"a.htm", L"C:\\TAV\\web\\a.htm", "mine");
    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ((Reports{{tav::kTextUpdatingFile, L"C:\\TAV\\web\\a.htm"},
                       {tav::kTextCustomizedFileFound, L"C:\\TAV\\web\\a.htm"},
                       {tav::kTextTodoFolderNotCreated, L""},
                       {tav::kTextFileUpdated, L"C:\\TAV\\web\\a.htm"}}),
              world.TakeReports());
    EXPECT_EQ("new a.htm", files.Read(L"C:\\TAV\\web\\a.htm"));
}

TEST_F(TupCustomizedFileTest, TargetsOfOnePackageFileEachKeepTheirOwnCustomizedCopy) {
    Add(L"web\\page.htm", L"C:\\TAV\\web1\\page.htm", "<html>mine 1</html>\n");
    Add(L"web\\page.htm", L"C:\\TAV\\web2\\page.htm", "<html>mine 2</html>\n");
    // A copy an earlier update kept under the next name stays the administrator's.
    files.AddFile(L"C:\\TAV\\_todo\\web\\page~2.htm", "earlier");

    EXPECT_EQ(1, updater.ReplaceFiles());
    EXPECT_EQ("<html>mine 1</html>\n", files.Read(std::wstring(kTodo) + L"web\\page.htm"));
    EXPECT_EQ("<html>mine 2</html>\n", files.Read(std::wstring(kTodo) + L"web\\page~3.htm"));
    EXPECT_EQ("earlier", files.Read(std::wstring(kTodo) + L"web\\page~2.htm"));
    // Each entry names its own copy.
    const std::string list = files.Read(TodoList());
    EXPECT_NE(std::string::npos, list.find("C:\\TAV\\web2\\page.htm.")) << list;
    EXPECT_NE(std::string::npos, list.find("C:\\TAV\\_todo\\web\\page~3.htm.")) << list;
    EXPECT_NE(std::string::npos, list.find("C:\\TAV\\_todo\\web\\page.htm.")) << list;
}

}  // namespace
