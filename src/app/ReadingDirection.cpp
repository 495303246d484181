// Reading direction of the wizard's languages and the marks of mixed lines.
#include "app/ReadingDirection.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "system/MessageBoxes.h"

namespace {

// A run is held left to right by an override: its backslashes, colons and dots then stay in
// place in every renderer (marks or an embedding alone let some renderers split a folder).
constexpr wchar_t kLeftToRightOverride = 0x202D;
constexpr wchar_t kRightToLeftEmbedding = 0x202B;
constexpr wchar_t kPopDirectionalFormatting = 0x202C;
constexpr wchar_t kLeftToRightEmbedding = 0x202A;
constexpr wchar_t kRightToLeftOverride = 0x202E;

bool IsRightToLeftCharacter(wchar_t c) {
    // Hebrew, Arabic, Syriac, Thaana and their presentation forms.
    return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF);
}

// Letters and digits that read left to right: ASCII, Latin, Greek and Cyrillic.
bool IsLeftToRightCharacter(wchar_t c) {
    if ((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z')) return true;
    return c >= 0xC0 && c < 0x0590 && c != 0xD7 && c != 0xF7;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Brackets, quotes and sentence punctuation around a Latin word belong to the sentence.
bool IsOpening(wchar_t c) { return std::wstring_view(L"([{<\x00AB\"'").find(c) != std::wstring_view::npos; }
bool IsClosing(wchar_t c) {
    return std::wstring_view(L".,:;!?)]}>\x00BB\"'").find(c) != std::wstring_view::npos;
}

}  // namespace

bool IsRightToLeftLanguage(const std::wstring& code) { return code == L"AR"; }

uint32_t MessageStyleIn(const std::wstring& language, uint32_t style) {
    if (!IsRightToLeftLanguage(language)) return style;
    return style | sys::MessageStyle::RtlReading | sys::MessageStyle::Right;
}

std::wstring MarkLeftToRightRuns(const std::wstring& line) {
    // A run is a Latin word without its surrounding punctuation, joined with the Latin words
    // that follow it across blanks and signs such as "->" until an Arabic word or punctuation
    // that ends a phrase ("Kernel:" ends its run at the colon).
    struct Run {
        size_t begin, end;
        bool openEnd;  // nothing was cut off its end, so the next word may join it
    };
    std::vector<Run> runs;
    bool joinable = false;
    size_t at = 0;
    while (at < line.size()) {
        if (IsBlank(line[at])) {
            ++at;
            continue;
        }
        const size_t wordBegin = at;
        bool rightToLeft = false;
        bool leftToRight = false;
        for (; at < line.size() && !IsBlank(line[at]); ++at) {
            rightToLeft = rightToLeft || IsRightToLeftCharacter(line[at]);
            leftToRight = leftToRight || IsLeftToRightCharacter(line[at]);
        }
        if (rightToLeft) {
            joinable = false;
            continue;
        }
        if (!leftToRight) continue;  // signs and dashes keep the runs around them joinable
        size_t begin = wordBegin;
        size_t end = at;
        while (IsOpening(line[begin])) ++begin;
        while (IsClosing(line[end - 1])) --end;
        if (joinable && begin == wordBegin) {
            runs.back().end = end;
            runs.back().openEnd = end == at;
        } else {
            runs.push_back({begin, end, end == at});
        }
        joinable = runs.back().openEnd;
    }

    std::wstring marked;
    marked.reserve(line.size() + 2 * runs.size());
    size_t copied = 0;
    for (const Run& run : runs) {
        marked.append(line, copied, run.begin - copied);
        marked += kLeftToRightOverride;
        marked.append(line, run.begin, run.end - run.begin);
        marked += kPopDirectionalFormatting;
        copied = run.end;
    }
    marked.append(line, copied, std::wstring::npos);
    return marked;
}

namespace {

// Each line of the text changed by mark, its line breaks kept.
template <typename Mark>
std::wstring EachLine(const std::wstring& text, Mark mark) {
    std::wstring shown;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find(L'\n', begin);
        const bool last = end == std::wstring::npos;
        if (last) end = text.size();
        size_t lineEnd = end;
        if (lineEnd > begin && text[lineEnd - 1] == L'\r') --lineEnd;
        shown += mark(text.substr(begin, lineEnd - begin));
        shown.append(text, lineEnd, end - lineEnd);
        if (last) break;
        shown += L'\n';
        begin = end + 1;
    }
    return shown;
}

}  // namespace

std::wstring TextForDisplay(const std::wstring& text, const std::wstring& language) {
    if (!IsRightToLeftLanguage(language)) return text;
    return EachLine(text, MarkLeftToRightRuns);
}

std::wstring TextForEditBox(const std::wstring& text, const std::wstring& language) {
    if (!IsRightToLeftLanguage(language)) return text;
    return EachLine(text, [](const std::wstring& line) {
        if (line.empty()) return line;
        return kRightToLeftEmbedding + MarkLeftToRightRuns(line) + kPopDirectionalFormatting;
    });
}

std::wstring EmbeddingsOpenAt(const std::wstring& text, size_t at) {
    at = std::min(at, text.size());
    const size_t lineBreak = at == 0 ? std::wstring::npos : text.rfind(L'\n', at - 1);
    std::wstring open;
    for (size_t i = lineBreak == std::wstring::npos ? 0 : lineBreak + 1; i < at; ++i) {
        const wchar_t c = text[i];
        if (c >= kLeftToRightEmbedding && c <= kRightToLeftOverride && c != kPopDirectionalFormatting) {
            open += c;
        } else if (c == kPopDirectionalFormatting && !open.empty()) {
            open.pop_back();
        }
    }
    return open;
}

std::wstring WithoutDirectionalMarks(const std::wstring& text) {
    std::wstring bare;
    for (wchar_t c : text) {
        if (c < kLeftToRightEmbedding || c > kRightToLeftOverride) bare += c;
    }
    return bare;
}
