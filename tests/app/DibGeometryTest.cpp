// Bitmap headers, palettes and the part of a bitmap drawn into the wizard's picture strip.
#include "app/DibGeometry.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A packed bitmap with the current (40-byte) header; colour i of the table is (i, 2i, 3i).
std::vector<uint8_t> InfoBitmap(int width, int height, int bits, uint32_t used, int tableEntries) {
    const size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    std::vector<uint8_t> b(40 + size_t(tableEntries) * 4 + stride * size_t(height));
    Put32(b, 0, 40);
    Put32(b, 4, uint32_t(width));
    Put32(b, 8, uint32_t(height));
    Put16(b, 12, 1);
    Put16(b, 14, uint16_t(bits));
    Put32(b, 32, used);
    for (int i = 0; i < tableEntries; ++i) {
        b[40 + 4 * i] = uint8_t(3 * i);  // blue, green, red, reserved
        b[41 + 4 * i] = uint8_t(2 * i);
        b[42 + 4 * i] = uint8_t(i);
    }
    return b;
}

TEST(DibGeometryTest, ColourCountsAndPalettesOfBothHeaderForms) {
    const struct {
        int bits;
        uint32_t used;
        int colours;
    } cases[] = {{1, 0, 2}, {4, 0, 16}, {8, 0, 256}, {8, 20, 20}, {24, 0, 0}, {24, 5, 0}, {32, 0, 0}};
    for (const auto& c : cases) {
        const auto bytes = InfoBitmap(4, 2, c.bits, c.used, c.colours);
        dib::PackedBitmap bitmap;
        ASSERT_TRUE(bitmap.Read(bytes.data(), bytes.size())) << c.bits;
        EXPECT_EQ(c.colours, bitmap.ColourCount()) << c.bits << " " << c.used;
        ASSERT_EQ(size_t(c.colours), bitmap.Palette().size());
        if (c.colours > 3) EXPECT_EQ((dib::PaletteEntry{3, 6, 9}), bitmap.Palette()[3]);
        EXPECT_EQ(40u + 4u * c.colours, bitmap.PixelOffset());
    }

    // The core form: 12-byte header, three bytes a colour.
    std::vector<uint8_t> core(12 + 16 * 3 + 4 * 3);
    Put32(core, 0, 12);
    Put16(core, 4, 5);
    Put16(core, 6, 3);
    Put16(core, 8, 1);
    Put16(core, 10, 4);
    core[12 + 3 * 2] = 30;  // colour 2: blue 30, green 20, red 10
    core[13 + 3 * 2] = 20;
    core[14 + 3 * 2] = 10;
    dib::PackedBitmap bitmap;
    ASSERT_TRUE(bitmap.Read(core.data(), core.size()));
    EXPECT_EQ(5, bitmap.Width());
    EXPECT_EQ(3, bitmap.Height());
    EXPECT_EQ(16, bitmap.ColourCount());
    EXPECT_EQ((dib::PaletteEntry{10, 20, 30}), bitmap.Palette()[2]);
}

TEST(DibGeometryTest, ShortOrStrangeBitmapsAreNotRead) {
    auto good = InfoBitmap(198, 388, 8, 0, 256);
    dib::PackedBitmap bitmap;
    ASSERT_TRUE(bitmap.Read(good.data(), good.size()));
    EXPECT_FALSE(bitmap.Read(good.data(), good.size() - 1));   // pixels cut short
    EXPECT_FALSE(bitmap.Read(good.data(), 40 + 100 * 4));      // colour table cut short
    EXPECT_FALSE(bitmap.Read(good.data(), 11));
    EXPECT_FALSE(bitmap.Read(nullptr, 0));
    EXPECT_EQ(1, bitmap.Width());
    auto used = InfoBitmap(4, 2, 8, 300, 0);
    EXPECT_FALSE(bitmap.Read(used.data(), used.size()));  // more colours than the depth holds
    auto topDown = good;
    Put32(topDown, 8, uint32_t(-388));
    EXPECT_FALSE(bitmap.Read(topDown.data(), topDown.size()));
}

TEST(DibGeometryTest, SourceRectangleForStretchCentreAndTopLeft) {
    using dib::Rect;
    EXPECT_EQ((Rect{0, 0, 300, 400}), dib::SourceRect(true, true, 300, 400, 198, 388));
    EXPECT_EQ((Rect{51, 6, 198, 388}), dib::SourceRect(false, true, 300, 400, 198, 388));
    EXPECT_EQ((Rect{0, 0, 198, 388}), dib::SourceRect(false, false, 300, 400, 198, 388));
    // Same size: the whole bitmap, copied as it is; smaller: offsets go negative.
    EXPECT_EQ((Rect{0, 0, 198, 388}), dib::SourceRect(false, true, 198, 388, 198, 388));
    EXPECT_EQ((Rect{-1, -2, 200, 392}), dib::SourceRect(false, true, 198, 388, 200, 392));
    // Rows are stored bottom-up: the centre's first row from the bottom.
    EXPECT_EQ(6, dib::BottomUpRow({51, 6, 198, 388}, 400));
    EXPECT_EQ(0, dib::BottomUpRow({0, 12, 198, 388}, 400));
}

}  // namespace
