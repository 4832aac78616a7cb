// Points, rectangles and the geometry of one segment.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "Cpoint.h"
#include "Crect.h"
#include "MemorySurface.h"
#include "Rubline.h"
#include "Wire.h"

namespace {

CPOINT P(int x, int y) { return CPOINT{x, y}; }
SEGMENT S(int ax, int ay, int bx, int by, int net = 1) { return SEGMENT{{ax, ay}, {bx, by}, net}; }

TEST(Cpoint, SnapsEachCoordinateToTheNearestGridLineNegativesTowardZero) {
    struct Case {
        CPOINT in;
        int step;
        CPOINT out;
    } cases[] = {
        {{3, 4}, 8, {0, 8}},     {{7, 8}, 16, {0, 16}},    {{4, 11}, 8, {8, 8}},
        {{12, 13}, 8, {16, 16}}, {{-3, -4}, 8, {0, 0}},    {{-12, -7}, 8, {-8, 0}},
        {{-15, 23}, 16, {0, 16}}, {{24, -24}, 16, {32, -16}}, {{0, 0}, 8, {0, 0}},
        // Rounding up past the int32 range rounds down instead of overflowing.
        {{INT_MAX, INT_MIN}, 8, {INT_MAX - 7, INT_MIN}},
    };
    for (const Case &c : cases) {
        const CPOINT got = SnapTo(c.in, c.step);
        EXPECT_EQ(got, c.out) << c.in.x << "," << c.in.y << " step " << c.step << " gave " << got.x << ","
                              << got.y;
    }
    EXPECT_EQ(Snap8(P(3, 4)), P(0, 8));
    EXPECT_EQ(Snap16(P(7, 8)), P(0, 16));
}

TEST(Cpoint, ArithmeticPresenceAndSquaredDistance) {
    EXPECT_EQ(P(3, 4) + P(10, -20), P(13, -16));
    EXPECT_EQ(P(3, 4) - P(10, -20), P(-7, 24));
    EXPECT_NE(P(3, 4), P(4, 3));
    EXPECT_TRUE(Present(P(0, 0)));
    EXPECT_FALSE(Present(P(0, -1)));
    EXPECT_FALSE(Present(kNoPoint));

    EXPECT_EQ(SquaredDistance(P(0, 0), P(3, 4)), 25);
    EXPECT_EQ(SquaredDistance(P(-3, -4), P(0, 0)), 25); // only the second point must be present
    EXPECT_EQ(SquaredDistance(P(0, 0), kNoPoint), -1);
    EXPECT_EQ(SquaredDistance(P(INT_MIN, 0), P(0, 0)), int64_t{1} << 62);
    EXPECT_EQ(SquaredDistance(P(INT_MIN, INT_MIN), P(INT_MAX, INT_MAX)), INT64_MAX);
}

TEST(Crect, ContainsItsEdgesAndExistsOnlyWithPresentPoints) {
    const CRECT r(P(10, 20), P(5, 3)); // x 10..15, y 20..23
    for (CPOINT in : {P(10, 20), P(15, 23), P(12, 21)}) EXPECT_TRUE(r.Contains(in)) << in.x << "," << in.y;
    for (CPOINT out : {P(9, 20), P(16, 21), P(12, 19), P(12, 24)}) EXPECT_FALSE(r.Contains(out)) << out.x << "," << out.y;

    const RECTEDGES e = r.Edges();
    EXPECT_EQ(e.left, 10);
    EXPECT_EQ(e.top, 20);
    EXPECT_EQ(e.right, 15);
    EXPECT_EQ(e.bottom, 23);

    EXPECT_FALSE(CRECT(P(-1, 0), P(5, 5)).Contains(P(0, 0)));
    EXPECT_FALSE(CRECT(P(0, 0), P(5, -1)).Contains(P(0, 0)));
}

TEST(Segment, IsTwentyPackedBytes) {
    const SEGMENT s = S(1, 2, 3, 4, 5);
    int32_t raw[5];
    static_assert(sizeof raw == sizeof s);
    std::memcpy(raw, &s, sizeof s);
    EXPECT_EQ(std::vector<int32_t>(raw, raw + 5), (std::vector<int32_t>{1, 2, 3, 4, 5}));
}

TEST(Segment, Contains) {
    struct Case {
        SEGMENT s;
        CPOINT p;
        bool in;
    } cases[] = {
        // Horizontal and vertical: everything between the ends, either order.
        {S(8, 16, 40, 16), {24, 16}, true},
        {S(40, 16, 8, 16), {8, 16}, true},
        {S(8, 16, 40, 16), {24, 17}, false},
        {S(8, 16, 40, 16), {41, 16}, false},
        {S(8, 40, 8, 16), {8, 17}, true},
        {S(8, 40, 8, 16), {9, 17}, false},
        {S(5, 5, 5, 5), {5, 5}, true}, // length 0 counts as horizontal
        // 45 degrees: the diagonal pixels only, in every direction.
        {S(0, 0, 24, 24), {8, 8}, true},
        {S(0, 0, 24, 24), {16, 16}, true},
        {S(0, 0, 24, 24), {8, 9}, false},
        {S(0, 0, 24, 24), {32, 32}, false},
        {S(24, 0, 0, 24), {16, 8}, true},
        {S(24, 0, 0, 24), {8, 8}, false},
        {S(0, 24, 24, 0), {-8, 32}, false},
        // Other slants: the two ends only.
        {S(0, 0, 24, 16), {0, 0}, true},
        {S(0, 0, 24, 16), {24, 16}, true},
        {S(0, 0, 24, 16), {12, 8}, false},
        {S(0, 0, 24, 16), {3, 2}, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.s.Contains(c.p), c.in) << c.s.a.x << "," << c.s.a.y << "-" << c.s.b.x << "," << c.s.b.y
                                           << " at " << c.p.x << "," << c.p.y;
}

TEST(Segment, BoundsAndNear) {
    const CRECT b = S(40, 30, 8, 16).Bounds();
    EXPECT_EQ(b.origin, P(7, 15));
    EXPECT_EQ(b.size, P(34, 16)); // (41, 31) - (7, 15)
    EXPECT_TRUE(S(8, 16, 40, 16).Near(P(24, 17)));
    EXPECT_TRUE(S(8, 16, 40, 16).Near(P(7, 15)));
    EXPECT_FALSE(S(8, 16, 40, 16).Near(P(24, 18)));

    const CRECT dot = S(9, 9, 9, 9).Bounds();
    EXPECT_EQ(dot.origin, P(0, 0));
    EXPECT_EQ(dot.size, P(0, 0));
}

TEST(Segment, Distance) {
    struct Case {
        SEGMENT s;
        CPOINT p;
        int distance;
    } cases[] = {
        {S(8, 16, 40, 16), {24, 17}, 1},
        {S(8, 16, 40, 16), {24, 16}, 0},
        {S(8, 16, 40, 16), {44, 19}, 25},
        // Vertical: exact, also beyond the ends and far away.
        {S(8, 16, 8, 40), {11, 30}, 9},
        {S(8, 40, 8, 16), {11, 44}, 25},
        {S(8, 16, 8, 40), {3008, 30}, 9000000},
        // Slanted: to the raster pixels. (0,0)-(4,2) covers (1,0), (2,1), (3,1).
        {S(0, 0, 4, 2), {1, 1}, 1},
        {S(4, 2, 0, 0), {3, 1}, 0},
        // Rows truncate toward zero: (0,0)-(4,-3) reaches row -0.75 -> 0 in column 1.
        {S(0, 0, 4, -3), {1, -1}, 1},
        {S(0, 0, 4, -3), {1, 0}, 0},
        // Beyond the end columns nothing is nearer than the start value.
        {S(0, 0, 4, 2), {2000, 1}, kFarDistance},
        {S(0, 0, 40000, 20000), {20000, 10000}, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.s.Distance(c.p), c.distance) << c.s.a.x << "," << c.s.a.y << "-" << c.s.b.x << "," << c.s.b.y
                                                 << " at " << c.p.x << "," << c.p.y;
}

// Distance measures the pixels the rubber line paints: for any point, the
// nearest painted pixel is as far as Distance says.
TEST(Segment, DistanceMeasuresTheRubberLineRaster) {
    const SEGMENT lines[] = {S(3, 5, 41, 22), S(41, 22, 3, 5), S(2, 40, 30, 1), S(10, 3, 17, 44),
                             S(17, 44, 10, 3), S(0, 20, 45, 20), S(5, 5, 38, 38), S(40, 2, 1, 13)};
    for (const SEGMENT &s : lines) {
        kmr::MemorySurface surface(48, 48, 0);
        RUBBERLINE line;
        line.surface = &surface;
        line.SetLine(s.a.x, s.a.y, s.b.x, s.b.y, 1);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) {
                int64_t best = kFarDistance;
                for (int py = 0; py < 48; ++py)
                    for (int px = 0; px < 48; ++px)
                        if (surface.Pixel(px, py) == 1)
                            best = std::min<int64_t>(best, (int64_t)(px - x) * (px - x) + (py - y) * (py - y));
                ASSERT_EQ(s.Distance(P(x, y)), best) << s.a.x << "," << s.a.y << "-" << s.b.x << "," << s.b.y
                                                     << " at " << x << "," << y;
            }
    }
}

TEST(Segment, DrawAndEraseOnTheSurface) {
    kmr::MemorySurface surface(20, 20, 0x808080);
    const SEGMENT s = S(2, 3, 12, 3);
    s.DrawSegment(&surface, kmr::kRed);
    for (int x = 2; x <= 12; ++x) EXPECT_EQ(surface.Pixel(x, 3), kmr::kRed) << x;
    EXPECT_EQ(surface.Pixel(13, 3), 0x808080u);
    s.EraseSegment(&surface);
    for (uint32_t px : surface.Pixels()) ASSERT_EQ(px, 0x808080u);
    s.DrawSegment(nullptr, kmr::kRed); // no surface: nothing
}

} // namespace
