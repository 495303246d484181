// Checks the delivered language file resources/TavLang.Xml against the text ids the program uses.
// The file is read with libxml2's tree API here, independently of the program's own reader, so
// a fault in either one shows up.
#ifndef _WIN32

#include "app/lang/StringBase.h"
#include "app/lang/TextIds.h"
#include "base/WideText.h"
#include "persist/XmlParser.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Texts that the program hands to a printf-like format together with arguments; only these may
// hold a '%', and then exactly the placeholders the call needs. The program formats none of its
// texts today: values such as paths, names and counts are appended after the text with a blank.
const std::set<uint32_t> kFormattedTextIds = {};

// The wizard's languages, in the order of the file's language list, with their own names.
const std::vector<std::pair<std::string, std::string>> kLanguages = {
    {"EN", "English"}, {"DE", "Deutsch"},    {"FR", "Français"}, {"ES", "Español"},
    {"IT", "Italiano"}, {"NL", "Nederlands"}, {"DK", "Dansk"},    {"NO", "Norsk"},
    {"SE", "Svenska"},  {"FI", "Suomi"},      {"EE", "Eesti"},    {"CZ", "Čeština"},
    {"PL", "Polski"},   {"HU", "Magyar"},     {"AR", "العربية"},
};

// Texts that may read as in English in another language: names and codes.
const std::set<uint32_t> kNamesAndCodes = {53021};
// How many other texts of one language may equal the English before it counts as untranslated.
constexpr size_t kMostUntranslated = 3;

// The reader keeps at most this many bytes of one text.
constexpr size_t kMaxTextBytes = 4096;

const std::string kLanguageFile = std::string(TAV_SOURCE_DIR) + "/resources/TavLang.Xml";

std::string Name(const xmlNode* node) { return reinterpret_cast<const char*>(node->name); }

std::string Content(const xmlNode* node) {
    xmlChar* text = xmlNodeGetContent(node);
    std::string result = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return result;
}

std::string AttrName(const xmlAttr* attr) { return reinterpret_cast<const char*>(attr->name); }

std::string AttrValue(const xmlAttr* attr) {
    return attr->children ? Content(attr->children) : std::string();
}

std::vector<const xmlAttr*> Attributes(const xmlNode* node) {
    std::vector<const xmlAttr*> result;
    for (const xmlAttr* a = node->properties; a; a = a->next) result.push_back(a);
    return result;
}

std::vector<const xmlNode*> ChildElements(const xmlNode* node) {
    std::vector<const xmlNode*> result;
    for (const xmlNode* c = node->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE) result.push_back(c);
    }
    return result;
}

bool HasOnlyText(const xmlNode* node) {
    for (const xmlNode* c = node->children; c; c = c->next) {
        if (c->type != XML_TEXT_NODE) return false;
    }
    return true;
}

// Entity references that libxml2 left in the tree: anything but the five predefined entities.
int CountEntityReferences(const xmlNode* node) {
    int count = 0;
    for (const xmlNode* c = node; c; c = c->next) {
        if (c->type == XML_ENTITY_REF_NODE) ++count;
        count += CountEntityReferences(c->children);
    }
    return count;
}

struct Text {
    uint32_t id = 0;
    std::string language;
    std::string value;
};

// Everything the checks need, read once for the whole suite.
struct LanguageFile {
    std::string bytes;
    bool wellFormed = false;
    std::string parseError;
    std::string declaredEncoding;
    bool hasDtd = false;
    int entityReferences = 0;
    std::string rootName;
    std::vector<std::string> topLevelNames;
    // LANGUAGES/LANG entries as "code=..,displayorder=..:name", attributes in document order.
    std::vector<std::string> languages;
    std::vector<Text> texts;
    // Structural faults found while walking the tree, one readable line each.
    std::vector<std::string> faults;
};

void ReadLanguages(const xmlNode* languages, LanguageFile& file) {
    for (const xmlNode* lang : ChildElements(languages)) {
        if (Name(lang) != "LANG") {
            file.faults.push_back("LANGUAGES holds an element " + Name(lang));
            continue;
        }
        std::string entry;
        for (const xmlAttr* a : Attributes(lang)) {
            entry += (entry.empty() ? "" : ",") + AttrName(a) + "=" + AttrValue(a);
        }
        file.languages.push_back(entry + ":" + Content(lang));
    }
}

