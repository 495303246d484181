// Palette and source rectangle of a device-independent bitmap.
#include "app/DibGeometry.h"

#include <cstring>

namespace dib {
namespace {

// The current header form and its later, longer versions; shorter headers are the core form.
constexpr uint32_t kInfoHeaderSize = 40;
constexpr size_t kCoreHeaderSize = 12;

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
int32_t I32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

int ColoursOfDepth(int bits) {
    switch (bits) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

}  // namespace

bool PackedBitmap::Read(const uint8_t* bytes, size_t size) {
    *this = PackedBitmap();
    if (!bytes || size < kCoreHeaderSize) return false;
    const uint32_t headerSize = U32(bytes);
    const bool info = headerSize >= kInfoHeaderSize;
    size_t entrySize = 3;
    int64_t width = 0, height = 0;
    uint32_t compression = 0;
    if (info) {
        if (size < headerSize) return false;
        width = I32(bytes + 4);
        height = I32(bytes + 8);
        bits_ = U16(bytes + 14);
        compression = U32(bytes + 16);
        const uint32_t used = U32(bytes + 32);
        colours_ = ColoursOfDepth(bits_) == 0 ? 0 : (used != 0 ? static_cast<int>(used) : ColoursOfDepth(bits_));
        entrySize = 4;
    } else {
        if (headerSize < kCoreHeaderSize || headerSize > size) return false;
        width = U16(bytes + 4);
        height = U16(bytes + 6);
        bits_ = U16(bytes + 10);
        colours_ = ColoursOfDepth(bits_);
    }
    // Top-down bitmaps and compressed pixels are not drawn by the row arithmetic here.
    if (width <= 0 || height <= 0 || width > 0x8000 || height > 0x8000 || compression != 0 ||
        colours_ > 256) {
        return false;
    }
    const size_t header = headerSize;
    const size_t table = static_cast<size_t>(colours_) * entrySize;
    const size_t stride = ((static_cast<size_t>(width) * bits_ + 31) / 32) * 4;
    if (bits_ == 0 || header + table + stride * static_cast<size_t>(height) > size) return false;

    for (int i = 0; i < colours_; ++i) {
        const uint8_t* entry = bytes + header + static_cast<size_t>(i) * entrySize;
        palette_.push_back({entry[2], entry[1], entry[0]});
    }
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    pixelOffset_ = header + table;
    return true;
}

Rect SourceRect(bool stretch, bool centre, int bitmapWidth, int bitmapHeight, int controlWidth,
                int controlHeight) {
    if (stretch) return {0, 0, bitmapWidth, bitmapHeight};
    if (centre) {
        return {(bitmapWidth - controlWidth) / 2, (bitmapHeight - controlHeight) / 2, controlWidth,
                controlHeight};
    }
    return {0, 0, controlWidth, controlHeight};
}

int BottomUpRow(const Rect& source, int bitmapHeight) {
    return bitmapHeight - source.top - source.height;
}

}  // namespace dib
