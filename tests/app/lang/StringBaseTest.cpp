// Tests of the language text table over real language files in a temporary folder.
#include "app/lang/StringBase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "base/WideText.h"
#include "system/Machine.h"

namespace {

namespace fs = std::filesystem;

// A folder of language files, removed with its contents at the end of the test.
class LanguageFolder {
public:
    LanguageFolder() {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        do {
            path_ = fs::temp_directory_path() /
                    ("tav-lang-" + std::to_string(stamp) + "-" + std::to_string(++counter));
        } while (!fs::create_directory(path_));
    }
    ~LanguageFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }

    // The folder with a trailing separator.
    std::wstring Folder() const { return (path_ / "").wstring(); }
    const fs::path& Path() const { return path_; }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }

private:
    fs::path path_;
};

// A language file with body inside its root element.
std::string Doc(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TAVLANG>\n" + body + "\n</TAVLANG>\n";
}

// One STRING element with its LANG children given as code/text pairs.
std::string Str(const std::string& code,
                const std::vector<std::pair<std::string, std::string>>& texts) {
    std::string xml = "<STRING code=\"" + code + "\">";
    for (const auto& [language, text] : texts) {
        xml += "<LANG code=\"" + language + "\">" + text + "</LANG>";
    }
    return xml + "</STRING>\n";
}

// The text or a marker for none, so that expectations read as one value.
std::wstring Look(CStringBase& table, int32_t id, std::wstring_view language) {
    const std::wstring* text = table.GetText(id, language);
    return text ? *text : L"<none>";
}

// Records the calls of the parser; stores as the table does.
class RecordingTable : public CStringBase {
public:
    using CStringBase::CStringBase;

    std::vector<std::wstring> calls;

protected:
    bool AddString(std::string_view code, std::wstring_view language,
                   std::wstring text) override {
        calls.push_back(L"AddString[" + tav::FromUtf8(code) + L"|" + std::wstring(language) +
                        L"|" + text + L"]");
        return CStringBase::AddString(code, language, std::move(text));
    }
    bool OnLanguageName(std::wstring_view language, const std::wstring& name) override {
        calls.push_back(L"OnLanguageName[" + std::wstring(language) + L"|" + name + L"]");
        return CStringBase::OnLanguageName(language, name);
    }
    bool AddLanguage(std::wstring_view language, const std::wstring& order,
                     const std::wstring& name) override {
        calls.push_back(L"AddLanguage[" + std::wstring(language) + L"|" + order + L"|" + name +
                        L"]");
        return CStringBase::AddLanguage(language, order, name);
    }
};

TEST(StringBase, LooksUpTextsByIdAndTwoLetterLanguage) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc(Str("53000", {{"EN", "Welcome"}, {"DE", "Willkommen für Sie"}}) +
                  Str("53001", {{"DE", "Nur Deutsch"}}) +
                  Str("53002", {{"ENG", "Three letters"}}) +
                  Str("53003", {{"EN", "Euro \xE2\x82\xAC and \xF0\x9F\x98\x80"}})));
    CStringBase table(dir.Folder());

    EXPECT_EQ(Look(table, 53000, L"EN"), L"Welcome");
    EXPECT_EQ(Look(table, 53000, L"DE"), L"Willkommen für Sie");
    // No fall-back to another language.
    EXPECT_EQ(Look(table, 53001, L"EN"), L"<none>");
    EXPECT_EQ(table.GetTextOrEmpty(53001, L"EN"), L"");
    EXPECT_EQ(table.GetTextOrEmpty(53001, L"DE"), L"Nur Deutsch");
    // Only the first two letters of a language count, in the file and in the lookup.
    EXPECT_EQ(Look(table, 53002, L"EN"), L"Three letters");
    EXPECT_EQ(Look(table, 53000, L"ENGLISH"), L"Welcome");
    EXPECT_EQ(Look(table, 53000, L"en"), L"<none>");
    EXPECT_EQ(Look(table, 53000, L"E"), L"<none>");
    EXPECT_EQ(Look(table, 53003, L"EN"), L"Euro \u20AC and \U0001F600");
    EXPECT_EQ(Look(table, 59999, L"EN"), L"<none>");
    // A missed lookup stays missed, and a found text is the same object every time.
    EXPECT_EQ(Look(table, 59999, L"EN"), L"<none>");
    EXPECT_EQ(table.GetText(53000, L"EN"), table.GetText(53000, L"EN"));
}