void ReadString(const xmlNode* string, LanguageFile& file) {
    const auto attrs = Attributes(string);
    const std::string code = attrs.empty() ? "" : AttrValue(attrs[0]);
    if (attrs.empty() || AttrName(attrs[0]) != "code") {
        file.faults.push_back("STRING without code as its first attribute");
        return;
    }
    if (code.empty() || code.size() > 9 ||
        code.find_first_not_of("0123456789") != std::string::npos) {
        file.faults.push_back("STRING code is not a plain decimal number: '" + code + "'");
        return;
    }
    const uint32_t id = static_cast<uint32_t>(std::stoul(code));
    for (const xmlNode* lang : ChildElements(string)) {
        const auto langAttrs = Attributes(lang);
        if (Name(lang) != "LANG") {
            file.faults.push_back("STRING " + code + " holds an element " + Name(lang));
        } else if (langAttrs.empty() || AttrName(langAttrs[0]) != "code") {
            file.faults.push_back("STRING " + code + ": LANG without code as its first attribute");
        } else if (!HasOnlyText(lang)) {
            file.faults.push_back("STRING " + code + ": LANG holds more than text");
        } else {
            file.texts.push_back({id, AttrValue(langAttrs[0]), Content(lang)});
        }
    }
}

LanguageFile Load() {
    LanguageFile file;
    std::ifstream in(kLanguageFile, std::ios::binary);
    file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());

    Kmk::Xml::EnsureParserInitialised();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    xmlDocPtr doc = xmlCtxtReadFile(ctxt, kLanguageFile.c_str(), nullptr,
                                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    file.wellFormed = doc != nullptr && ctxt->wellFormed;
    if (const xmlError* error = xmlCtxtGetLastError(ctxt); error && error->message) {
        file.parseError = error->message;
    }
    if (doc) {
        file.declaredEncoding = doc->encoding ? reinterpret_cast<const char*>(doc->encoding) : "";
        file.hasDtd = doc->intSubset != nullptr || doc->extSubset != nullptr;
        file.entityReferences = CountEntityReferences(doc->children);
        if (const xmlNode* root = xmlDocGetRootElement(doc)) {
            file.rootName = Name(root);
            for (const xmlNode* child : ChildElements(root)) {
                file.topLevelNames.push_back(Name(child));
                if (Name(child) == "LANGUAGES") {
                    ReadLanguages(child, file);
                } else if (Name(child) == "STRING") {
                    ReadString(child, file);
                } else {
                    file.faults.push_back("unexpected element " + Name(child));
                }
            }
        }
        xmlFreeDoc(doc);
    }
    xmlFreeParserCtxt(ctxt);
    return file;
}

class TavLangFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { file_ = new LanguageFile(Load()); }
    static void TearDownTestSuite() {
        delete file_;
        file_ = nullptr;
    }
    static const LanguageFile& File() { return *file_; }

private:
    static LanguageFile* file_;
};

LanguageFile* TavLangFileTest::file_ = nullptr;

std::string Describe(const Text& text) {
    return std::to_string(text.id) + "/" + text.language + " \"" + text.value + "\"";
}

TEST_F(TavLangFileTest, IsWellFormedUtf8XmlWithDeclaration) {
    ASSERT_FALSE(File().bytes.empty()) << "cannot read " << kLanguageFile;
    EXPECT_EQ(File().bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u)
        << "the file must start with an XML declaration naming UTF-8 (and no byte order mark)";
    EXPECT_TRUE(File().wellFormed) << File().parseError;
    EXPECT_EQ(File().declaredEncoding, "UTF-8");
    EXPECT_TRUE(File().faults.empty()) << ::testing::PrintToString(File().faults);
}

TEST_F(TavLangFileTest, UsesNoEntitiesBeyondThePredefinedOnes) {
    // The program's reader resolves &amp; &lt; &gt; &quot; &apos; only; any other entity would
    // come out as nothing, and a document type declaration is where such entities would live.
    EXPECT_FALSE(File().hasDtd);
    EXPECT_EQ(File().entityReferences, 0);
}

