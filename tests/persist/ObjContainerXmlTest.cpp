// Reading container XML documents such as config.xml.
#include "persist/ObjContainerXml.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <iterator>
#include <string>
#include <vector>

#include "base/WideText.h"
#include "fakes/ScratchFolder.h"
#include "persist/XmlParser.h"

namespace {

std::vector<std::wstring> Names(const ObjContainer& c) {
    std::vector<std::wstring> names;
    for (size_t i = 0; i < c.Count(); ++i) names.push_back(c.At(i).name);
    return names;
}

std::wstring StringOf(const ObjContainer& c, std::wstring_view name) {
    std::wstring text = L"<missing>";
    c.GetString(name, text);
    return text;
}

class ObjContainerXmlTest : public ::testing::Test {
protected:
    bool Load(std::string_view xml) { return container.Load(folder.Write("config.xml", xml)); }

    testing_support::ScratchFolder folder;
    ObjContainerXml container;
};

TEST_F(ObjContainerXmlTest, StringsKeepTheirExactTextAndNumbersReadAsTheRuntimeDoes) {
    const std::string longText(10000, 'L');  // arrives in several pieces from the parser
    ASSERT_TRUE(Load("<?xml version=\"1.0\"?>\n"
                     "<config>\n"
                     "  <ITEM key=\"Spaced\" type=\"OCString\"> x </ITEM>\n"
                     "  <ITEM key=\"Lines\" type=\"OCString\">a\n\tb</ITEM>\n"
                     "  <ITEM key=\"Empty\" type=\"OCString\"></ITEM>\n"
                     "  <ITEM key=\"Long\" type=\"OCString\">" + longText + "</ITEM>\n"
                     "  <ITEM key=\"Cdata\" type=\"OCString\"><![CDATA[<b>&amp;</b>]]></ITEM>\n"
                     "  <ITEM key=\"Digits\" type=\"OCUnsignedLong\">12abc</ITEM>\n"
                     "  <ITEM key=\"Blank\" type=\"OCUnsignedLong\"></ITEM>\n"
                     "  <ITEM key=\"Padded\" type=\"OCUnsignedLong\">\n   42\n</ITEM>\n"
                     "  <ITEM key=\"Huge\" type=\"OCUnsignedLong\">4294967296</ITEM>\n"
                     "  <ITEM key=\"Negative\" type=\"OCUnsignedLong\">-1</ITEM>\n"
                     "</config>\n"));
    EXPECT_EQ(L" x ", StringOf(container, L"Spaced"));
    EXPECT_EQ(L"a\n\tb", StringOf(container, L"Lines"));
    EXPECT_EQ(L"", StringOf(container, L"Empty"));
    EXPECT_EQ(std::wstring(longText.begin(), longText.end()), StringOf(container, L"Long"));
    EXPECT_EQ(L"<b>&amp;</b>", StringOf(container, L"Cdata"));

    auto number = [this](std::wstring_view name) {
        uint32_t value = 777;
        container.GetUnsignedLong(name, value);
        return value;
    };
    EXPECT_EQ(12u, number(L"Digits"));
    EXPECT_EQ(0u, number(L"Blank"));
    EXPECT_EQ(42u, number(L"Padded"));
    EXPECT_EQ(4294967295u, number(L"Huge"));
    EXPECT_EQ(4294967295u, number(L"Negative"));

    // Newest first: the order of the document, reversed.
    EXPECT_EQ((std::vector<std::wstring>{L"Negative", L"Huge", L"Padded", L"Blank", L"Digits",
                                         L"Cdata", L"Long", L"Empty", L"Lines", L"Spaced"}),
              Names(container));
}

TEST_F(ObjContainerXmlTest, KeysDifferingInCaseLeaveOneEntryTheLaterOne) {
    ASSERT_TRUE(Load("<r>"
                     "<ITEM key=\"InstallPath\" type=\"OCString\">first</ITEM>"
                     "<ITEM key=\"Other\" type=\"OCString\">o</ITEM>"
                     "<ITEM key=\"INSTALLPATH\" type=\"OCUnsignedLong\">2</ITEM>"
                     "</r>"));
    EXPECT_EQ((std::vector<std::wstring>{L"INSTALLPATH", L"Other"}), Names(container));
    uint32_t value = 0;
    container.GetUnsignedLong(L"installpath", value);
    EXPECT_EQ(2u, value);
    EXPECT_EQ(L"<missing>", StringOf(container, L"InstallPath"));
}

TEST_F(ObjContainerXmlTest, SkippedKindsUnknownTypesAndIncompleteItemsStoreNothing) {
    ASSERT_TRUE(Load("<r>"
                     "<ITEM key=\"Kept\" type=\"OCString\">kept</ITEM>"
                     "<ITEM key=\"Buffer\" type=\"OCBuffer\">00FF</ITEM>"
                     "<ITEM key=\"Double\" type=\"OCDouble\">1.5</ITEM>"
                     "<ITEM key=\"Date\" type=\"OCDateTime\">5</ITEM>"
                     "<ITEM key=\"DateEx\" type=\"OCDateTimeEx\">5</ITEM>"
                     "<ITEM key=\"None\" type=\"OCNone\">x</ITEM>"
                     "<ITEM key=\"Folded\" type=\"ocstring\">x</ITEM>"
                     "<ITEM key=\"Bogus\" type=\"Whatever\">x</ITEM>"
                     "<ITEM type=\"OCString\">no key</ITEM>"
                     "<ITEM key=\"NoType\">no type</ITEM>"
                     "<ITEM KEY=\"Upper\" TYPE=\"OCString\">attribute names are exact</ITEM>"
                     "<item key=\"Lower\" type=\"OCString\">element name is exact</item>"
                     // A skipped kind does not remove an entry of the same name either.
                     "<ITEM key=\"kept\" type=\"OCBuffer\">00</ITEM>"
                     "</r>"));
    EXPECT_EQ((std::vector<std::wstring>{L"Kept"}), Names(container));
    EXPECT_EQ(L"kept", StringOf(container, L"KEPT"));
    EXPECT_FALSE(container.Exists(L"Buffer"));
    EXPECT_FALSE(container.Exists(L"Double"));
}

TEST_F(ObjContainerXmlTest, StringListsTakeTheItemsPendingWhenTheyEnd) {
    ASSERT_TRUE(Load("<r>"
                     "<ITEM key=\"Files\" type=\"OCStringList\">"
                     "<ITEM key=\"0\" type=\"OCStringListItem\">a.dll</ITEM>"
                     "<ITEM key=\"1\" type=\"OCStringListItem\"> b.exe </ITEM>"
                     "<ITEM key=\"2\" type=\"OCStringListItem\"></ITEM>"
                     "</ITEM>"
                     "<ITEM key=\"None\" type=\"OCStringList\"></ITEM>"
                     // Items outside any list wait for the next list that ends, here one
                     // inside a container, and join its own items after them.
                     "<ITEM key=\"x\" type=\"OCStringListItem\">early</ITEM>"
                     "<ITEM type=\"OCStringListItem\">no key: ignored</ITEM>"
                     "<ITEM key=\"Sub\" type=\"OCContainer\">"
                     "<ITEM key=\"Later\" type=\"OCStringList\">"
                     "<ITEM key=\"x\" type=\"OCStringListItem\">own</ITEM>"
                     "</ITEM>"
                     "</ITEM>"
                     "<ITEM key=\"y\" type=\"OCStringListItem\">left over</ITEM>"
                     "</r>"));
    OCStringListValue list{L"old"};
    container.GetStringList(L"files", list);
    EXPECT_EQ((OCStringListValue{L"a.dll", L" b.exe ", L""}), list);
    container.GetStringList(L"None", list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(OCStringList, container.GetType(L"None"));

    const ObjContainer* sub = container.GetContainer(L"Sub");
    ASSERT_NE(nullptr, sub);
    sub->GetStringList(L"Later", list);
    EXPECT_EQ((OCStringListValue{L"early", L"own"}), list);
    EXPECT_EQ((std::vector<std::wstring>{L"Sub", L"None", L"Files"}), Names(container));
}

TEST_F(ObjContainerXmlTest, EntitiesPredefinedDeclaredAndUndeclared) {
    ASSERT_TRUE(Load("<?xml version=\"1.0\"?>\n"
                     "<!DOCTYPE config [\n"
                     "  <!ENTITY product \"Tarnova\">\n"
                     "  <!ENTITY product \"second declaration\">\n"
                     "]>\n"
                     "<config>"
                     "<ITEM key=\"Amp\" type=\"OCString\">a &amp; b &lt;&gt;&quot;&apos;</ITEM>"
                     "<ITEM key=\"Refs\" type=\"OCString\">&#233;&#x20AC;</ITEM>"
                     "<ITEM key=\"Undeclared\" type=\"OCString\">x &foo; y</ITEM>"
                     "<ITEM key=\"Twice\" type=\"OCString\">&product;-&product;</ITEM>"
                     "<ITEM key=\"Again\" type=\"OCString\">&product;</ITEM>"
                     "<ITEM key=\"Number\" type=\"OCUnsignedLong\">&#49;2</ITEM>"
                     "</config>"));
    EXPECT_EQ(L"a & b <>\"'", StringOf(container, L"Amp"));
    EXPECT_EQ(L"\u00E9\u20AC", StringOf(container, L"Refs"));
    EXPECT_EQ(L"x &foo; y", StringOf(container, L"Undeclared"));
    EXPECT_EQ(L"Tarnova-Tarnova", StringOf(container, L"Twice"));
    EXPECT_EQ(L"Tarnova", StringOf(container, L"Again"));
    uint32_t number = 0;
    container.GetUnsignedLong(L"Number", number);
    EXPECT_EQ(12u, number);
}

TEST_F(ObjContainerXmlTest, AttributeValuesTakeEntitiesAsTextDoes) {
    const std::string prolog = "<?xml version=\"1.0\"?>\n"
                               "<!DOCTYPE config [\n"
                               "  <!ENTITY product \"Tarnova\">\n"
                               "  <!ENTITY empty \"\">\n"
                               "  <!ENTITY lines \"a&#10;b\">\n"
                               "  <!ENTITY nested \"[&product;]\">\n"
                               "  <!ENTITY kind \"OCString\">\n"
                               "]>\n";
    struct Case {
        const char* value;         // as written in the document
        const wchar_t* text;       // what it gives as element text
        const wchar_t* attribute;  // what it gives as an attribute value
    };
    const Case cases[] = {
        {"a&product;b&unknown;c", L"aTarnovab&unknown;c", L"aTarnovab&unknown;c"},
        {"&product;&product;", L"TarnovaTarnova", L"TarnovaTarnova"},
        {"&empty;x&empty;", L"x", L"x"},
        {"&amp;&lt;&#38;&#x41;", L"&<&A", L"&<&A"},
        {"&nested;", L"[&product;]", L"[&product;]"},
        {"&unknown;&undeclared;", L"&unknown;&undeclared;", L"&unknown;&undeclared;"},
        // White space in an attribute value becomes blanks, from an entity as well.
        {"&lines;", L"a\nb", L"a b"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Load(prolog + "<config><ITEM key=\"" + c.value + "\" type=\"&kind;\">" +
                         c.value + "</ITEM></config>"))
            << c.value;
        EXPECT_EQ((std::vector<std::wstring>{c.attribute}), Names(container)) << c.value;
        EXPECT_EQ(c.text, StringOf(container, c.attribute)) << c.value;
    }
}

// A document whose entities "big" of entityBytes and "one" of one byte are referenced where
// the rows say, after an item "Before" and before an item "After".
std::string AmplifyingDocument(size_t entityBytes, const std::string& body,
                               const std::string& padding = std::string()) {
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE r [ <!ENTITY big \"" + std::string(entityBytes, 'x') +
           "\"> <!ENTITY one \"1\"> ]>\n<r>" + padding +
           "<ITEM key=\"Before\" type=\"OCString\">kept</ITEM>" + body +
           "<ITEM key=\"After\" type=\"OCString\">after</ITEM></r>";
}

std::string Repeat(const std::string& text, size_t times) {
    std::string all;
    for (size_t i = 0; i < times; ++i) all += text;
    return all;
}

TEST_F(ObjContainerXmlTest, DeclaredEntitiesAddAtMostTheLargerOfAFloorAndTenTimesTheFile) {
    const auto item = [](const std::string& key, const std::string& text) {
        return "<ITEM key=\"" + key + "\" type=\"OCString\">" + text + "</ITEM>";
    };
    // 300,000 bytes of padding let ten times the file pass the floor.
    const std::string padding = "<pad>" + std::string(300000, 'p') + "</pad>";
    using Keys = std::vector<std::wstring>;
    const Keys whole{L"After", L"T", L"Before"};
    struct Case {
        const char* what;
        std::string xml;
        bool complete;
        Keys names;
    };
    // The floor is 64 KiB = 4,096 x 16 bytes.
    const std::string floor = Repeat("&big;", 16);
    // Names not declared, each kept with its reference: far more than their text.
    std::string distinct;
    for (int i = 0; i < 400; ++i) distinct += "&e" + std::to_string(i) + ";";
    const Case cases[] = {
        {"the floor in text", AmplifyingDocument(4096, item("T", floor)), true, whole},
        {"a byte past it in text", AmplifyingDocument(4096, item("T", floor + "&one;")), false, {L"Before"}},
        {"a byte past it in a key", AmplifyingDocument(4096, item(floor + "&one;", "t")), false, {L"Before"}},
        {"past it over many items", AmplifyingDocument(1024, Repeat(item("K", "&big;"), 65)), false, {L"K", L"Before"}},
        {"one name not declared, often", AmplifyingDocument(1, item("T", Repeat("&e;", 20000))), true, whole},
        {"many names not declared in text", AmplifyingDocument(1, item("T", distinct)), false, {L"Before"}},
        {"many names not declared in a key", AmplifyingDocument(1, item(distinct, "t")), false, {L"Before"}},
        {"below ten times a large file", AmplifyingDocument(2048, item("T", Repeat("&big;", 1024)), padding), true, whole},
        {"past ten times a large file", AmplifyingDocument(4096, item("T", Repeat("&big;", 1024)), padding), false, {L"Before"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.complete, Load(c.xml)) << c.what;
        // What ended before the limit stays; nothing after it is stored.
        EXPECT_EQ(c.names, Names(container)) << c.what;
    }
}

TEST_F(ObjContainerXmlTest, AmplifyingDocumentsStopEarlyWithBoundedMemory) {
    // 50 KB of text referenced 100,000 times would add 5 GB.
    const std::string bomb = AmplifyingDocument(
        50000, "<ITEM key=\"T\" type=\"OCString\">" + Repeat("&big;", 100000) + "</ITEM>");
    // Nested declarations stay as they are written: each level adds a few references.
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [ <!ENTITY lol0 \"lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        laughs += "<!ENTITY lol" + std::to_string(level) + " \"" +
                  Repeat("&lol" + std::to_string(level - 1) + ";", 10) + "\">\n";
    }
    laughs += "]>\n<r><ITEM key=\"T\" type=\"OCString\">&lol9;</ITEM></r>";

#ifndef _WIN32
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
#endif
    EXPECT_FALSE(Load(bomb));
    EXPECT_EQ((std::vector<std::wstring>{L"Before"}), Names(container));
    ASSERT_TRUE(Load(laughs));
    EXPECT_EQ(tav::FromUtf8(Repeat("&lol8;", 10)), StringOf(container, L"T"));
#ifndef _WIN32
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    // The peak grew by little more than the limit of added text (kilobytes).
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024);
#endif
}

TEST_F(ObjContainerXmlTest, StartTagsOfTooManyAttributesRefuseTheWholeFile) {
    const auto document = [](size_t attributes) {
        std::string tag = "<ITEM key=\"T\" type=\"OCString\"";
        for (size_t i = 2; i < attributes; ++i) tag += " a" + std::to_string(i) + "=\">\"";
        return "<r><ITEM key=\"Before\" type=\"OCString\">kept</ITEM>" + tag + ">t</ITEM></r>";
    };
    const size_t limit = Kmk::Xml::CParser::kMaxAttributes;
    ASSERT_TRUE(Load(document(limit)));
    EXPECT_EQ((std::vector<std::wstring>{L"T", L"Before"}), Names(container));
    // Past the limit nothing is read at all, not even what came before the tag.
    EXPECT_FALSE(Load(document(limit + 1)));
    EXPECT_EQ(0u, container.Count());
}

TEST_F(ObjContainerXmlTest, BrokenOrMissingFilesAnswerFalse) {
    // Broken off in the middle: what ended before the break is kept.
    EXPECT_FALSE(Load("<r>"
                      "<ITEM key=\"A\" type=\"OCString\">a</ITEM>"
                      "<ITEM key=\"Sub\" type=\"OCContainer\">"
                      "<ITEM key=\"B\" type=\"OCUnsignedLong\">2</ITEM>"
                      "<ITEM key=\"C\" type=\"OCString\">cut sh"));
    EXPECT_EQ((std::vector<std::wstring>{L"Sub", L"A"}), Names(container));
    ASSERT_NE(nullptr, container.GetContainer(L"Sub"));
    EXPECT_EQ((std::vector<std::wstring>{L"B"}), Names(*container.GetContainer(L"Sub")));

    // Every load starts empty.
    EXPECT_FALSE(container.Load(folder.PathOf("missing.xml")));
    EXPECT_EQ(0u, container.Count());

    const char* broken[] = {
        "",
        "   \n",
        "<r><ITEM key=\"A\" type=\"OCString\">a</ITEM></x>",
        "<r><ITEM key=\"A\" type=\"OCString\">a</ITEM></r><r/>",
        "<r><ITEM key=\"A\" key=\"B\" type=\"OCString\">a</ITEM></r>",
        "<r><ITEM key=A type=\"OCString\">a</ITEM></r>",
        "\x01\x02\xFF\xFE garbage",
        "<r>\xFF\xFE</r>",
        "<r>&unclosed</r>",
    };
    for (const char* xml : broken) {
        container.SetString(L"Before", L"x");
        EXPECT_FALSE(Load(xml)) << xml;
        EXPECT_FALSE(container.Exists(L"Before")) << xml;
    }

    // A folder is not a file.
    EXPECT_FALSE(container.Load(folder.PathOf("")));
    EXPECT_FALSE(container.Load(L""));
}

TEST_F(ObjContainerXmlTest, BytesInMemoryLoadAsTheSameBytesInAFile) {
    std::string tooWide = "<r><ITEM key=\"A\" type=\"OCString\">a</ITEM><x";
    for (size_t i = 0; i <= Kmk::Xml::CParser::kMaxAttributes; ++i) tooWide += " a" + std::to_string(i) + "=''";
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("<r><ITEM key=\"W\" type=\"OCString\">w</ITEM></r>")) {
        utf16 += c;
        utf16 += '\0';
    }
    const std::string documents[] = {
        "<r><ITEM key=\"A\" type=\"OCString\">a&amp;b</ITEM><ITEM key=\"B\" type=\"OCString\">b</ITEM></r>",
        utf16,
        AmplifyingDocument(50000, "<ITEM key=\"T\" type=\"OCString\">" + Repeat("&big;", 1000) + "</ITEM>"),
        tooWide,
        "<r><ITEM key=\"A\" type=\"OCString\">a</ITEM><ITEM",
        // A compressed file is read as the bytes it holds, never unpacked.
        std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\xFF\xB3\x29\xB2\xB3\xF1\x0C\x71\xF5\x55\xC8\x4E"
                    "\xAD\xB4\x55\x72\x54\x52\x28\xA9\x2C\x48\xB5\x55\xF2\x77\x0E\x2E\x29\xCA\xCC\x4B"
                    "\x57\xB2\x4B\xB4\xD1\x07\xC9\xDB\xD9\xE8\x17\xD9\x01\x00\x67\xB1\xD1\x48\x2D\x00\x00\x00", 63),
    };
    const bool expected[] = {true, true, false, false, false, false};
    for (size_t i = 0; i < std::size(documents); ++i) {
        EXPECT_EQ(expected[i], Load(documents[i])) << i;
        const std::vector<std::wstring> fromFile = Names(container);
        EXPECT_EQ(expected[i], container.LoadDocument(documents[i])) << i;
        EXPECT_EQ(fromFile, Names(container)) << i;
    }
}

TEST_F(ObjContainerXmlTest, NestedContainersHoldTheirOwnItems) {
    ASSERT_TRUE(Load("<config>"
                     "<ITEM key=\"Top\" type=\"OCString\">top</ITEM>"
                     "<ITEM key=\"L1\" type=\"OCContainer\">"
                     "  <ITEM key=\"V1\" type=\"OCString\">in L1</ITEM>"
                     "  <ITEM key=\"L2\" type=\"OCContainer\">"
                     "    <ITEM key=\"L3\" type=\"OCContainer\">"
                     "      <ITEM key=\"L4\" type=\"OCContainer\">"
                     "        <ITEM key=\"V4\" type=\"OCUnsignedLong\">4</ITEM>"
                     "      </ITEM>"
                     "      <ITEM key=\"After4\" type=\"OCString\">in L3</ITEM>"
                     "    </ITEM>"
                     "    <ITEM key=\"After3\" type=\"OCString\">in L2</ITEM>"
                     "    <ITEM key=\"Sibling3\" type=\"OCContainer\">"
                     "      <ITEM key=\"S\" type=\"OCString\">in Sibling3</ITEM>"
                     "    </ITEM>"
                     "  </ITEM>"
                     "  <ITEM key=\"After2\" type=\"OCString\">in L1 too</ITEM>"
                     "</ITEM>"
                     "<ITEM key=\"Second\" type=\"OCContainer\">"
                     "  <ITEM key=\"V\" type=\"OCString\">in Second</ITEM>"
                     "</ITEM>"
                     "<ITEM key=\"Last\" type=\"OCString\">top again</ITEM>"
                     "</config>"));
    EXPECT_EQ((std::vector<std::wstring>{L"Last", L"Second", L"L1", L"Top"}), Names(container));
    const ObjContainer* l1 = container.GetContainer(L"L1");
    ASSERT_NE(nullptr, l1);
    EXPECT_EQ((std::vector<std::wstring>{L"After2", L"L2", L"V1"}), Names(*l1));
    const ObjContainer* l2 = l1->GetContainer(L"L2");
    ASSERT_NE(nullptr, l2);
    EXPECT_EQ((std::vector<std::wstring>{L"Sibling3", L"After3", L"L3"}), Names(*l2));
    EXPECT_EQ(L"in L2", StringOf(*l2, L"After3"));
    ASSERT_NE(nullptr, l2->GetContainer(L"Sibling3"));
    EXPECT_EQ(L"in Sibling3", StringOf(*l2->GetContainer(L"Sibling3"), L"S"));
    const ObjContainer* l3 = l2->GetContainer(L"L3");
    ASSERT_NE(nullptr, l3);
    EXPECT_EQ((std::vector<std::wstring>{L"After4", L"L4"}), Names(*l3));
    ASSERT_NE(nullptr, l3->GetContainer(L"L4"));
    EXPECT_EQ((std::vector<std::wstring>{L"V4"}), Names(*l3->GetContainer(L"L4")));
    ASSERT_NE(nullptr, container.GetContainer(L"Second"));
    EXPECT_EQ((std::vector<std::wstring>{L"V"}), Names(*container.GetContainer(L"Second")));
}

TEST_F(ObjContainerXmlTest, ALaterContainerOfTheSameKeyReplacesTheEarlierWithAllItHeld) {
    ASSERT_TRUE(Load("<r>"
                     "<ITEM key=\"Pkg\" type=\"OCContainer\">"
                     "<ITEM key=\"Old\" type=\"OCString\">old</ITEM>"
                     "<ITEM key=\"Inner\" type=\"OCContainer\">"
                     "<ITEM key=\"Deep\" type=\"OCString\">deep</ITEM>"
                     "</ITEM>"
                     "</ITEM>"
                     "<ITEM key=\"Between\" type=\"OCString\">b</ITEM>"
                     "<ITEM key=\"PKG\" type=\"OCContainer\">"
                     "<ITEM key=\"New\" type=\"OCString\">new</ITEM>"
                     "</ITEM>"
                     // A value of the same name replaces a container too.
                     "<ITEM key=\"Gone\" type=\"OCContainer\">"
                     "<ITEM key=\"X\" type=\"OCString\">x</ITEM>"
                     "</ITEM>"
                     "<ITEM key=\"gone\" type=\"OCString\">now a string</ITEM>"
                     "</r>"));
    EXPECT_EQ((std::vector<std::wstring>{L"gone", L"PKG", L"Between"}), Names(container));
    const ObjContainer* pkg = container.GetContainer(L"pkg");
    ASSERT_NE(nullptr, pkg);
    EXPECT_EQ((std::vector<std::wstring>{L"New"}), Names(*pkg));
    EXPECT_EQ(L"now a string", StringOf(container, L"Gone"));
}

TEST_F(ObjContainerXmlTest, OtherElementsAroundItemsAreCountedButStoreNothing) {
    ASSERT_TRUE(Load("<config>"
                     "<Header><Title>ignored text</Title></Header>"
                     "<Group name=\"x\">"
                     "<ITEM key=\"InGroup\" type=\"OCString\">root value</ITEM>"
                     "</Group>"
                     "<ITEM key=\"Pkg\" type=\"OCContainer\">"
                     "<Section>"
                     "<ITEM key=\"Wrapped\" type=\"OCString\">in Pkg</ITEM>"
                     "</Section>"
                     "<ITEM key=\"Direct\" type=\"OCString\">before<br/>after</ITEM>"
                     "</ITEM>"
                     "<ITEM key=\"Tail\" type=\"OCString\">tail</ITEM>"
                     "</config>"));
    EXPECT_EQ((std::vector<std::wstring>{L"Tail", L"Pkg", L"InGroup"}), Names(container));
    EXPECT_EQ(L"root value", StringOf(container, L"InGroup"));
    const ObjContainer* pkg = container.GetContainer(L"Pkg");
    ASSERT_NE(nullptr, pkg);
    EXPECT_EQ((std::vector<std::wstring>{L"Direct", L"Wrapped"}), Names(*pkg));
    // The text is what came after the most recent start of any element.
    EXPECT_EQ(L"after", StringOf(*pkg, L"Direct"));
}

TEST_F(ObjContainerXmlTest, TextInEveryEncodingArrivesAsWideText) {
    // "Größe €" and a character beyond the basic plane, in UTF-8.
    const std::string utf8Text = "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC \xF0\x9D\x84\x9E";
    ASSERT_TRUE(Load("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>"
                     "<ITEM key=\"Gr\xC3\xB6\xC3\x9F" "e\" type=\"OCString\">" + utf8Text +
                     "</ITEM></r>"));
    const std::wstring upperKey = tav::FromUtf8("GR\xC3\xB6\xC3\x9F" "E");
    EXPECT_EQ(tav::FromUtf8(utf8Text), StringOf(container, upperKey));

    ASSERT_TRUE(Load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>"
                     "<ITEM key=\"K\xE9y\" type=\"OCString\">caf\xE9 \xA3</ITEM></r>"));
    EXPECT_EQ(L"caf\u00E9 \u00A3", StringOf(container, L"K\u00E9y"));

