// The transfer curve of the nonlinearity and everything its setup dialog does
// with it apart from showing windows: the output for an input, the 27 preset
// curves, mirroring, the one-curve clipboard, the mapping between the
// dialog's grid and the curve points, drawing segments with the mouse, the
// preset picture and its animation frames.
//
// A curve is 200 points: point i is the output level, in hundredths of full
// scale, for the input level k = i - 100 (k from -100 to 99). Drawn levels
// lie in -100..100; stored ones may be any signed byte.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "CurveClipboard.h"
#include "Picture.h"
#include "Skeleton.h"

namespace shaper {

constexpr int kPoints = 200;
// One level of the curve in sample units, and an input sample in levels.
constexpr double kUnit = 327.67;
constexpr double kInputScale = 100.0 / 32767.0;
static_assert(kInputScale == 0.0030518509475997192);

// The identity curve, point i = i - 100.
void Identity(signed char *curve);

// The output level for the input level u (an input sample x kInputScale):
// the curve between its points, joined by straight lines. Inputs beyond full
// scale take the end points; NaN, which has no place on the scale, takes the
// lower end, as the limitation rule does with it.
inline double Transfer(const signed char *curve, double u) {
    const int32_t k = std::isnan(u) ? INT32_MIN : kmd::ToInt(u);
    const int32_t i0 = k < -100 ? -100 : k > 99 ? 99 : k;
    const int32_t i1 = k < -101 ? -100 : k > 98 ? 99 : k + 1;
    const double a = curve[i0 + 100], b = curve[i1 + 100];
    if (b == a) return a;
    // Below zero u - k is negative: the segment k .. k + 1 is extended
    // toward k - 1.
    return a + (b - a) * (u - k);
}

// Presets ------------------------------------------------------------------

constexpr int kPresetCount = 27;

// Point i of preset e (0..26).
int PresetPoint(int e, int i);

// Replaces the curve by preset e; false (curve unchanged) for an e outside 0..26.
bool ApplyPreset(int e, signed char *curve);

// The negative half becomes the point mirror of the positive half:
// point 99 - j = -(point 100 + j), for j = 0..99.
void Mirror(signed char *curve);

// The dialog's one-curve clipboard; the library keeps one for all dialogs.
// Empty it holds all zeros, so an insert before any copy flattens the curve.
using Clipboard = kmd::CurveClipboard<signed char, kPoints>;

// The clipboard shared by every dialog of this library.
Clipboard &LibraryClipboard();

// The grid ------------------------------------------------------------------
//
// Coordinates are those of the dialog's client area, y growing downwards.
// The grid is the black square of 201 x 201 pixels from (30,30); its red
// border runs through (231,30), (231,231), (30,231) and (30,30), its red
// axes cross at (130,130). Point i with level v is drawn at (30 + i, 130 - v).
// Positions on the grid are taken relative to its origin (30,30).

struct Point {
    int x, y;
    bool operator==(const Point &) const = default;
};

constexpr Point kOrigin{30, 30};
constexpr Point kCentre{130, 130};
constexpr int kGridSize = 201;     // the black square
constexpr int kBorder = 231;       // x and y of the border's right and bottom lines

// Where point i with level v is drawn.
Point CurvePixel(int i, int v);

// True for the square where presses and moves draw: x and y 30..230.
bool InSquare(int x, int y);

// A point of the dialog relative to the grid's origin.
Point Relative(int x, int y);

// Applies the straight segment between a and b (relative positions) to the
// curve. From its left end (b when both have the same x) every column gets
// the level 100 - y of the segment at that column, clamped to -100..100; a
// segment whose ends share their x sets its one point to the level of b, the
// end the pen reached last (a vertical stroke leaving the square at the top
// sets the top, not the bottom). Columns
// left of the curve (x below 0) are passed over, the rest of the segment is
// still applied; columns right of it (beyond 199) end the segment.
void ApplySegment(signed char *curve, Point a, Point b);

// Drawing segments with the mouse. Presses and moves count only after a
// mouse-up since the dialog opened. A press in the square anchors a segment,
// and every further press draws from the anchor to it and moves the anchor
// there; with Shift held the first segment starts at the centre. Moving the
// pointer shows a rubber line from the anchor; leaving the square draws to
// where the pointer left it and ends the segment, as does a press outside it
// or with the right button.
class Pen {
public:
    struct Step {
        // Nothing to draw; the grid and curve to draw again; or the rubber
        // line: draw anchor .. erase in black, anchor .. draw in lime green,
        // then the anchor pixel in black.
        enum Kind { None, Redraw, Rubber } kind = None;
        Point anchor{}, erase{}, draw{};
    };

    // The dialog opened: no segment, and wait for a mouse-up.
    void Open();
    // A mouse-up over the dialog or its preset picture.
    void Release() { armed_ = true; }
    Step Press(signed char *curve, int x, int y, bool rightButton, bool shift);
    Step Move(signed char *curve, int x, int y);

    bool InProgress() const { return active_; }
    Point Anchor() const { return anchor_; }

private:
    bool armed_ = false;
    bool active_ = false;
    Point anchor_{}, last_{};
};

// Preset picture --------------------------------------------------------------
//
// A 200 x 200 picture at (247,30) in the dialog shows the presets in 32 x 32
// cells, six to a row.

constexpr Point kPresetPlace{247, 30};
constexpr int kPresetSide = 200, kCellSide = 32, kCellsPerRow = 6;

// The cell number under (x, y) of the picture: (y / 32) x 6 + x / 32, or -1
// outside the picture. Numbers up to 26 name a preset; the strip right of
// the sixth column counts as the first cell of the next row.
int PresetAt(int x, int y);

// The corner where the animation of cell e shows its frames. Cells past the
// last preset may put it partly or wholly outside the picture; drawing there
// is clipped to the picture.
Point AnimationCorner(int e);

// The picture of the presets, drawn from the preset formulas.
kmr::Picture PresetPicture();

// The four 31 x 31 animation frames the library loads from its resources
// "SLIDE0" .. "SLIDE3". Frames that are missing or unreadable stay empty.
constexpr int kFrames = 4, kFrameSide = 31;
const kmr::Picture &Frame(int n); // empty for n outside 0..3
// Loads the frames from a resource image; answers how many it found.
int LoadFrames(const uint8_t *image, size_t size);
// Releases the frames; a second call does nothing.
void ReleaseFrames();

// The animation on a chosen cell: a tick every 100 ms; the first four show
// the frames in turn at the cell's corner (a tick whose frame is empty shows
// nothing), the fifth puts the saved picture back.
class Animation {
public:
    struct Step {
        enum Kind { None, Frame, Restore } kind = None;
        int frame = 0; // 0..3 for Frame
        Point corner{};
    };
    void Start(int e);
    bool Running() const { return cell_ >= 0; }
    Step Tick();

private:
    int cell_ = -1;
    int ticks_ = 0;
};

} // namespace shaper
