// The transfer curve logic behind the setup dialog, without a window.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Resource.h"
#include "ShaperCurve.h"

namespace {

using Curve = std::vector<signed char>;

Curve Identity() {
    Curve c(shaper::kPoints);
    shaper::Identity(c.data());
    return c;
}

Curve Preset(int e) {
    Curve c(shaper::kPoints);
    shaper::ApplyPreset(e, c.data());
    return c;
}

TEST(ShaperPresets, LevelsAtChosenInputs) {
    // Level of preset e at the input level k (point k + 100).
    struct Case {
        int e, k, v;
    } cases[] = {
        {0, -100, -100}, {0, 99, 99},
        {1, -51, -100}, {1, -50, -100}, {1, 49, 98}, {1, 50, 99},
        {2, -100, -100}, {2, -51, -2}, {2, -50, 0}, {2, 49, 0}, {2, 50, 0}, {2, 99, 98},
        {3, -61, -100}, {3, -60, -100}, {3, -21, -3}, {3, -20, 0}, {3, 19, 0}, {3, 20, 0}, {3, 59, 97}, {3, 60, 99},
        {4, -21, -100}, {4, -20, 0}, {4, 19, 0}, {4, 20, 99},
        {5, -1, -100}, {5, 0, 99},
        {6, -1, 0}, {6, 0, 0}, {6, 99, 99},
        {7, -100, 100}, {7, -1, 1}, {7, 0, 0},
        {8, -1, 0}, {8, 0, 0}, {8, 99, -99},
        {9, -100, -100}, {9, 0, 0},
        {10, -100, 100}, {10, 99, 99},
        {11, -100, -100}, {11, 99, -99},
        {12, -100, 0}, {12, -1, -99}, {12, 0, 100},
        {13, -100, 0}, {13, -51, -98}, {13, -50, -100}, {13, 49, 98}, {13, 50, 100}, {13, 99, 2},
        {14, -51, 98}, {14, -50, 100}, {14, 50, -100},
        {15, -1, 99}, {15, 0, 100},
        {16, -1, -99}, {16, 0, -100},
        {17, -1, 98}, {17, 0, 100}, {17, 99, -98},
        {18, -100, -99}, {18, -1, -9}, {18, 0, 0}, {18, 1, 9}, {18, 4, 19}, {18, 25, 49}, {18, 81, 89},
        {19, -100, -99}, {19, -50, -12}, {19, 50, 12}, {19, 99, 96},
        {20, -100, 99}, {20, -50, 24}, {20, 10, 0}, {20, 99, 97},
        {21, -100, 0}, {21, -1, -99}, {21, 0, 96}, {21, 99, 0},
        {22, -100, 0}, {22, -50, -99}, {22, 50, 99}, {22, 25, 70},
        {23, -50, 99}, {23, 50, -99},
        {24, -100, -99}, {24, -50, -49}, {24, 50, 49}, {24, 0, 0},
        {25, -100, -99}, {25, 50, 70}, {25, 99, 99},
        // Preset 26: 50 sgn(k) sqrt(|k| / 100), exact at the perfect squares,
        // with its two hand-set levels.
        {26, -9, -14}, {26, 16, 19}, {26, 9, 15}, {26, -16, -20}, {26, -4, -10}, {26, 4, 10},
        {26, 1, 5}, {26, 25, 25}, {26, -36, -30}, {26, 81, 45}, {26, -100, -50}, {26, 99, 49},
    };
    for (const Case &c : cases) EXPECT_EQ(Preset(c.e)[c.k + 100], c.v) << "preset " << c.e << " at k = " << c.k;

    for (int e = 0; e < shaper::kPresetCount; ++e)
        for (int i = 0; i < shaper::kPoints; ++i) {
            const int v = shaper::PresetPoint(e, i);
            EXPECT_TRUE(v >= -100 && v <= 100) << "preset " << e << " point " << i << ": " << v;
        }
}

TEST(ShaperPresets, NothingBeyondTheTable) {
    Curve c = Identity();
    for (int e : {-1, 27, 42}) {
        EXPECT_FALSE(shaper::ApplyPreset(e, c.data())) << e;
        EXPECT_EQ(c, Identity());
    }
}

TEST(ShaperCurve, MirrorAndClipboard) {
    Curve c = Identity();
    shaper::Mirror(c.data());
    for (int j = 0; j < 100; ++j) {
        EXPECT_EQ(c[99 - j], -j);
        EXPECT_EQ(c[100 + j], j) << "the positive half stays";
    }
    EXPECT_EQ(c[99], 0);
    EXPECT_EQ(c[0], -99);

    // A stored -128 has no opposite in a byte: it mirrors to the top.
    c[150] = -128;
    shaper::Mirror(c.data());
    EXPECT_EQ(c[49], 127);

    shaper::Clipboard clip;
    clip.Insert(c.data());
    EXPECT_EQ(c, Curve(shaper::kPoints, 0)) << "an insert before any copy flattens the curve";
    Curve a = Preset(19);
    clip.Copy(a.data());
    a[0] = 5;
    clip.Insert(c.data());
    EXPECT_EQ(c, Preset(19));
    clip.Copy(Identity().data());
    clip.Insert(c.data());
    EXPECT_EQ(c, Identity()) << "a second copy replaces the first";
}

// A curve with guard bytes on both sides, to catch writes past it.
struct Guarded {
    signed char before[16];
    signed char curve[shaper::kPoints];
    signed char after[16];