TEST(StringBase, NamesOfElementsAndAttributesIgnoreLetterCase) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc("<string CODE=\"1\"><lang Code=\"EN\">lower</lang></string>\n"
                  "<String code=\"2\"><Lang code=\"EN\">mixed</Lang></String>\n"
                  "<languages><LANG code=\"FR\" DisplayOrder=\"4\">Français</LANG></languages>\n"
                  // Names that only look alike do not count.
                  "<STRINGS code=\"3\"><LANG code=\"EN\">plural</LANG></STRINGS>\n"
                  "<STRING code=\"4\"><LANGX code=\"EN\">other</LANGX></STRING>\n"));
    CStringBase table(dir.Folder());

    EXPECT_EQ(Look(table, 1, L"EN"), L"lower");
    EXPECT_EQ(Look(table, 2, L"EN"), L"mixed");
    EXPECT_EQ(Look(table, 3, L"EN"), L"<none>");
    EXPECT_EQ(Look(table, 4, L"EN"), L"<none>");
    EXPECT_EQ(table.GetDisplayOrder(L"FR"), L"4");
}

TEST(StringBase, CodeCountsOnlyAsFirstAttributeWithAValue) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc(Str("10", {{"EN", "ten"}}) +
                  "<STRING id=\"x\" code=\"11\"><LANG code=\"EN\">second attribute</LANG></STRING>\n"
                  "<STRING code=\"\"><LANG code=\"EN\">empty code</LANG></STRING>\n"
                  "<STRING><LANG code=\"EN\">no code</LANG></STRING>\n"
                  "<STRING code=\"12\"><LANG x=\"1\" code=\"EN\">late language</LANG>"
                  "<LANG code=\"DE\">zwölf</LANG><LANG code=\"\">no language</LANG></STRING>\n"));
    CStringBase table(dir.Folder());

    EXPECT_EQ(Look(table, 11, L"EN"), L"<none>");
    EXPECT_EQ(Look(table, 12, L"EN"), L"<none>");
    EXPECT_EQ(Look(table, 12, L"DE"), L"zwölf");
    // Texts of a STRING without a usable code never reach the id read before.
    EXPECT_EQ(Look(table, 10, L"EN"), L"ten");
    EXPECT_EQ(Look(table, 0, L"EN"), L"<none>");
}

TEST(StringBase, CodesConvertAsSignedDecimalAndZeroStoresNothing) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc(Str("-5", {{"EN", "minus five"}}) + Str(" 12", {{"EN", "blank twelve"}}) +
                  Str("+7", {{"EN", "plus seven"}}) + Str("13abc", {{"EN", "thirteen"}}) +
                  Str("0", {{"EN", "zero"}}) + Str("abc", {{"EN", "letters"}}) +
                  Str("-0", {{"EN", "minus zero"}})));
    RecordingTable table(dir.Folder());

    EXPECT_EQ(Look(table, -5, L"EN"), L"minus five");
    EXPECT_EQ(Look(table, 12, L"EN"), L"blank twelve");
    EXPECT_EQ(Look(table, 7, L"EN"), L"plus seven");
    EXPECT_EQ(Look(table, 13, L"EN"), L"thirteen");
    EXPECT_EQ(Look(table, 0, L"EN"), L"<none>");
    // The handler is given the code as written; the conversion decides.
    ASSERT_EQ(table.calls.size(), 7u);
    EXPECT_EQ(table.calls[1], L"AddString[ 12|EN|blank twelve]");
    EXPECT_EQ(table.calls[5], L"AddString[abc|EN|letters]");
}

TEST(StringBase, CodeTooLongToKeepStoresNothingAndLeavesNoOldId) {
    const std::string longest(98, '0');  // 98 bytes: kept
    const std::string tooLong(99, '0');  // 99 bytes: not kept
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc(Str("1", {{"EN", "one"}}) +
                  Str(tooLong.substr(0, 97) + "42", {{"EN", "too long"}, {"DE", "zu lang"}}) +
                  Str(longest.substr(0, 96) + "43", {{"EN", "longest"}}) +
                  Str(std::string(500, '9'), {{"EN", "far too long"}})));
    RecordingTable table(dir.Folder());

    EXPECT_EQ(Look(table, 1, L"EN"), L"one");
    EXPECT_EQ(Look(table, 1, L"DE"), L"<none>");
    EXPECT_EQ(Look(table, 42, L"EN"), L"<none>");
    EXPECT_EQ(Look(table, 43, L"EN"), L"longest");
    // The texts under a code that was not kept are never handed on.
    EXPECT_EQ(table.calls.size(), 2u);
}

