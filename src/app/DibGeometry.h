// The arithmetic of painting a device-independent bitmap into a placeholder control: how many
// palette colours its header asks for, the palette itself, and which part of the bitmap is
// drawn where.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dib {

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

struct PaletteEntry {
    uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const PaletteEntry&) const = default;
};

// A packed bitmap (header, colour table, pixels) as a resource holds it.
class PackedBitmap {
public:
    // False when the bytes are too short for the header, its colour table or its pixels.
    bool Read(const uint8_t* bytes, size_t size);

    int Width() const { return width_; }
    int Height() const { return height_; }  // rows are stored bottom-up
    int BitsPerPixel() const { return bits_; }
    // Colours of the palette: the used-colours field of the current header form when set, else
    // 2, 16 or 256 by the depth; none for deeper bitmaps.
    int ColourCount() const { return colours_; }
    const std::vector<PaletteEntry>& Palette() const { return palette_; }
    // Where the pixels start, from the beginning of the bytes.
    size_t PixelOffset() const { return pixelOffset_; }

private:
    int width_ = 1, height_ = 1, bits_ = 0, colours_ = 0;
    std::vector<PaletteEntry> palette_;
    size_t pixelOffset_ = 0;
};

// The part of a bitmap drawn into a control: all of it when stretched, else the control's size
// around the bitmap's centre or at its top-left corner.
Rect SourceRect(bool stretch, bool centre, int bitmapWidth, int bitmapHeight, int controlWidth,
                int controlHeight);

// The first row to copy counted from the bottom of a bottom-up bitmap, for a source rectangle.
int BottomUpRow(const Rect& source, int bitmapHeight);

}  // namespace dib