    // UTF-16LE with its byte order mark.
    const std::wstring wide = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>"
                              L"<ITEM key=\"W\" type=\"OCString\">\u00E9\u20AC</ITEM></r>";
    std::string utf16 = "\xFF\xFE";
    for (wchar_t ch : wide) {
        utf16.push_back(static_cast<char>(ch & 0xFF));
        utf16.push_back(static_cast<char>((ch >> 8) & 0xFF));
    }
    ASSERT_TRUE(Load(utf16));
    EXPECT_EQ(L"\u00E9\u20AC", StringOf(container, L"w"));
}

TEST_F(ObjContainerXmlTest, PathsUpTo255Utf8BytesAreRead) {
    const std::string xml = "<r><ITEM key=\"A\" type=\"OCString\">a</ITEM></r>";
    const size_t base = tav::ToUtf8(folder.PathOf("")).size();
    ASSERT_LT(base, 200u);
    const std::string fill(255 - base - 4, 'n');
    const std::wstring at255 = folder.Write(fill + ".xml", xml);
    ASSERT_EQ(255u, tav::ToUtf8(at255).size());
    EXPECT_TRUE(container.Load(at255));
    EXPECT_EQ(1u, container.Count());

    const std::wstring at256 = folder.Write(fill + "n.xml", xml);
    EXPECT_FALSE(container.Load(at256));
    EXPECT_EQ(0u, container.Count());

    // Two bytes per character in UTF-8: the limit counts bytes, not characters.
    const std::string twoByte = "\xC3\xA9";
    std::string name;
    while (base + name.size() + 4 <= 255) name += twoByte;
    const std::wstring wide = folder.Write(name + ".xml", xml);
    ASSERT_GT(tav::ToUtf8(wide).size(), 255u);
    ASSERT_LT(wide.size(), 255u);
    EXPECT_FALSE(container.Load(wide));

    const std::wstring accented = folder.Write("caf\xC3\xA9.xml", xml);
    EXPECT_TRUE(container.Load(accented));
    EXPECT_EQ(1u, container.Count());
}

TEST_F(ObjContainerXmlTest, AnAbsurdlyLongKeyIsHandled) {
    const std::string key(100000, 'k');
    ASSERT_TRUE(Load("<r>"
                     "<ITEM key=\"" + key + "\" type=\"OCContainer\">"
                     "<ITEM key=\"" + key + "\" type=\"OCString\">inner</ITEM>"
                     "</ITEM>"
                     "<ITEM key=\"After\" type=\"OCString\">after</ITEM>"
                     "</r>"));
    const std::wstring upper(100000, L'K');
    const ObjContainer* sub = container.GetContainer(upper);
    ASSERT_NE(nullptr, sub);
    EXPECT_EQ(L"inner", StringOf(*sub, upper));
    EXPECT_EQ(L"after", StringOf(container, L"After"));
}

}  // namespace
