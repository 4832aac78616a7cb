// The envelope curve of the envelope generator and everything its setup
// dialog does with it apart from showing windows: the level at a sample, the
// nine preset curves, mirroring, the one-curve clipboard, the mapping between
// the dialog's drawing area and the curve points, drawing with the mouse, the
// flash of a chosen preset and the picture of the presets.
//
// A curve is 40 points, each a level 0..199 as drawn (0..255 as stored),
// spread evenly over the whole calculation and joined by straight lines.
#pragma once

#include <cstdint>
#include <string>

#include "CurveClipboard.h"
#include "Picture.h"

namespace ramper {

constexpr int kPoints = 40;
constexpr int kSegments = kPoints - 1;
// Output level of one curve unit: 200 units span the 16-bit sample range.
constexpr double kUnit = 163.83;

// The default curve: point i is 4 x i, a ramp from 0 to 156.
void DefaultRamp(unsigned char *env);

// The output at sample `cnt` of a run `T` samples long: the curve joined by
// straight lines, in sample units. A run without a length (T not set yet)
// and sample numbers before the start give the first point; sample numbers
// at or beyond T give the last one, so no point past the curve is ever read.
inline double Level(const unsigned char *env, double T, int cnt) {
    const double d = T * (1.0 / 39.0); // samples per segment
    if (!(d > 0.0) || cnt < 0) return env[0] * kUnit;
    const double pos = cnt / d;
    if (!(pos < kSegments)) return env[kSegments] * kUnit;
    const int i = (int)pos;
    const double a = env[i], b = env[i + 1];
    return (a + (cnt - i * d) * (b - a) / d) * kUnit;
}

// Presets ------------------------------------------------------------------

constexpr int kPresetCount = 9;

// Point i of preset e (0..8).
unsigned char PresetPoint(int e, int i);

// Replaces the curve by preset e; false (curve unchanged) for an e outside 0..8.
bool ApplyPreset(int e, unsigned char *env);

// Point i takes the value of point 39 - i.
void Mirror(unsigned char *env);

// The dialog's one-curve clipboard; the library keeps one for all dialogs.
// Empty it holds all zeros, so an insert before any copy clears the curve.
using Clipboard = kmd::CurveClipboard<unsigned char, kPoints>;

// The clipboard shared by every dialog of this library.
Clipboard &LibraryClipboard();

// Drawing area ---------------------------------------------------------------
//
// Coordinates are those of the dialog's client area, y growing downwards.
// The area is the black rectangle (16,16) .. (406,216), both ends included;
// point i sits at x = 16 + 10 i, and a level v at y = 216 - v.

struct Pixel {
    int x, y;
};
struct Rect {
    int x, y, width, height;
};

constexpr int kOriginX = 16, kOriginY = 16;
constexpr Rect kArea{16, 16, 391, 201};

// Where point i with level v is drawn.
Pixel PointPixel(int i, int v);

// The point and level a move to (x, y) draws: false outside the area and on
// its top row (level 200), so drawn levels stay within 0..199. The point is
// the nearer of the two neighbours, the left one up to 5 pixels past it.
bool PointAt(int x, int y, int &index, int &level);

// What to repaint after point `index` changed: the black strip around it and
// the points first..last to draw again (joined by lines in line mode).
struct Strip {
    Rect rect;
    int first, last;
};
Strip RedrawStrip(int index);

// The time axis under the area: a line from (16,224) to (406,224), long
// ticks (224..230) at x = 16, 203 and 406, short ticks (224..227) at the
// nine x that MinorTick gives, and three labels on the line y = 234.
constexpr int kAxisY = 224;
constexpr int kAxisLeft = 16, kAxisRight = 406, kAxisMiddle = 203;
constexpr int kLongTick = 6, kShortTick = 3, kLabelY = 234;
int MinorTick(int i); // i = 1..9
// The label at the start ("0.0 сек" or "0.0 sec"), UTF-8 for the screen.
const char *StartLabel(bool russian);
// A time in seconds with two decimals and a decimal point whatever the
// locale: the end label shows FullTime, the middle one FullTime x 0.5.
std::string SecondsLabel(double seconds);

// Drawing with the mouse: moves draw only while the left button is held,
// and only after a mouse-up since the dialog opened, so the press that
// opened it draws nothing.
class Pen {
public:
    // The dialog opened: wait for a mouse-up.
    void Open() { armed_ = false; }
    // A mouse-up over the dialog.
    void Release() { armed_ = true; }
    // A move to (x, y): sets the point it names and answers its index, or -1
    // when the move draws nothing or the point already has that level.
    int Move(unsigned char *env, int x, int y, bool leftHeld);

private:
    bool armed_ = false;
};

// Preset picture --------------------------------------------------------------
//
// A 121 x 91 picture right of the area shows the nine presets in a 3 x 3 grid
// of 40 x 30 cells; the last column and row are the grid's closing lines.

constexpr int kPresetWidth = 121, kPresetHeight = 91;
constexpr int kCellWidth = 40, kCellHeight = 30;

// The preset under (x, y) of the picture, or -1 (the closing lines and
// anything outside the cells).
int PresetAt(int x, int y);

// The cell of preset e in the picture.
Rect PresetCell(int e);

// The picture of the presets, drawn from the preset table.
kmr::Picture PresetPicture();

// The flash of a chosen preset: ticks every 50 ms fill its cell red, green,
// blue and yellow, and the fifth puts the saved picture back.
class Flash {
public:
    struct Step {
        enum Kind { None, Fill, Restore } kind = None;
        Rect cell{};
        uint32_t colour = 0; // 0xFFRRGGBB for Fill
    };
    void Start(int e);
    bool Running() const { return cell_ >= 0; }
    Step Tick();

private:
    int cell_ = -1;
    int ticks_ = 0;
};

} // namespace ramper
