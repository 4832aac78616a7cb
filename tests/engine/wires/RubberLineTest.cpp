// The rubber-band line: the pixels it paints and their exact restoration.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "MemorySurface.h"
#include "Picture.h"
#include "Rubline.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

// A background no two neighbouring pixels share: a gradient with a picture
// drawn over part of it.
kmr::MemorySurface Busy(int w = 64, int h = 48) {
    kmr::MemorySurface s(w, h, 0xF0F0F0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.SetPixel(x, y, (uint32_t)(x * 3) << 16 | (uint32_t)(y * 5) << 8 | (x ^ y));
    kmr::Picture pic;
    pic.width = 20;
    pic.height = 12;
    for (int i = 0; i < 20 * 12; ++i) pic.pixels.push_back(0xFF000000u | (uint32_t)(i * 2654435761u >> 8));
    s.DrawPicture(pic, 30, 20);
    return s;
}

Pixels Painted(const kmr::MemorySurface &before, const kmr::MemorySurface &after) {
    Pixels out;
    for (int y = 0; y < before.Height(); ++y)
        for (int x = 0; x < before.Width(); ++x)
            if (before.Pixel(x, y) != after.Pixel(x, y)) out.insert({x, y});
    return out;
}

TEST(RubberLine, PaintsTheRasterPixelsInItsColour) {
    struct Case {
        int x1, y1, x2, y2;
        Pixels expected;
    } cases[] = {
        {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        // Steep: the gap to each column's row is filled.
        {0, 0, 2, 5, {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}, {2, 5}}},
        // Drawn from the end with the smaller x; rows truncate, so the last
        // two columns share row 0.
        {4, 0, 0, 3, {{0, 3}, {1, 2}, {2, 1}, {3, 0}, {4, 0}}},
        {5, 7, 5, 3, {{5, 3}, {5, 4}, {5, 5}, {5, 6}, {5, 7}}},
        {6, 2, 3, 2, {{3, 2}, {4, 2}, {5, 2}, {6, 2}}},
        {3, 3, 3, 3, {{3, 3}}},
    };
    for (const Case &c : cases) {
        kmr::MemorySurface s(16, 16, 0);
        RUBBERLINE line;
        line.surface = &s;
        line.SetLine(c.x1, c.y1, c.x2, c.y2, 7);
        Pixels got;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (s.Pixel(x, y)) {
                    EXPECT_EQ(s.Pixel(x, y), 7u);
                    got.insert({x, y});
                }
        EXPECT_EQ(got, c.expected) << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2;
        EXPECT_EQ(line.SavedCount(), c.expected.size());
    }
}

TEST(RubberLine, HideRestoresEveryPixelInEveryDirection) {
    const int cx = 32, cy = 24;
    // All eight octants, the axes and the diagonals, some running off the surface.
    const std::pair<int, int> ends[] = {{60, 30}, {60, 18}, {38, 46}, {26, 46}, {2, 30}, {2, 18}, {38, 1},
                                        {26, 1},  {60, 24}, {32, 47}, {0, 24},  {32, 0}, {50, 42}, {14, 6},
                                        {90, 70}, {-20, 5}, {32, -40}, {33, 200}};
    for (auto [x, y] : ends) {
        kmr::MemorySurface s = Busy();
        const kmr::MemorySurface before = s;
        RUBBERLINE line;
        line.surface = &s;
        line.SetLine(cx, cy, x, y, kmr::kWhite);
        EXPECT_FALSE(Painted(before, s).empty()) << x << "," << y;
        line.Hide();
        EXPECT_TRUE(Painted(before, s).empty()) << x << "," << y;
        EXPECT_FALSE(line.Shown());
    }
}

TEST(RubberLine, MoveSecondAndSetLineSequencesLeaveNothingBehind) {
    kmr::MemorySurface s = Busy();
    const kmr::MemorySurface before = s;
    RUBBERLINE line;
    line.surface = &s;
    line.SetLine(10, 10, 12, 40, kmr::kGreen);
    for (int i = 0; i < 40; ++i) line.MoveSecond((i * 37) % 70 - 3, (i * 23) % 52 - 2, kmr::kGreen);
    // The line shows only its current position.
    const Pixels now = Painted(before, s);
    kmr::MemorySurface fresh = before;
    RUBBERLINE single;
    single.surface = &fresh;
    single.SetLine(line.x1, line.y1, line.x2, line.y2, kmr::kGreen);
    EXPECT_EQ(now, Painted(before, fresh));

    line.SetLine(60, 2, 4, 44, kmr::kRed);
    line.SetLine(0, 0, 63, 47, kmr::kWhite);
    line.Show(kmr::kWhite); // shown twice in a row: still removable
    line.Hide();
    line.Hide(); // nothing left to hide
    EXPECT_TRUE(Painted(before, s).empty());
}

// Rubber lines sharing an end (a dragged junction) shown in order and hidden
// in reverse order restore the surface.
TEST(RubberLine, OverlappingLinesHiddenInReverseOrderRestore) {
    kmr::MemorySurface s = Busy();
    const kmr::MemorySurface before = s;
    RUBBERLINE lines[3];
    const int fixed[3][2] = {{0, 0}, {63, 10}, {20, 47}};
    for (int i = 0; i < 3; ++i) {
        lines[i].surface = &s;
        lines[i].SetLine(fixed[i][0], fixed[i][1], 30, 20, kmr::kWhite);
    }
    for (int step = 0; step < 5; ++step) {
        for (int i = 2; i >= 0; --i) lines[i].Hide();
        for (int i = 0; i < 3; ++i) lines[i].MoveSecond(30 + step * 3, 20 - step * 2, kmr::kWhite);
    }
    for (int i = 2; i >= 0; --i) lines[i].Hide();
    EXPECT_TRUE(Painted(before, s).empty());
}

TEST(RubberLine, WithoutSurfaceNothingIsShown) {
    RUBBERLINE line;
    line.SetLine(0, 0, 10, 10, kmr::kWhite);
    EXPECT_FALSE(line.Shown());
    EXPECT_EQ(line.SavedCount(), 0u);
    line.Hide();
}

// A line far larger than the surface only walks and saves what is visible.
TEST(RubberLine, HugeLineSavesOnlyVisiblePixels) {
    kmr::MemorySurface s = Busy();
    const kmr::MemorySurface before = s;
    RUBBERLINE line;
    line.surface = &s;
    line.SetLine(-2000000000, 10, 2000000000, 30, kmr::kRed);
    EXPECT_LE(line.SavedCount(), (size_t)(64 + 48));
    line.SetLine(5, -2000000000, 5, 2000000000, kmr::kRed);
    EXPECT_EQ(line.SavedCount(), 48u);
    line.Hide();
    EXPECT_TRUE(Painted(before, s).empty());
}

} // namespace