TEST(StringBase, EmptyLangStoresAnEmptyText) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc("<STRING code=\"5\"><LANG code=\"EN\"/><LANG code=\"DE\"></LANG></STRING>"));
    CStringBase table(dir.Folder());

    const std::wstring* en = table.GetText(5, L"EN");
    const std::wstring* de = table.GetText(5, L"DE");
    ASSERT_NE(en, nullptr);
    ASSERT_NE(de, nullptr);
    EXPECT_EQ(*en, L"");
    EXPECT_EQ(*de, L"");
    EXPECT_EQ(table.GetText(5, L"FR"), nullptr);
}

TEST(StringBase, LaterDefinitionsReplaceEarlierOnesTextByText) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc(Str("1", {{"EN", "one"}, {"DE", "eins"}}) +
                  Str("2", {{"EN", "two"}, {"DE", "zwei"}}) +
                  Str("3", {{"EN", "three"}}) + Str("3", {{"EN", "three again"}})));
    dir.Write("CustomTavLang1.Xml", Doc(Str("1", {{"DE", "Eins, angepasst"}})));
    dir.Write("customtavlang_second.XML", Doc(Str("4", {{"EN", "four"}})));
    // Files that do not match "CustomTavLang*.Xml" are not read.
    dir.Write("CustomTavLang1.Xml.bak", Doc(Str("2", {{"EN", "backup"}})));
    dir.Write("MyCustomTavLang.Xml", Doc(Str("2", {{"DE", "fremd"}})));
    fs::create_directory(dir.Path() / "CustomTavLangFolder.Xml");
    CStringBase table(dir.Folder());

    EXPECT_EQ(Look(table, 1, L"DE"), L"Eins, angepasst");
    EXPECT_EQ(Look(table, 1, L"EN"), L"one");
    EXPECT_EQ(Look(table, 2, L"EN"), L"two");
    EXPECT_EQ(Look(table, 2, L"DE"), L"zwei");
    EXPECT_EQ(Look(table, 3, L"EN"), L"three again");
    EXPECT_EQ(Look(table, 4, L"EN"), L"four");
}

TEST(StringBase, TextsInAnyOrderLandUnderTheirOwnKeys) {
    // Ids falling and rising, languages in no order, and redefinitions near and far from the
    // newest text, checked against a plain model of the last definition of each key.
    const std::vector<std::string> languages = {"SE", "AR", "NL", "EN", "DE", "CZ", "FR"};
    std::map<std::pair<int, std::string>, std::string> model;
    std::string body;
    auto define = [&](int id, const std::vector<std::string>& codes, const std::string& tag) {
        std::vector<std::pair<std::string, std::string>> texts;
        for (const std::string& code : codes) {
            const std::string text = tag + " " + std::to_string(id) + " " + code;
            texts.emplace_back(code, text);
            model[{id, code}] = text;
        }
        body += Str(std::to_string(id), texts);
    };
    for (int id = 60; id >= -20; id -= 4) define(id, languages, "falling");
    for (int id = -18; id <= 62; id += 4) define(id, languages, "rising");
    define(-20, {"EN", "AR"}, "again far");
    define(62, {"NL", "SE"}, "again near");
    define(0, languages, "never");  // id 0 is stored nowhere
    for (const std::string& code : languages) model.erase({0, code});
    LanguageFolder dir;
    dir.Write("TavLang.Xml", Doc(body));
    CStringBase table(dir.Folder());

    for (const auto& [key, text] : model) {
        EXPECT_EQ(Look(table, key.first, tav::FromUtf8(key.second)), tav::FromUtf8(text))
            << key.first << " " << key.second;
    }
    EXPECT_EQ(Look(table, -19, L"EN"), L"<none>");
    EXPECT_EQ(Look(table, 0, L"EN"), L"<none>");
}

TEST(StringBase, CustomFilesAreReadWithoutAMainFile) {
    LanguageFolder dir;
    dir.Write("CustomTavLang.Xml", Doc(Str("8", {{"EN", "custom only"}})));
    CStringBase table(dir.Folder());
    EXPECT_EQ(Look(table, 8, L"EN"), L"custom only");
}

TEST(StringBase, OnlyPredefinedEntitiesAreResolved) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc(Str("1", {{"EN", "&lt;Back &amp; &quot;Next&quot; &apos;x&apos;&gt;"}}) +
                  Str("2", {{"EN", "&#x20AC; &#228;"}}) +
                  Str("3", {{"EN", "before"}, {"DE", "a &unknown; b"}}) +
                  Str("4", {{"EN", "after"}})));
    CStringBase table(dir.Folder());

    EXPECT_EQ(Look(table, 1, L"EN"), L"<Back & \"Next\" 'x'>");
    EXPECT_EQ(Look(table, 2, L"EN"), L"\u20AC \u00E4");
    // An unknown entity ends the reading; what was read before stays.
    EXPECT_EQ(Look(table, 3, L"EN"), L"before");
    EXPECT_EQ(Look(table, 3, L"DE"), L"<none>");
    EXPECT_EQ(Look(table, 4, L"EN"), L"<none>");
}