    Guarded() {
        std::fill(std::begin(before), std::end(before), 77);
        std::fill(std::begin(after), std::end(after), 77);
        shaper::Identity(curve);
    }
    bool Intact() const {
        for (signed char b : before)
            if (b != 77) return false;
        for (signed char b : after)
            if (b != 77) return false;
        return true;
    }
    int Changed() const {
        int n = 0;
        for (int i = 0; i < shaper::kPoints; ++i) n += curve[i] != i - 100;
        return n;
    }
};

TEST(ShaperSegments, AppliedColumnByColumn) {
    using P = shaper::Point;
    struct Case {
        P a, b;
        int first, last; // columns written
        int vFirst, vLast;
    } cases[] = {
        {{10, 100}, {20, 50}, 10, 20, 0, 50},
        {{20, 50}, {10, 100}, 10, 20, 0, 50},     // either end first
        {{0, 0}, {199, 200}, 0, 199, 100, -100},
        {{50, 20}, {50, 180}, 50, 50, -80, -80},   // one column: the level of the second end
        {{50, 180}, {50, 20}, 50, 50, 80, 80},
        {{50, 100}, {50, -40}, 50, 50, 100, 100},  // left through the top: the top
        {{190, 0}, {200, 0}, 190, 199, 100, 100},  // the right edge never writes
        {{150, 100}, {100000, 100}, 150, 199, 0, 0},
        {{-50, 0}, {10, 120}, 0, 10, 0, -20},      // left of the grid: only the inside part
        {{0, -1000000000}, {10, 1000000000}, 0, 10, 100, -100},
    };
    for (const Case &c : cases) {
        Guarded g;
        shaper::ApplySegment(g.curve, c.a, c.b);
        SCOPED_TRACE(testing::Message() << c.a.x << "," << c.a.y << " - " << c.b.x << "," << c.b.y);
        EXPECT_TRUE(g.Intact());
        EXPECT_EQ(g.curve[c.first], c.vFirst);
        EXPECT_EQ(g.curve[c.last], c.vLast);
        for (int i = 0; i < shaper::kPoints; ++i) {
            if (i < c.first || i > c.last) {
                EXPECT_EQ(g.curve[i], i - 100) << i;
            }
        }
    }
}

TEST(ShaperSegments, NothingOutsideTheCurve) {
    using P = shaper::Point;
    const P ends[][2] = {{{-300, 50}, {-1, 60}}, {{-5, 10}, {-5, 190}}, {{200, 0}, {200, 200}},
                         {{201, 0}, {5000, 0}},  {{INT32_MIN, 0}, {-1, 0}}, {{INT32_MAX, 0}, {200, 0}}};
    for (const auto &e : ends) {
        Guarded g;
        shaper::ApplySegment(g.curve, e[0], e[1]);
        EXPECT_TRUE(g.Intact());
        EXPECT_EQ(g.Changed(), 0) << e[0].x << " .. " << e[1].x;
    }
    Guarded g;
    shaper::ApplySegment(g.curve, {INT32_MIN, 0}, {INT32_MAX, 0});
    EXPECT_TRUE(g.Intact());
    EXPECT_EQ(g.curve[0], 100);
    EXPECT_EQ(g.curve[199], 100);
}

TEST(ShaperGrid, PixelsAndSquare) {
    EXPECT_EQ(shaper::CurvePixel(0, -100), (shaper::Point{30, 230}));
    EXPECT_EQ(shaper::CurvePixel(100, 0), (shaper::Point{130, 130}));
    EXPECT_EQ(shaper::CurvePixel(199, 100), (shaper::Point{229, 30}));
    EXPECT_EQ(shaper::Relative(130, 130), (shaper::Point{100, 100}));
    struct Case {
        int x, y;
        bool in;
    } cases[] = {{30, 30, true},   {230, 230, true}, {29, 100, false},
                 {231, 100, false}, {100, 29, false}, {100, 231, false}};
    for (const Case &c : cases) EXPECT_EQ(shaper::InSquare(c.x, c.y), c.in) << c.x << "," << c.y;
}

TEST(ShaperGrid, PenDrawsPolylines) {
    using Step = shaper::Pen::Step;
    Guarded g;
    shaper::Pen pen;
    pen.Open();
    EXPECT_EQ(pen.Press(g.curve, 40, 80, false, false).kind, Step::None);
    EXPECT_FALSE(pen.InProgress()) << "presses wait for a mouse-up after opening";
    pen.Release();

    // Click, click: a segment from the first to the second point.
    EXPECT_EQ(pen.Press(g.curve, 40, 80, false, false).kind, Step::None);
    EXPECT_EQ(g.Changed(), 0);
    EXPECT_EQ(pen.Press(g.curve, 50, 80, false, false).kind, Step::Redraw);
    for (int i = 10; i <= 20; ++i) EXPECT_EQ(g.curve[i], 50) << i;
    EXPECT_EQ(pen.Anchor(), (shaper::Point{50, 80}));

    // Moving inside shows a rubber line from the anchor.
    Step s = pen.Move(g.curve, 60, 90);
    EXPECT_EQ(s.kind, Step::Rubber);
    EXPECT_EQ(s.anchor, (shaper::Point{50, 80}));
    EXPECT_EQ(s.erase, (shaper::Point{50, 80}));
    EXPECT_EQ(s.draw, (shaper::Point{60, 90}));
    s = pen.Move(g.curve, 70, 95);
    EXPECT_EQ(s.erase, (shaper::Point{60, 90}));

    // Leaving the square to the left draws up to the edge and ends the segment.
    s = pen.Move(g.curve, 0, 80);
    EXPECT_EQ(s.kind, Step::Redraw);
    EXPECT_FALSE(pen.InProgress());
    EXPECT_TRUE(g.Intact());
    EXPECT_EQ(g.curve[0], 50);
    EXPECT_EQ(pen.Move(g.curve, 100, 100).kind, Step::None);

    // Shift starts the first segment at the centre.
    Guarded h;
    EXPECT_EQ(pen.Press(h.curve, 230, 30, false, true).kind, Step::Redraw);
    EXPECT_EQ(h.curve[100], 0);
    EXPECT_EQ(h.curve[199], 99);
    EXPECT_EQ(h.curve[99], -1) << "left of the centre stays";

    // The right button, or a press outside, ends the segment.
    EXPECT_EQ(pen.Press(h.curve, 100, 100, true, false).kind, Step::Redraw);
    EXPECT_FALSE(pen.InProgress());
    pen.Press(h.curve, 100, 100, false, false);
    EXPECT_EQ(pen.Press(h.curve, 300, 100, false, false).kind, Step::Redraw);
    EXPECT_FALSE(pen.InProgress());
    EXPECT_EQ(pen.Press(h.curve, 300, 100, false, false).kind, Step::None);
}

TEST(ShaperPresetPicture, CellsAndAnimationCorners) {
    struct Case {
        int x, y, e;
        shaper::Point corner;
    } cases[] = {
        {0, 0, 0, {4, 4}},       {31, 31, 0, {4, 4}},      {32, 32, 7, {36, 36}},
        {195, 5, 6, {4, 36}},    // the strip right of the sixth column
        {100, 130, 27, {100, 132}}, // past the last preset
        {199, 199, 42, {4, 228}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(shaper::PresetAt(c.x, c.y), c.e) << c.x << "," << c.y;
        EXPECT_EQ(shaper::AnimationCorner(c.e), c.corner) << c.e;
    }
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {200, 0}, {0, 200}}) EXPECT_EQ(shaper::PresetAt(x, y), -1);

