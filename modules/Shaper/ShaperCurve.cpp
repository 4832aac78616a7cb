#include "ShaperCurve.h"

#include <algorithm>
#include <cstdlib>
#include <numbers>
#include <string>

#include "Resource.h"

namespace shaper {

namespace {

// Floor of the square root of n >= 0, exact.
int ISqrt(int n) {
    int r = (int)std::sqrt((double)n);
    while (r > 0 && r * r > n) --r;
    while ((r + 1) * (r + 1) <= n) ++r;
    return r;
}

int Trunc(double v) { return (int)std::trunc(v); }

kmr::Picture *Frames() {
    static kmr::Picture frames[kFrames];
    return frames;
}

constexpr uint32_t kFace = 0xFFD4D0C8; // the dialog's face colour
constexpr uint32_t kBlack = 0xFF000000, kRed = 0xFFFF0000, kWhite = 0xFFFFFFFF;

} // namespace

void Identity(signed char *curve) {
    for (int i = 0; i < kPoints; ++i) curve[i] = (signed char)(i - 100);
}

// The formulas of the presets. The root and power laws (18 to 21, 26) are
// evaluated exactly in integers, so no level lands one below its true value
// through rounding; preset 26 keeps its two hand-set levels at k = -9 and 16.
int PresetPoint(int e, int i) {
    if (i < 0 || i >= kPoints) return 0;
    const int k = i - 100;
    const int sgn = (k > 0) - (k < 0);
    const int a = std::abs(k);
    constexpr double pi = std::numbers::pi;
    switch (e) {
    case 0: return i - 100;
    case 1: return i < 50 ? -100 : i < 150 ? 2 * i - 200 : 99;
    case 2: return i < 50 ? 2 * i - 100 : i < 150 ? 0 : 2 * i - 300;
    case 3:
        return i < 40    ? -100
               : i < 80  ? (5 * i - 200) / 2 - 100
               : i < 120 ? 0
               : i < 160 ? (5 * i - 600) / 2
                         : 99;
    case 4: return i < 80 ? -100 : i < 120 ? 0 : 99;
    case 5: return i < 100 ? -100 : 99;
    case 6: return i < 100 ? 0 : i - 100;
    case 7: return i < 100 ? 100 - i : 0;
    case 8: return i < 100 ? 0 : 100 - i;
    case 9: return i < 100 ? i - 100 : 0;
    case 10: return i < 100 ? 100 - i : i - 100;
    case 11: return i < 100 ? i - 100 : 100 - i;
    case 12: return i < 100 ? -i : 200 - i;
    case 13: return i < 50 ? -2 * i : i < 150 ? 2 * i - 200 : 400 - 2 * i;
    case 14: return i < 50 ? 2 * i : i < 150 ? 200 - 2 * i : 2 * i - 400;
    case 15: return i < 100 ? i : 200 - i;
    case 16: return i < 100 ? -i : i - 200;
    case 17: return i < 100 ? 2 * i - 100 : 300 - 2 * i;
    case 18: return sgn * (ISqrt(9801 * a) / 10);    // 99 sgn(k) sqrt(|k| / 100)
    case 19: return 99 * k * k * k / 1000000;         // 99 (k / 100)^3
    case 20: return 99 * k * k / 10000;               // 99 (k / 100)^2
    case 21:
        return i < 100 ? -(99 * (i + 1) * (i + 1) * (i + 1) / 1000000)
                       : 99 * (199 - i) * (199 - i) * (199 - i) / 1000000;
    case 22: return Trunc(99.9 * std::sin(pi * k / 100));
    case 23: return -Trunc(99.9 * std::sin(pi * k / 100));
    case 24: {
        const double s = std::sin(pi * a / 200);
        return Trunc(99.9 * sgn * s * s);
    }
    case 25: return Trunc(99.9 * std::sin(pi * k / 200));
    case 26:
        if (k == -9) return -14;
        if (k == 16) return 19;
        return sgn * ISqrt(25 * a); // 50 sgn(k) sqrt(|k| / 100)
    default: return 0;
    }
}

bool ApplyPreset(int e, signed char *curve) {
    if (e < 0 || e >= kPresetCount) return false;
    for (int i = 0; i < kPoints; ++i) curve[i] = (signed char)PresetPoint(e, i);
    return true;
}

// A stored level of -128 has no opposite in a signed byte; it mirrors to 127.
void Mirror(signed char *curve) {
    for (int j = 0; j < 100; ++j) curve[99 - j] = (signed char)std::min(-(int)curve[100 + j], 127);
}

Clipboard &LibraryClipboard() {
    static Clipboard clipboard;
    return clipboard;
}

Point CurvePixel(int i, int v) { return {kOrigin.x + i, kCentre.y - v}; }

bool InSquare(int x, int y) {
    return x >= kOrigin.x && x <= kOrigin.x + 200 && y >= kOrigin.y && y <= kOrigin.y + 200;
}

Point Relative(int x, int y) { return {x - kOrigin.x, y - kOrigin.y}; }

void ApplySegment(signed char *curve, Point a, Point b) {
    const Point L = a.x < b.x ? a : b;
    const Point R = a.x < b.x ? b : a;
    const int64_t span = (int64_t)R.x - L.x;
    for (int64_t i = L.x < 0 ? -(int64_t)L.x : 0; i <= span; ++i) {
        const int64_t column = L.x + i;
        if (column >= kPoints) break;
        const int64_t y = span == 0 ? (int64_t)L.y : L.y + ((int64_t)R.y - L.y) * i / span;
        curve[column] = (signed char)std::clamp<int64_t>(100 - y, -100, 100);
    }
}

void Pen::Open() {
    armed_ = false;
    active_ = false;
}

Pen::Step Pen::Press(signed char *curve, int x, int y, bool rightButton, bool shift) {
    Step s;
    if (!armed_) return s;
    if (rightButton || !InSquare(x, y)) {
        // Ending a segment also takes its rubber line off the grid.
        if (rightButton || active_) s.kind = Step::Redraw;
        active_ = false;
        return s;
    }
    const Point p{x, y};
    if (!active_ && shift) {
        anchor_ = kCentre;
        active_ = true;
    }
    if (active_ && p != anchor_) {
        ApplySegment(curve, Relative(anchor_.x, anchor_.y), Relative(x, y));
        s.kind = Step::Redraw;
    }
    active_ = true;
    anchor_ = last_ = p;
    return s;
}

Pen::Step Pen::Move(signed char *curve, int x, int y) {
    Step s;
    if (!armed_ || !active_) return s;
    const Point p{x, y};
    if (InSquare(x, y)) {
        s.kind = Step::Rubber;
        s.anchor = anchor_;
        s.erase = last_;
        s.draw = p;
        last_ = p;
        return s;
    }
    ApplySegment(curve, Relative(anchor_.x, anchor_.y), Relative(x, y));
    active_ = false;
    s.kind = Step::Redraw;
    return s;
}

int PresetAt(int x, int y) {
    if (x < 0 || y < 0 || x >= kPresetSide || y >= kPresetSide) return -1;
    return (y / kCellSide) * kCellsPerRow + x / kCellSide;
}

Point AnimationCorner(int e) {
    if (e < 0) return {0, 0};
    return {(e % kCellsPerRow) * kCellSide + 4, (e / kCellsPerRow) * kCellSide + 4};
}

kmr::Picture PresetPicture() {
    kmr::Picture p;
    p.width = p.height = kPresetSide;
    p.pixels.assign((size_t)kPresetSide * kPresetSide, kFace);
    // Each preset as a miniature of the grid: a black 25 x 25 square at the
    // animation corner, red axes through its middle, the curve in white.
    for (int e = 0; e < kPresetCount; ++e) {
        const Point c = AnimationCorner(e);
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 25; ++x) p.Put(c.x + x, c.y + y, kBlack);
        p.Line(c.x + 12, c.y, c.x + 12, c.y + 24, kRed);
        p.Line(c.x, c.y + 12, c.x + 24, c.y + 12, kRed);
        auto at = [&](int i) {
            const int v = std::clamp(PresetPoint(e, i), -100, 100);
            return Point{c.x + i * 24 / 199, c.y + 12 - (v * 12) / 100};
        };
        for (int i = 0; i + 1 < kPoints; ++i) {
            const Point a = at(i), b = at(i + 1);
            p.Line(a.x, a.y, b.x, b.y, kWhite);
        }
    }
    return p;
}

const kmr::Picture &Frame(int n) {
    static const kmr::Picture none;
    if (n < 0 || n >= kFrames) return none;
    return Frames()[n];
}

int LoadFrames(const uint8_t *image, size_t size) {
    kmr::ResourceImage res;
    if (!image || !res.Parse(image, size)) return 0;
    int found = 0;
    for (int n = 0; n < kFrames; ++n) {
        kmr::Picture frame;
        if (res.LoadPicture("SLIDE" + std::to_string(n), frame)) ++found;
        Frames()[n] = std::move(frame);
    }
    return found;
}

void ReleaseFrames() {
    for (int n = 0; n < kFrames; ++n) Frames()[n] = kmr::Picture{};
}

void Animation::Start(int e) {
    if (e < 0) return;
    cell_ = e;
    ticks_ = 0;
}

Animation::Step Animation::Tick() {
    Step s;
    if (cell_ < 0) return s;
    s.corner = AnimationCorner(cell_);
    if (++ticks_ <= kFrames) {
        s.frame = ticks_ - 1;
        if (!Frame(s.frame).Empty()) s.kind = Step::Frame;
    } else {
        s.kind = Step::Restore;
        cell_ = -1;
    }
    return s;
}

} // namespace shaper