TEST_F(TavLangFileTest, ListsTheWizardsLanguagesBeforeAnyText) {
    EXPECT_EQ(File().rootName, "TAVLANG");
    ASSERT_FALSE(File().topLevelNames.empty());
    EXPECT_EQ(File().topLevelNames.front(), "LANGUAGES");
    EXPECT_EQ(std::count(File().topLevelNames.begin(), File().topLevelNames.end(), "LANGUAGES"), 1);
    // The reader takes code only as the first attribute and displayorder only as the second.
    std::vector<std::string> expected;
    for (const auto& [code, name] : kLanguages) {
        expected.push_back("code=" + code + ",displayorder=" + std::to_string(expected.size() + 1) +
                           ":" + name);
    }
    EXPECT_EQ(File().languages, expected);
}

TEST_F(TavLangFileTest, EveryUsedIdHasOneNonEmptyTextInEveryLanguage) {
    std::set<std::string> codes;
    for (const auto& language : kLanguages) codes.insert(language.first);
    std::map<uint32_t, std::map<std::string, int>> counts;
    for (const Text& text : File().texts) {
        ++counts[text.id][text.language];
        EXPECT_FALSE(text.value.empty()) << Describe(text) << " is empty";
        EXPECT_TRUE(codes.count(text.language)) << "unexpected language code in " << Describe(text);
    }
    for (uint32_t id : tav::kAllTextIds) {
        for (const std::string& code : codes) EXPECT_EQ(counts[id][code], 1) << code << " text of " << id;
    }
}

// A text that reads as in English is a name or a code, or it was never translated.
TEST_F(TavLangFileTest, TextsEqualToTheEnglishAreNamesAndCodes) {
    std::map<uint32_t, std::string> english;
    for (const Text& text : File().texts) {
        if (text.language == "EN") english[text.id] = text.value;
    }
    std::map<std::string, std::vector<uint32_t>> same;
    for (const Text& text : File().texts) {
        if (text.language != "EN" && !kNamesAndCodes.count(text.id) && text.value == english[text.id]) {
            same[text.language].push_back(text.id);
        }
    }
    for (const auto& [language, ids] : same) {
        EXPECT_LE(ids.size(), kMostUntranslated) << language << " reads as English in "
                                                 << ::testing::PrintToString(ids);
    }
}

TEST_F(TavLangFileTest, HoldsNoIdTheProgramDoesNotUse) {
    const std::set<uint32_t> used(std::begin(tav::kAllTextIds), std::end(tav::kAllTextIds));
    std::set<uint32_t> seen;
    for (const Text& text : File().texts) {
        EXPECT_TRUE(used.count(text.id)) << Describe(text) << " has an id the program does not use";
        seen.insert(text.id);
    }
    EXPECT_EQ(seen.size(), used.size());
}

TEST_F(TavLangFileTest, IdListIsAscendingWithoutDuplicatesInTheTextRange) {
    const auto& ids = tav::kAllTextIds;
    EXPECT_TRUE(std::adjacent_find(std::begin(ids), std::end(ids), std::greater_equal<uint32_t>()) ==
                std::end(ids));
    EXPECT_GE(ids[0], 53000u);
    EXPECT_LE(ids[std::size(ids) - 1],
              tav::kTextLicenceFirstParagraph + tav::kTextLicenceParagraphLimit - 1);
}

