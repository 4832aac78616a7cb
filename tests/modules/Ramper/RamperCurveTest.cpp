// The envelope curve logic behind the setup dialog, without a window.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <vector>

#include "RamperCurve.h"

namespace {

using Curve = std::vector<unsigned char>;

Curve Ramp() {
    Curve c(ramper::kPoints);
    ramper::DefaultRamp(c.data());
    return c;
}

TEST(RamperPresets, PointsAsDrawn) {
    struct Case {
        int e, i, v;
    } cases[] = {
        {0, 0, 0},   {0, 6, 190},  {0, 24, 47},  {0, 39, 0},   {1, 7, 198},   {1, 38, 25},
        {2, 10, 182}, {2, 37, 59}, {3, 15, 199}, {3, 35, 132}, {4, 19, 95},   {4, 20, 119},
        {5, 21, 199}, {5, 38, 4},  {6, 0, 195},  {6, 1, 190},  {6, 38, 5},    {6, 39, 0},
        {7, 9, 180},  {7, 10, 174}, {8, 6, 197}, {8, 9, 11},   {8, 31, 6},    {8, 39, 0},
    };
    for (const Case &c : cases) EXPECT_EQ(ramper::PresetPoint(c.e, c.i), c.v) << c.e << " " << c.i;

    for (int e = 0; e < ramper::kPresetCount; ++e) {
        Curve env(ramper::kPoints, 255);
        ASSERT_TRUE(ramper::ApplyPreset(e, env.data()));
        for (int i = 0; i < ramper::kPoints; ++i) {
            EXPECT_EQ(env[i], ramper::PresetPoint(e, i));
            EXPECT_LT(env[i], 200) << "preset " << e << " point " << i;
        }
    }
}

TEST(RamperPresets, NothingBeyondTheNine) {
    Curve env = Ramp();
    for (int e : {-1, 9, 100}) {
        EXPECT_FALSE(ramper::ApplyPreset(e, env.data())) << e;
        EXPECT_EQ(env, Ramp());
        EXPECT_EQ(ramper::PresetPoint(e, 0), 0);
    }
}

TEST(RamperCurve, MirrorAndClipboard) {
    Curve env = Ramp();
    ramper::Mirror(env.data());
    for (int i = 0; i < ramper::kPoints; ++i) EXPECT_EQ(env[i], 156 - 4 * i);
    ramper::Mirror(env.data());
    EXPECT_EQ(env, Ramp());

    ramper::Clipboard clip;
    clip.Insert(env.data());
    EXPECT_EQ(env, Curve(ramper::kPoints, 0)) << "an insert before any copy clears the curve";

    Curve a = Ramp(), b(ramper::kPoints, 0);
    clip.Copy(a.data());
    a[5] = 1; // the clipboard keeps what was copied
    clip.Insert(b.data());
    EXPECT_EQ(b, Ramp());
    ramper::ApplyPreset(8, a.data());
    clip.Copy(a.data());
    clip.Insert(b.data());
    EXPECT_EQ(b, a) << "a second copy replaces the first";
}

TEST(RamperArea, MovesNameAPointAndALevel) {
    struct Case {
        int x, y;
        bool draws;
        int index, level;
    } cases[] = {
        {21, 116, true, 0, 100},  // 5 pixels past point 0 still draws point 0
        {22, 116, true, 1, 100},  // 6 pixels past it draws point 1
        {16, 216, true, 0, 0},    // bottom row: level 0
        {16, 17, true, 0, 199},
        {406, 17, true, 39, 199}, // right edge: point 39
        {405, 100, true, 39, 116},
        {16, 16, false, 0, 0},    // top row would be level 200
        {15, 100, false, 0, 0},
        {407, 100, false, 0, 0},
        {100, 217, false, 0, 0},
        {-5000, -5000, false, 0, 0},
    };
    for (const Case &c : cases) {
        int index = -7, level = -7;
        EXPECT_EQ(ramper::PointAt(c.x, c.y, index, level), c.draws) << c.x << "," << c.y;
        if (c.draws) {
            EXPECT_EQ(index, c.index) << c.x << "," << c.y;
            EXPECT_EQ(level, c.level) << c.x << "," << c.y;
            const ramper::Pixel p = ramper::PointPixel(index, level);
            EXPECT_EQ(p.y, c.y);
            EXPECT_LE(std::abs(p.x - c.x), 5);
        }
    }
}

TEST(RamperArea, PenDrawsOnlyAfterAMouseUp) {
    Curve env = Ramp();
    ramper::Pen pen;
    pen.Open();
    EXPECT_EQ(pen.Move(env.data(), 21, 116, true), -1) << "the press that opened the dialog";
    EXPECT_EQ(env, Ramp());
    pen.Release();
    EXPECT_EQ(pen.Move(env.data(), 21, 116, false), -1) << "no button held";
    EXPECT_EQ(pen.Move(env.data(), 21, 116, true), 0);
    EXPECT_EQ(env[0], 100);
    EXPECT_EQ(pen.Move(env.data(), 20, 116, true), -1) << "same level: nothing to redraw";
    EXPECT_EQ(pen.Move(env.data(), 406, 216, true), 39);
    EXPECT_EQ(env[39], 0);
    pen.Open();
    EXPECT_EQ(pen.Move(env.data(), 206, 16 + 50, true), -1);
}

TEST(RamperArea, RedrawStripStaysOnTheArea) {
    struct Case {
        int index, x, first, last;
    } cases[] = {{0, 16, 0, 2}, {1, 16, 0, 2}, {20, 206, 19, 21}, {38, 386, 37, 39}, {39, 386, 37, 39}};
    for (const Case &c : cases) {
        const ramper::Strip s = ramper::RedrawStrip(c.index);
        EXPECT_EQ(s.rect.x, c.x) << c.index;
        EXPECT_EQ(s.first, c.first) << c.index;
        EXPECT_EQ(s.last, c.last) << c.index;
        EXPECT_GE(s.rect.x, ramper::kArea.x);
        EXPECT_LE(s.rect.x + s.rect.width, ramper::kArea.x + ramper::kArea.width);
        EXPECT_EQ(s.rect.y, 16);
        EXPECT_EQ(s.rect.height, 201);
    }
}

TEST(RamperArea, TimeAxis) {
    EXPECT_EQ(ramper::MinorTick(1), 40);
    EXPECT_EQ(ramper::MinorTick(5), 203);
    EXPECT_EQ(ramper::MinorTick(9), 365);
    EXPECT_STREQ(ramper::StartLabel(true), "0.0 сек");
    EXPECT_STREQ(ramper::StartLabel(false), "0.0 sec");
    // Two decimals and a decimal point, also where the locale writes a comma.
    const bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    EXPECT_EQ(ramper::SecondsLabel(5.0), "5.00");
    EXPECT_EQ(ramper::SecondsLabel(2.5), "2.50");
    EXPECT_EQ(ramper::SecondsLabel(0.125), "0.12");
    EXPECT_EQ(ramper::SecondsLabel(3600.0), "3600.00");
    if (comma) std::setlocale(LC_ALL, "C");
}

TEST(RamperPresetPicture, PressesNameOnlyTheNinePresets) {
    struct Case {
        int x, y, e;
    } cases[] = {
        {0, 0, 0},   {39, 29, 0},   {40, 0, 1},   {119, 0, 2},  {0, 30, 3},   {45, 35, 4},
        {119, 89, 8}, {120, 0, -1}, {120, 45, -1}, {0, 90, -1}, {120, 90, -1}, {-1, 0, -1},
        {0, -1, -1}, {500, 500, -1},
    };
    for (const Case &c : cases) EXPECT_EQ(ramper::PresetAt(c.x, c.y), c.e) << c.x << "," << c.y;

    const ramper::Rect cell = ramper::PresetCell(5);
    EXPECT_EQ(cell.x, 80);
    EXPECT_EQ(cell.y, 30);
    EXPECT_EQ(cell.width, 40);
    EXPECT_EQ(cell.height, 30);
}

TEST(RamperPresetPicture, FlashesTheCellThenRestores) {
    ramper::Flash flash;
    EXPECT_EQ(flash.Tick().kind, ramper::Flash::Step::None);
    flash.Start(9);
    EXPECT_FALSE(flash.Running()) << "no cell beyond the presets";
    flash.Start(4);
    const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
    for (uint32_t colour : colours) {
        const auto s = flash.Tick();
        EXPECT_EQ(s.kind, ramper::Flash::Step::Fill);
        EXPECT_EQ(s.colour, colour);
        EXPECT_EQ(s.cell.x, 40);
        EXPECT_EQ(s.cell.y, 30);
    }
    EXPECT_EQ(flash.Tick().kind, ramper::Flash::Step::Restore);
    EXPECT_FALSE(flash.Running());
    EXPECT_EQ(flash.Tick().kind, ramper::Flash::Step::None);
}

TEST(RamperPresetPicture, EachCurveStaysInItsCell) {
    const kmr::Picture p = ramper::PresetPicture();
    ASSERT_EQ(p.width, 121);
    ASSERT_EQ(p.height, 91);
    // The closing lines and the cell borders carry the grid colour only, and
    // every cell shows a curve: a colour other than the grid's and the ground's.
    const uint32_t grid = p.At(120, 0), ground = p.At(20, 1);
    for (int y = 0; y < 91; ++y) EXPECT_EQ(p.At(120, y), grid) << y;
    for (int x = 0; x < 121; ++x) EXPECT_EQ(p.At(x, 90), grid) << x;
    for (int e = 0; e < ramper::kPresetCount; ++e) {
        const ramper::Rect c = ramper::PresetCell(e);
        int curve = 0;
        for (int y = c.y + 1; y < c.y + c.height; ++y)
            for (int x = c.x + 1; x < c.x + c.width; ++x) curve += p.At(x, y) != grid && p.At(x, y) != ground;
        EXPECT_GE(curve, 39) << "preset " << e;
    }
}

TEST(RamperLevel, JoinsThePointsAndHoldsTheEnds) {
    Curve env = Ramp();
    const double T = 39 * 1000.0;
    EXPECT_NEAR(ramper::Level(env.data(), T, 500), 2 * 163.83, 1e-6);
    EXPECT_NEAR(ramper::Level(env.data(), T, 38500), 154 * 163.83, 1e-6);
    EXPECT_NEAR(ramper::Level(env.data(), T, 39000), 156 * 163.83, 1e-6);
    EXPECT_DOUBLE_EQ(ramper::Level(env.data(), 0.0, 100), 0.0);
    EXPECT_DOUBLE_EQ(ramper::Level(env.data(), -5.0, 100), 0.0);
    EXPECT_DOUBLE_EQ(ramper::Level(env.data(), NAN, 100), 0.0);
}

} // namespace