TEST(StringBase, TextLongerThanTheStoreKeepsTheChunksThatFit) {
    // Every reference arrives as its own chunk of character data: "&#x20AC;" is 3 bytes,
    // "&amp;" and "&lt;" 1, "&#228;" 2. After 4094 letters the euro does not fit, the
    // ampersand does, the a-umlaut does not, the "<" fills the store and nothing fits after it.
    const std::string letters(4094, 'x');
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc(Str("1", {{"EN", letters + "&#x20AC;&amp;&#228;&lt;&gt;"}}) +
                  Str("2", {{"EN", std::string(10000, 'y')}}) +
                  Str("3", {{"EN", std::string(4096, 'z')}})));
    CStringBase table(dir.Folder());

    EXPECT_EQ(Look(table, 1, L"EN"), tav::FromUtf8(letters) + L"&<");
    const std::wstring two = Look(table, 2, L"EN");
    EXPECT_LE(two.size(), 4096u);
    EXPECT_GT(two.size(), 3000u);
    EXPECT_EQ(two.find_first_not_of(L'y'), std::wstring::npos);
    EXPECT_EQ(Look(table, 3, L"EN"), std::wstring(4096, L'z'));
}

TEST(StringBase, BrokenFileKeepsWhatWasReadAndTheNextFileIsRead) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              "<?xml version=\"1.0\"?>\n<TAVLANG>" + Str("1", {{"EN", "one"}}) +
                  "<STRING code=\"2\"><LANG code=\"EN\">two</LANG><LANG code=\"DE\">zw<<</LANG>"
                  "</STRING>" + Str("3", {{"EN", "three"}}));
    dir.Write("CustomTavLangA.Xml", "not xml at all");
    dir.Write("CustomTavLangB.Xml", Doc(Str("4", {{"EN", "four"}})));
    CStringBase table(dir.Folder());

    EXPECT_EQ(Look(table, 1, L"EN"), L"one");
    EXPECT_EQ(Look(table, 2, L"EN"), L"two");
    EXPECT_EQ(Look(table, 2, L"DE"), L"<none>");
    EXPECT_EQ(Look(table, 3, L"EN"), L"<none>");
    EXPECT_EQ(Look(table, 4, L"EN"), L"four");
}

TEST(StringBase, LanguageListKeepsDisplayOrdersAndNamesGoToTheHandlerFirst) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml",
              Doc("<LANGUAGES>"
                  "<LANG code=\"EN\" displayorder=\"1\">English</LANG>"
                  "<LANG code=\"DEU\" displayorder=\"2\">Deutsch</LANG>"
                  "<LANG code=\"FR\" displayorder=\"3\"></LANG>"
                  "<LANG code=\"IT\" displayorder=\"1234\">Italiano</LANG>"
                  "<LANG code=\"ES\" displayorder=\"12\xC3\xA4\">Español</LANG>"
                  "<LANG displayorder=\"5\" code=\"NO\">Norsk</LANG>"
                  "</LANGUAGES>" +
                  Str("1", {{"EN", "one"}})));
    RecordingTable table(dir.Folder());

    EXPECT_EQ(Look(table, 1, L"EN"), L"one");
    EXPECT_EQ(table.GetDisplayOrder(L"EN"), L"1");
    EXPECT_EQ(table.GetDisplayOrder(L"DE"), L"2");
    // An empty display name stores nothing.
    EXPECT_EQ(table.GetDisplayOrder(L"FR"), std::nullopt);
    // A display order longer than three bytes is cut, never inside a character.
    EXPECT_EQ(table.GetDisplayOrder(L"IT"), L"123");
    EXPECT_EQ(table.GetDisplayOrder(L"ES"), L"12");
    // The code must come first.
    EXPECT_EQ(table.GetDisplayOrder(L"NO"), std::nullopt);
    const std::vector<std::wstring> expected = {
        L"OnLanguageName[EN|English]",   L"AddLanguage[EN|1|English]",
        L"OnLanguageName[DE|Deutsch]",   L"AddLanguage[DE|2|Deutsch]",
        L"OnLanguageName[IT|Italiano]",  L"AddLanguage[IT|123|Italiano]",
        L"OnLanguageName[ES|Español]",   L"AddLanguage[ES|12|Español]",
        L"AddString[1|EN|one]",
    };
    EXPECT_EQ(table.calls, expected);
}

