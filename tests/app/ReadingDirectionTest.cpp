// Right-to-left languages: which ones, their message box styles, and the marks that keep the
// Latin parts of a mixed line in their own direction.
#include "app/ReadingDirection.h"

#include <gtest/gtest.h>

#include "app/WizardFlow.h"
#include "base/WideText.h"
#include "system/MessageBoxes.h"

namespace {

namespace Style = sys::MessageStyle;

// The directional marks written as visible characters: { for a run held left to right,
// [ for a line embedded right to left, ] where either ends.
std::wstring Visible(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == 0x202D) c = L'{';
        if (c == 0x202B) c = L'[';
        if (c == 0x202C) c = L']';
    }
    return text;
}

TEST(ReadingDirectionTest, OnlyArabicReadsRightToLeftAndItsMessageBoxesSaySo) {
    for (const WizardLanguage& language : kWizardLanguages) {
        const bool arabic = std::wstring(language.code) == L"AR";
        EXPECT_EQ(arabic, IsRightToLeftLanguage(language.code)) << tav::ToUtf8(language.code);
        const uint32_t style = Style::YesNo | Style::IconWarning;
        EXPECT_EQ(arabic ? style | Style::RtlReading | Style::Right : style,
                  MessageStyleIn(language.code, style));
    }
    EXPECT_FALSE(IsRightToLeftLanguage(L"ar"));
}

TEST(ReadingDirectionTest, LatinRunsOfAMixedLineAreMarkedWithoutTheirSentencePunctuation) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        // A folder with its closing backslash, after a label and its colon.
        {L"\u0645\u062c\u0644\u062f: C:\\TAVSERVER\\", L"\u0645\u062c\u0644\u062f: {C:\\TAVSERVER\\]"},
        // The component's colon and the sentence's full stop stay outside.
        {L"-- Kernel: \u0646\u0633\u062e C:\\A\\b.dll.", L"-- {Kernel]: \u0646\u0633\u062e {C:\\A\\b.dll]."},
        // Versions joined across an arrow; a product name of two words is one run.
        {L"\u0645 1.2.3.4 -> 1.2.3.1000", L"\u0645 {1.2.3.4 -> 1.2.3.1000]"},
        {L"\u0645 Tarnova server \u0645", L"\u0645 {Tarnova server] \u0645"},
        // Brackets and guillemets belong to the sentence; a leading underscore to the name.
        {L"\u0645 (TavAps) _log.csv \u00abOK\u00bb", L"\u0645 ({TavAps]) {_log.csv] \u00ab{OK]\u00bb"},
        {L"\u0645\u0631\u062d\u0628\u0627", L"\u0645\u0631\u062d\u0628\u0627"},
        {L"", L""},
    };
    for (const auto& [line, marked] : cases) {
        EXPECT_EQ(marked, Visible(MarkLeftToRightRuns(line))) << tav::ToUtf8(line);
    }
}

TEST(ReadingDirectionTest, OnlyRightToLeftLanguagesGetMarksLineByLine) {
    const std::wstring text = L"\u0645: C:\\X\\\r\n    Kernel\r\n\r\n\u0645";
    EXPECT_EQ(text, TextForDisplay(text, L"EN"));
    EXPECT_EQ(text, TextForEditBox(text, L"DE"));
    EXPECT_EQ(L"\u0645: {C:\\X\\]\r\n    {Kernel]\r\n\r\n\u0645", Visible(TextForDisplay(text, L"AR")));
    EXPECT_EQ(L"[\u0645: {C:\\X\\]]\r\n[    {Kernel]]\r\n\r\n[\u0645]", Visible(TextForEditBox(text, L"AR")));
}

TEST(ReadingDirectionTest, AWrappedPartOfALineGoesOnInTheDirectionsStillOpen) {
    // "[x {C:\A] y]\r\n[z]": where the edit box may wrap, and what is open there.
    const std::wstring text = L"\u202Bx \u202DC:\\A\u202C y\u202C\r\n\u202Bz\u202C";
    const std::pair<size_t, std::wstring> cases[] = {
        {0, L""}, {2, L"["}, {5, L"[{"}, {9, L"["}, {12, L""}, {14, L""}, {15, L"["}, {100, L""},
    };
    for (const auto& [at, open] : cases) EXPECT_EQ(open, Visible(EmbeddingsOpenAt(text, at))) << at;
    EXPECT_EQ(L"x C:\\A y\r\nz", WithoutDirectionalMarks(text));
}

}  // namespace
