// Read-only edit boxes drawn right to left line by line.
#include "app/win32/RightToLeftEdit.h"

#include <commctrl.h>
#include <usp10.h>

#include <string>
#include <vector>

#include "app/ReadingDirection.h"

namespace app {

namespace {

constexpr UINT_PTR kSubclassId = 0x52544C;  // one subclass of this kind per box
// Set while the box's lines are drawn here.
constexpr wchar_t kDrawingProperty[] = L"TavRightToLeftLines";

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    GetWindowTextW(window, text.data(), length + 1);
    return std::wstring(text.data());
}

// A run of a line: characters of one embedding level, logically and visually side by side.
struct Run {
    int begin;
    int length;
    BYTE level;
};

// The runs of a line in the order they stand on the screen from left to right. The box splits and
// levels the line the same way (default script state), so the runs measure as it measured them
// when it wrapped the line.
std::vector<Run> RunsLeftToRight(const std::wstring& line) {
    std::vector<SCRIPT_ITEM> items(line.size() + 2);
    int count = 0;
    SCRIPT_CONTROL control{};
    SCRIPT_STATE state{};
    if (line.empty() || FAILED(ScriptItemize(line.c_str(), static_cast<int>(line.size()),
                                             static_cast<int>(items.size()) - 1, &control, &state,
                                             items.data(), &count))) {
        return {};
    }
    std::vector<BYTE> levels(static_cast<size_t>(count));
    for (size_t i = 0; i < levels.size(); ++i) levels[i] = static_cast<BYTE>(items[i].a.s.uBidiLevel);
    std::vector<int> visualToLogical(static_cast<size_t>(count));
    ScriptLayout(count, levels.data(), visualToLogical.data(), nullptr);
    std::vector<Run> runs;
    for (int logical : visualToLogical) {
        const auto i = static_cast<size_t>(logical);
        const Run item{items[i].iCharPos, items[i + 1].iCharPos - items[i].iCharPos, levels[i]};
        // Items of one level next to each other make one run (a lone blank between two words
        // would measure nothing on its own).
        Run* last = runs.empty() ? nullptr : &runs.back();
        if (last && last->level == item.level && last->begin + last->length == item.begin) {
            last->length += item.length;
        } else if (last && last->level == item.level && item.begin + item.length == last->begin) {
            last->begin = item.begin;
            last->length += item.length;
        } else {
            runs.push_back(item);
        }
    }
    return runs;
}

// Draws one line at the right edge of area: each run laid out on its own at its level (so a
// left-to-right run reads left to right and brackets of a right-to-left one are mirrored), the
// runs placed in screen order. The box's own drawing places them in the wrong order under Wine
// when a left-to-right run of several pieces stands inside a right-to-left line.
void DrawLine(HDC dc, const std::wstring& line, const RECT& area) {
    struct Shaped {
        SCRIPT_STRING_ANALYSIS analysis;
        int width;
    };
    std::vector<Shaped> shaped;
    int width = 0;
    for (const Run& run : RunsLeftToRight(line)) {
        SCRIPT_STATE state{};
        state.uBidiLevel = run.level;
        SCRIPT_CONTROL control{};
        // The run's level is decided: its marks go (a mark after a blank takes the blank's width
        // away under Wine).
        const std::wstring part = WithoutDirectionalMarks(line.substr(static_cast<size_t>(run.begin),
                                                                      static_cast<size_t>(run.length)));
        const auto length = static_cast<int>(part.size());
        SCRIPT_STRING_ANALYSIS analysis = nullptr;
        if (part.empty() ||
            FAILED(ScriptStringAnalyse(dc, part.c_str(), length, length * 3 / 2 + 16, -1,
                                       SSA_GLYPHS | SSA_FALLBACK | SSA_LINK, -1, &control, &state,
                                       nullptr, nullptr, nullptr, &analysis))) {
            continue;
        }
        // The sum of the characters' widths: the string's size leaves out blanks at its end.
        std::vector<int> widths(part.size());
        ScriptStringGetLogicalWidths(analysis, widths.data());
        int runWidth = 0;
        for (int w : widths) runWidth += w;
        shaped.push_back({analysis, runWidth});
        width += shaped.back().width;
    }
    int x = area.right - width;
    for (Shaped& shape : shaped) {
        ScriptStringOut(shape.analysis, x, area.top, ETO_CLIPPED, &area, 0, 0, FALSE);
        x += shape.width;
        ScriptStringFree(&shape.analysis);
    }
}

void PaintLines(HWND edit) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(edit, &paint);
    // The colours and background the box itself would ask its dialog for.
    HWND parent = GetParent(edit);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));
    if (!brush) {
        brush = reinterpret_cast<HBRUSH>(
            DefWindowProcW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));
    }
    RECT client{};
    GetClientRect(edit, &client);
    FillRect(dc, &client, brush);
    if (!IsWindowEnabled(edit)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT format{};
    SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));

    const std::wstring text = WindowText(edit);
    const auto count = static_cast<int>(SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
    auto line = static_cast<int>(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
    for (int top = format.top; line < count && top < format.bottom; ++line, top += metrics.tmHeight) {
        const auto begin = static_cast<size_t>(SendMessageW(edit, EM_LINEINDEX, line, 0));
        const auto length = static_cast<size_t>(SendMessageW(edit, EM_LINELENGTH, begin, 0));
        if (begin > text.size()) break;
        // A line the box wrapped goes on in the direction its first part had.
        const RECT row{format.left, top, format.right, top + metrics.tmHeight};
        DrawLine(dc, EmbeddingsOpenAt(text, begin) + text.substr(begin, length), row);
    }
    SelectObject(dc, oldFont);
    EndPaint(edit, &paint);
}

LRESULT CALLBACK RightToLeftLines(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR) {
    switch (message) {
        case WM_PAINT:
            PaintLines(edit);
            return 0;
        case WM_SETFOCUS: {
            const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
            HideCaret(edit);
            return result;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(edit, RightToLeftLines, kSubclassId);
            RemovePropW(edit, kDrawingProperty);
            break;
        case WM_SETTEXT:
        case WM_SIZE:
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_MOUSEWHEEL:
        case WM_KEYDOWN:
        case EM_LINESCROLL:
        case EM_SCROLL:
        case EM_SCROLLCARET: {
            // The box moves its pixels as it laid them out: every line is drawn anew.
            const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
            InvalidateRect(edit, nullptr, TRUE);
            return result;
        }
        default:
            break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void DrawLinesRightToLeft(HWND edit, bool on) {
    const bool drawing = GetPropW(edit, kDrawingProperty) != nullptr;
    if (on && !drawing) {
        SetWindowSubclass(edit, RightToLeftLines, kSubclassId, 0);
        SetPropW(edit, kDrawingProperty, edit);
        if (GetFocus() == edit) HideCaret(edit);
    } else if (!on && drawing) {
        RemoveWindowSubclass(edit, RightToLeftLines, kSubclassId);
        RemovePropW(edit, kDrawingProperty);
        if (GetFocus() == edit) ShowCaret(edit);
    }
    InvalidateRect(edit, nullptr, TRUE);
}

}  // namespace app