TEST(StringBase, FilesAreReadOnlyOnceEvenWhenTheyHoldNoTexts) {
    LanguageFolder dir;
    CStringBase empty(dir.Folder());
    EXPECT_EQ(empty.GetText(1, L"EN"), nullptr);
    dir.Write("TavLang.Xml", Doc(Str("1", {{"EN", "one"}}) + Str("2", {{"EN", "two"}})));
    EXPECT_EQ(empty.GetText(2, L"EN"), nullptr);

    RecordingTable table(dir.Folder());
    EXPECT_EQ(Look(table, 1, L"EN"), L"one");
    fs::remove(dir.Path() / "TavLang.Xml");
    EXPECT_EQ(Look(table, 2, L"EN"), L"two");
    EXPECT_EQ(Look(table, 3, L"EN"), L"<none>");
    EXPECT_EQ(table.calls.size(), 2u);
}

// Runs the test with the program's executable at programPath and the host's files.
class ProgramAt {
public:
    explicit ProgramAt(std::wstring programPath) : program_(std::move(programPath)) {
        machine_ = sys::HostMachine();
        machine_.program = &program_;
        previous_ = sys::ReplaceCurrentMachine(&machine_);
    }
    ~ProgramAt() { sys::ReplaceCurrentMachine(previous_); }

private:
    class Program final : public sys::IProgram {
    public:
        explicit Program(std::wstring path) : path_(std::move(path)) {}
        std::wstring ExecutablePath() override { return path_; }

    private:
        std::wstring path_;
    };
    Program program_;
    sys::Machine machine_;
    sys::Machine* previous_;
};

TEST(StringBase, DefaultFolderIsTheProgramsOwn) {
    LanguageFolder dir;
    dir.Write("TavLang.Xml", Doc(Str("1", {{"EN", "beside the program"}})));
    dir.Write("CustomTavLang.Xml", Doc(Str("2", {{"EN", "custom"}})));
    {
        ProgramAt program(dir.Folder() + L"TavUpdateWizard.exe");
        CStringBase table;
        EXPECT_EQ(Look(table, 1, L"EN"), L"beside the program");
        EXPECT_EQ(Look(table, 2, L"EN"), L"custom");
    }
    {
        // A path without a folder loads nothing.
        ProgramAt program(L"TavUpdateWizard.exe");
        CStringBase table;
        EXPECT_EQ(table.GetText(1, L"EN"), nullptr);
    }
}

TEST(StringBase, PathsLongerThan259BytesAreRefused) {
    // Folders whose "TavLang.Xml" path is exactly 259 and 260 bytes long.
    LanguageFolder dir;
    const size_t base = dir.Path().string().size() + 1 + std::string("/TavLang.Xml").size();
    ASSERT_LT(base + 1, 259u);
    const fs::path fits = dir.Path() / std::string(259 - base, 'a');
    const fs::path tooLong = dir.Path() / std::string(260 - base, 'b');
    const std::string content = Doc(Str("1", {{"EN", "one"}}));
    for (const fs::path& folder : {fits, tooLong}) {
        fs::create_directory(folder);
        std::ofstream(folder / "TavLang.Xml", std::ios::binary) << content;
    }
    ASSERT_EQ((fits / "TavLang.Xml").string().size(), 259u);

    CStringBase fitting(fits.wstring());
    CStringBase refused(tooLong.wstring());
    EXPECT_EQ(Look(fitting, 1, L"EN"), L"one");
    EXPECT_EQ(refused.GetText(1, L"EN"), nullptr);
}

TEST(StringBase, ThreadsLookingUpAtOnceSeeTheSameTexts) {
    LanguageFolder dir;
    std::string body;
    for (int id = 1; id <= 300; ++id) {
        body += Str(std::to_string(id), {{"EN", "text " + std::to_string(id)}});
    }
    dir.Write("TavLang.Xml", Doc(body));
    CStringBase table(dir.Folder());

    std::vector<const std::wstring*> seen[2];
    auto lookUp = [&](int which) {
        for (int id = 1; id <= 301; ++id) seen[which].push_back(table.GetText(id, L"EN"));
        // Missed lookups of both threads add entries at the same time.
        for (int id = 1000; id < 1100; ++id) table.GetText(id + which, L"DE");
    };
    std::thread first(lookUp, 0);
    std::thread second(lookUp, 1);
    first.join();
    second.join();

    ASSERT_EQ(seen[0].size(), 301u);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(seen[0][299] ? *seen[0][299] : L"<none>", L"text 300");
    EXPECT_EQ(seen[0][300], nullptr);
}

}  // namespace
