// A dialog with a bitmap in a placeholder control.
#include "app/win32/DibDialog.h"

#include <vector>

namespace app {
namespace {

// Palettes matter only on displays that show colours through one; realizing one elsewhere buys
// nothing (and under Wine spoils the drawing of windows opened afterwards).
bool UsesPalette(HDC dc) { return (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0; }

}  // namespace

CDibDialog::CDibDialog(int templateId, int bitmapId, int placeholderId, bool stretch, bool centre)
    : CDialog(templateId), bitmapId_(bitmapId), placeholderId_(placeholderId), stretch_(stretch),
      centre_(centre) {}

CDibDialog::~CDibDialog() {
    if (palette_) DeleteObject(palette_);
}

bool CDibDialog::OnInitDialog() {
    LoadBitmap();
    return true;
}

void CDibDialog::LoadBitmap() {
    HINSTANCE module = CApplication::Instance();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(bitmapId_), MAKEINTRESOURCEW(2) /* bitmap */);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* bytes = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    // A missing or unreadable bitmap leaves the placeholder unpainted.
    if (!bytes || !bitmap_.Read(bytes, SizeofResource(module, found))) return;
    info_ = reinterpret_cast<const BITMAPINFO*>(bytes);
    pixels_ = bytes + bitmap_.PixelOffset();

    const auto& colours = bitmap_.Palette();
    if (colours.empty()) return;
    std::vector<uint8_t> storage(sizeof(LOGPALETTE) + colours.size() * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(colours.size());
    for (size_t i = 0; i < colours.size(); ++i) {
        logical->palPalEntry[i] = {colours[i].red, colours[i].green, colours[i].blue, 0};
    }
    palette_ = CreatePalette(logical);
}

void CDibDialog::PaintBitmap(HDC dc, POINT origin) {
    HWND placeholder = Item(placeholderId_);
    if (!info_ || !placeholder || !IsWindowVisible(placeholder)) return;
    RECT area{};
    GetWindowRect(placeholder, &area);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
    OffsetRect(&area, -origin.x, -origin.y);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const dib::Rect source =
        dib::SourceRect(stretch_, centre_, bitmap_.Width(), bitmap_.Height(), width, height);

    // In a mirrored window the picture keeps its own direction.
    const DWORD layout = GetLayout(dc);
    if (layout & LAYOUT_RTL) SetLayout(dc, layout | LAYOUT_BITMAPORIENTATIONPRESERVED);
    const bool withPalette = palette_ && UsesPalette(dc);
    HPALETTE previous = withPalette ? SelectPalette(dc, palette_, TRUE) : nullptr;
    if (withPalette) RealizePalette(dc);
    SetStretchBltMode(dc, COLORONCOLOR);
    const int row = dib::BottomUpRow(source, bitmap_.Height());
    if (source.width == width && source.height == height) {
        SetDIBitsToDevice(dc, area.left, area.top, static_cast<DWORD>(width),
                          static_cast<DWORD>(height), source.left, row, 0,
                          static_cast<UINT>(bitmap_.Height()), pixels_, info_, DIB_RGB_COLORS);
    } else {
        StretchDIBits(dc, area.left, area.top, width, height, source.left, row, source.width,
                      source.height, pixels_, info_, DIB_RGB_COLORS, SRCCOPY);
    }
    if (previous) SelectPalette(dc, previous, TRUE);
    if (layout & LAYOUT_RTL) SetLayout(dc, layout);
}

void CDibDialog::Realize(bool background) {
    if (!palette_) return;
    HDC dc = GetDC(Handle());
    if (!UsesPalette(dc)) {
        ReleaseDC(Handle(), dc);
        return;
    }
    HPALETTE previous = SelectPalette(dc, palette_, background ? TRUE : FALSE);
    RealizePalette(dc);
    SelectPalette(dc, previous, TRUE);
    ReleaseDC(Handle(), dc);
}

bool CDibDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(Handle(), &paint);
            PaintBitmap(dc, POINT{0, 0});
            EndPaint(Handle(), &paint);
            return true;
        }
        case WM_DRAWITEM:
            // The placeholder draws nothing of its own: the bitmap goes into its device context.
            if (wParam == static_cast<WPARAM>(placeholderId_)) {
                const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
                RECT area{};
                GetWindowRect(item->hwndItem, &area);
                MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
                PaintBitmap(item->hDC, POINT{area.left, area.top});
                result = TRUE;
                return true;
            }
            return false;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) {
                Realize(false);
                InvalidateRect(Handle(), nullptr, TRUE);
            }
            return false;
        case WM_PALETTECHANGED:
            if (reinterpret_cast<HWND>(wParam) != Handle()) {
                InvalidateRect(Handle(), nullptr, TRUE);
                Realize(true);
            }
            return true;
        case WM_QUERYNEWPALETTE:
            Realize(false);
            result = TRUE;
            return true;
        default:
            return false;
    }
}

}  // namespace app