    const kmr::Picture p = shaper::PresetPicture();
    ASSERT_EQ(p.width, 200);
    ASSERT_EQ(p.height, 200);
    const uint32_t face = p.At(0, 0);
    for (int e = 0; e < 30; ++e) {
        const shaper::Point c = shaper::AnimationCorner(e);
        EXPECT_EQ(p.At(c.x + 24, c.y) != face, e < shaper::kPresetCount) << "cell " << e;
    }
}

TEST(ShaperPresetPicture, AnimationSkipsMissingFrames) {
    kmr::Picture frame{31, 31, std::vector<uint32_t>(31 * 31, 0xFFFFFF00)};
    kmr::ResourceWriter w;
    ASSERT_TRUE(w.AddPicture("SLIDE0", frame));
    ASSERT_TRUE(w.AddPicture("SLIDE2", frame));
    const std::vector<uint8_t> image = w.Image();
    EXPECT_EQ(shaper::LoadFrames(image.data(), image.size()), 2);
    EXPECT_TRUE(shaper::Frame(1).Empty());
    EXPECT_TRUE(shaper::Frame(4).Empty());

    using Step = shaper::Animation::Step;
    shaper::Animation a;
    EXPECT_EQ(a.Tick().kind, Step::None);
    a.Start(6);
    const Step::Kind kinds[] = {Step::Frame, Step::None, Step::Frame, Step::None, Step::Restore, Step::None};
    for (int t = 0; t < 6; ++t) {
        const Step s = a.Tick();
        EXPECT_EQ(s.kind, kinds[t]) << "tick " << t + 1;
        if (s.kind == Step::Frame) {
            EXPECT_EQ(s.frame, t);
            EXPECT_EQ(s.corner, (shaper::Point{4, 36}));
        }
    }

    const uint8_t garbage[] = {1, 2, 3};
    EXPECT_EQ(shaper::LoadFrames(garbage, sizeof garbage), 0);
    EXPECT_EQ(shaper::LoadFrames(nullptr, 0), 0);
    shaper::ReleaseFrames();
    shaper::ReleaseFrames();
    EXPECT_TRUE(shaper::Frame(0).Empty());
}

TEST(ShaperTransfer, IndicesNeverLeaveTheCurve) {
    // A curve whose ends differ from their neighbours shows which point answered.
    Curve c = Identity();
    c[0] = -128;
    c[199] = 127;
    const double inf = INFINITY;
    struct Case {
        double u, expected;
    } cases[] = {
        {1e300, 127},  {inf, 127},  {2147483648.0, 127}, {99.0, 127}, {99.5, 127},
        {-1e300, -128}, {-inf, -128}, {-2147483649.0, -128}, {-101.0, -128}, {-101.5, -128},
        {NAN, -128},
        {-100.5, -128 + (-99 + 128) * -0.5}, // the bottom segment extended below -100
        {0.25, 0.25},   {-0.25, -0.25},
    };
    for (const Case &k : cases) EXPECT_DOUBLE_EQ(shaper::Transfer(c.data(), k.u), k.expected) << k.u;
}

} // namespace
