#include "RamperCurve.h"

#include <algorithm>
#include <charconv>

namespace ramper {

namespace {

// The preset curves as drawn. Each row is checked for its 40 points.
constexpr unsigned char kPreset0[] = {0,  9,  30, 63, 101, 153, 190, 190, 167, 140, 120, 91, 73, 64,
                                      58, 54, 51, 49, 47,  47,  47,  47,  47,  47,  47,  45, 44, 42,
                                      40, 37, 34, 31, 26,  23,  20,  15,  10,  6,   3,   0};
constexpr unsigned char kPreset1[] = {0,   24,  67,  110, 160, 180, 190, 198, 198, 190, 170, 158, 148, 144,
                                      139, 135, 134, 132, 131, 131, 130, 129, 128, 127, 126, 125, 124, 123,
                                      123, 121, 121, 119, 112, 103, 87,  74,  59,  43,  25,  0};
constexpr unsigned char kPreset2[] = {0,   24,  67,  110, 160, 180, 190, 198, 198, 190, 182, 181, 180, 180,
                                      180, 180, 179, 178, 178, 178, 177, 177, 176, 176, 176, 175, 175, 175,
                                      175, 175, 173, 173, 172, 167, 156, 136, 105, 59,  29,  0};
constexpr unsigned char kPreset3[] = {0,   25,  67,  102, 132, 151, 166, 177, 186, 191, 193, 194, 196, 197,
                                      197, 199, 199, 199, 199, 199, 199, 199, 199, 199, 199, 199, 198, 198,
                                      197, 195, 190, 182, 175, 163, 150, 132, 101, 59,  29,  0};
constexpr unsigned char kPreset4[] = {0,   24,  48,  68,  88,  108, 130, 147, 165, 177, 186, 189, 192, 192,
                                      191, 189, 180, 164, 120, 95,  119, 148, 172, 188, 191, 192, 192, 189,
                                      183, 175, 166, 156, 142, 128, 110, 92,  72,  48,  25,  0};
constexpr unsigned char kPreset5[] = {0,   5,   11,  19,  25,  32,  40,  47,  54,  64,  75,  85,  95, 107,
                                      125, 140, 157, 173, 186, 194, 198, 199, 196, 188, 173, 153, 128, 111,
                                      95,  79,  67,  54,  43,  35,  27,  19,  14,  9,   4,   0};
constexpr unsigned char kPreset7[] = {0,   20,  40,  60,  80,  100, 120, 140, 160, 180, 174, 168, 162, 156,
                                      150, 144, 138, 132, 126, 120, 114, 108, 102, 96,  90,  84,  78,  72,
                                      66,  60,  54,  48,  42,  36,  30,  24,  18,  12,  6,   0};
constexpr unsigned char kPreset8[] = {0, 28, 57, 87, 122, 154, 197, 119, 64, 11, 9, 9, 9, 9,
                                      9, 8,  8,  8,  8,   8,   8,   8,   7,  7,  7, 7, 7, 7,
                                      7, 7,  7,  6,  6,   5,   4,   3,   3,  2,  2, 0};
static_assert(sizeof kPreset0 == kPoints && sizeof kPreset1 == kPoints && sizeof kPreset2 == kPoints &&
              sizeof kPreset3 == kPoints && sizeof kPreset4 == kPoints && sizeof kPreset5 == kPoints &&
              sizeof kPreset7 == kPoints && sizeof kPreset8 == kPoints);

// Preset 6 falls from 195 to 0 in steps of 5.
constexpr const unsigned char *kPresets[kPresetCount] = {kPreset0, kPreset1, kPreset2, kPreset3, kPreset4,
                                                         kPreset5, nullptr,  kPreset7, kPreset8};

constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kGridColour = 0xFF808080;  // closing lines between the cells
constexpr uint32_t kCurveColour = 0xFF00FF00; // the miniature curves
constexpr uint32_t kFlashColours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};

} // namespace

void DefaultRamp(unsigned char *env) {
    for (int i = 0; i < kPoints; ++i) env[i] = (unsigned char)(4 * i);
}

unsigned char PresetPoint(int e, int i) {
    if (e < 0 || e >= kPresetCount || i < 0 || i >= kPoints) return 0;
    if (!kPresets[e]) return (unsigned char)(195 - 5 * i);
    return kPresets[e][i];
}