// The wizard shows the licence as the paragraphs from the first id up to the first missing or
// empty one: a gap would silently drop the rest, and a paragraph missing in one language would
// pair every later section with the wrong one in the other.
TEST_F(TavLangFileTest, LicenceParagraphsFollowEachOtherAndMatchAcrossLanguages) {
    const uint32_t first = tav::kTextLicenceFirstParagraph;
    const uint32_t end = first + tav::kTextLicenceParagraphLimit;
    std::vector<uint32_t> used;
    for (uint32_t id : tav::kAllTextIds) {
        if (id >= first && id < end) used.push_back(id);
    }
    ASSERT_GE(used.size(), 10u) << "the licence needs its sections";
    for (size_t i = 0; i < used.size(); ++i) EXPECT_EQ(used[i], first + i) << "gap before " << used[i];

    std::map<std::string, std::vector<std::string>> paragraphs;  // by language, in id order
    std::map<std::pair<std::string, uint32_t>, std::string> byId;
    for (const Text& text : File().texts) {
        if (text.id >= first && text.id < end) byId[{text.language, text.id}] = text.value;
    }
    for (const auto& [language, name] : kLanguages) {
        for (uint32_t id = first; byId.count({language, id}) && !byId[{language, id}].empty(); ++id) {
            paragraphs[language].push_back(byId[{language, id}]);
        }
        EXPECT_EQ(paragraphs[language].size(), used.size()) << language;
    }
    // Each paragraph well under what one text can hold; numbered sections line up.
    const auto sectionNumber = [](const std::string& paragraph) {
        size_t digits = 0;
        while (digits < paragraph.size() && std::isdigit(static_cast<unsigned char>(paragraph[digits]))) ++digits;
        return digits > 0 && paragraph.compare(digits, 2, ". ") == 0 ? paragraph.substr(0, digits) : "";
    };
    for (const auto& [language, name] : kLanguages) {
        const auto& own = paragraphs[language];
        for (size_t i = 0; i < own.size() && i < paragraphs["EN"].size(); ++i) {
            EXPECT_LE(own[i].size(), kMaxTextBytes / 2) << language << " paragraph " << i;
            EXPECT_EQ(sectionNumber(paragraphs["EN"][i]), sectionNumber(own[i]))
                << language << " paragraph " << first + i;
        }
    }
}

TEST_F(TavLangFileTest, OnlyFormattedTextsHoldPercentSigns) {
    for (const Text& text : File().texts) {
        if (kFormattedTextIds.count(text.id)) continue;
        EXPECT_EQ(text.value.find('%'), std::string::npos)
            << Describe(text) << " holds a '%' but is not formatted with arguments";
    }
}

TEST_F(TavLangFileTest, TextsHaveNoSurroundingBlanksOrControlCharacters) {
    // The program appends its own blank before an extra text such as a path; a status or log
    // line is one line.
    for (const Text& text : File().texts) {
        if (text.value.empty()) continue;
        const unsigned char first = text.value.front();
        const unsigned char last = text.value.back();
        EXPECT_FALSE(std::isspace(first)) << Describe(text) << " starts with a blank";
        EXPECT_FALSE(std::isspace(last)) << Describe(text) << " ends with a blank";
        EXPECT_FALSE(text.value.size() >= 2 &&
                     text.value.compare(text.value.size() - 2, 2, ": ") == 0)
            << Describe(text) << " ends with a colon and a blank";
        for (unsigned char c : text.value) {
            EXPECT_FALSE(c < 0x20 || c == 0x7f) << Describe(text) << " holds a control character";
        }
    }
}

TEST_F(TavLangFileTest, TextsFitTheReaderBuffer) {
    for (const Text& text : File().texts) {
        EXPECT_LE(text.value.size(), kMaxTextBytes) << text.id << "/" << text.language;
    }
}

// The program's own reader, over the delivered file, gives the same texts the tree reader sees.
TEST_F(TavLangFileTest, TheProgramsTableAnswersEveryUsedIdInEveryLanguage) {
    CStringBase table(tav::FromUtf8(std::string(TAV_SOURCE_DIR) + "/resources"));
    std::map<std::pair<uint32_t, std::string>, std::string> expected;
    for (const Text& text : File().texts) expected[{text.id, text.language}] = text.value;
    for (uint32_t id : tav::kAllTextIds) {
        for (const auto& [language, name] : kLanguages) {
            const std::wstring* text =
                table.GetText(static_cast<int32_t>(id), tav::FromUtf8(language));
            ASSERT_NE(nullptr, text) << id << " " << language;
            const std::string& delivered = expected[{id, language}];
            EXPECT_EQ(delivered, tav::ToUtf8(*text)) << id << " " << language;
        }
    }
}

}  // namespace

#endif  // _WIN32