bool ApplyPreset(int e, unsigned char *env) {
    if (e < 0 || e >= kPresetCount) return false;
    for (int i = 0; i < kPoints; ++i) env[i] = PresetPoint(e, i);
    return true;
}

void Mirror(unsigned char *env) { std::reverse(env, env + kPoints); }

Clipboard &LibraryClipboard() {
    static Clipboard clipboard;
    return clipboard;
}

Pixel PointPixel(int i, int v) { return {kOriginX + 10 * i, kArea.y + kArea.height - 1 - v}; }

bool PointAt(int x, int y, int &index, int &level) {
    if (x < kArea.x || x >= kArea.x + kArea.width || y < kArea.y || y >= kArea.y + kArea.height) return false;
    const int rx = x - kOriginX, ry = y - kOriginY;
    const int v = 200 - ry;
    if (v < 0 || v >= 200) return false;
    const int i = rx / 10 + (rx % 10 > 5 ? 1 : 0);
    if (i >= kPoints) return false; // the area ends at point 39
    index = i;
    level = v;
    return true;
}

Strip RedrawStrip(int index) {
    const int j = std::clamp(index, 1, kPoints - 2);
    return {{kOriginX + 10 * j - 10, kOriginY, 21, 201}, j - 1, j + 1};
}

int MinorTick(int i) { return i * kAxisRight / 10; }

const char *StartLabel(bool russian) { return russian ? "0.0 сек" : "0.0 sec"; }

std::string SecondsLabel(double seconds) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 2);
    if (r.ec != std::errc()) return "";
    return std::string(buf, r.ptr);
}

int Pen::Move(unsigned char *env, int x, int y, bool leftHeld) {
    if (!armed_ || !leftHeld) return -1;
    int index, level;
    if (!PointAt(x, y, index, level)) return -1;
    if (env[index] == level) return -1;
    env[index] = (unsigned char)level;
    return index;
}

int PresetAt(int x, int y) {
    if (x < 0 || y < 0 || x >= 3 * kCellWidth || y >= 3 * kCellHeight) return -1;
    return x / kCellWidth + 3 * (y / kCellHeight);
}

Rect PresetCell(int e) {
    if (e < 0 || e >= kPresetCount) return {0, 0, 0, 0};
    return {(e % 3) * kCellWidth, (e / 3) * kCellHeight, kCellWidth, kCellHeight};
}

kmr::Picture PresetPicture() {
    kmr::Picture p;
    p.width = kPresetWidth;
    p.height = kPresetHeight;
    p.pixels.assign((size_t)p.width * p.height, kBlack);
    for (int c = 0; c <= 3; ++c) p.Line(c * kCellWidth, 0, c * kCellWidth, kPresetHeight - 1, kGridColour);
    for (int r = 0; r <= 3; ++r) p.Line(0, r * kCellHeight, kPresetWidth - 1, r * kCellHeight, kGridColour);
    // Inside a cell the curve runs from x 1 to 39 and levels 0..199 from
    // y 28 up to y 2.
    for (int e = 0; e < kPresetCount; ++e) {
        const Rect cell = PresetCell(e);
        auto at = [&](int i) {
            int v = std::min<int>(PresetPoint(e, i), 199);
            return Pixel{cell.x + 1 + i * 38 / 39, cell.y + 28 - v * 26 / 199};
        };
        for (int i = 0; i + 1 < kPoints; ++i) {
            Pixel a = at(i), b = at(i + 1);
            p.Line(a.x, a.y, b.x, b.y, kCurveColour);
        }
    }
    return p;
}

void Flash::Start(int e) {
    if (e < 0 || e >= kPresetCount) return;
    cell_ = e;
    ticks_ = 0;
}

Flash::Step Flash::Tick() {
    Step s;
    if (cell_ < 0) return s;
    s.cell = PresetCell(cell_);
    if (++ticks_ < 5) {
        s.kind = Step::Fill;
        s.colour = kFlashColours[ticks_ - 1];
    } else {
        s.kind = Step::Restore;
        cell_ = -1;
    }
    return s;
}

} // namespace ramper
