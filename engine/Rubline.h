// The rubber-band line: a line shown on the drawing surface while the user
// drags, removed again exactly by remembering every pixel it painted over.
// Also the raster rule that draws it, which SEGMENT::Distance measures with.
#pragma once

#include <cstdint>
#include <vector>

#include "Surface.h"

namespace kmr {

// The raster of a line from (x1, y1) to (x2, y2). A vertical line covers its
// column from the smaller to the larger y. Any other line runs from the end
// with the smaller x; with the single-precision slope k and intercept c,
// column x reaches row trunc(x * k + c) (toward zero), and the pixels between
// the row of the previous column and that row fill the gap.
class LineRaster {
public:
    LineRaster(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

    bool Vertical() const { return vertical_; }
    // The ends after ordering: x1 <= x2 (for a vertical line y1 <= y2).
    int32_t X1() const { return x1_; }
    int32_t Y1() const { return y1_; }
    int32_t X2() const { return x2_; }
    int32_t Y2() const { return y2_; }

    // trunc(x * k + c), limited to the int32 range. Not for vertical lines.
    int32_t RowAt(int32_t x) const;

    // The pixels of column x entered at row `current`, in raster order:
    // rows `from` to `to` stepping by +1 or -1 (from == to for one pixel).
    // `to` is RowAt(x), the row the next column is entered at.
    struct Run {
        int64_t from, to;
    };
    Run ColumnRun(int32_t x, int64_t current) const;

    // Calls visit(x, y) for every pixel in raster order: the first pixel
    // (x1, y1), then columns x1 + 1 .. x2. Pixels outside xlo..xhi, ylo..yhi
    // are skipped without walking them, so huge lines cost only their
    // visible part.
    template <class Visit>
    void ForEachPixel(int64_t xlo, int64_t xhi, int64_t ylo, int64_t yhi, Visit visit) const;

private:
    bool vertical_;
    int32_t x1_, y1_, x2_, y2_;
    float k_ = 0.0f, c_ = 0.0f;
};

template <class Visit>
void LineRaster::ForEachPixel(int64_t xlo, int64_t xhi, int64_t ylo, int64_t yhi, Visit visit) const {
    auto runIn = [&](int64_t x, int64_t from, int64_t to) {
        if (x < xlo || x > xhi) return;
        if (from <= to) {
            for (int64_t y = from < ylo ? ylo : from; y <= to && y <= yhi; ++y) visit((int32_t)x, (int32_t)y);
        } else {
            for (int64_t y = from > yhi ? yhi : from; y >= to && y >= ylo; --y) visit((int32_t)x, (int32_t)y);
        }
    };
    if (vertical_) {
        runIn(x1_, y1_, y2_);
        return;
    }
    runIn(x1_, y1_, y1_);
    const int64_t first = (int64_t)x1_ + 1 > xlo ? (int64_t)x1_ + 1 : xlo;
    const int64_t last = x2_ < xhi ? x2_ : xhi;
    for (int64_t x = first; x <= last; ++x) {
        const int64_t current = x == (int64_t)x1_ + 1 ? y1_ : RowAt((int32_t)(x - 1));
        const Run r = ColumnRun((int32_t)x, current);
        runIn(x, r.from, r.to);
    }
}

} // namespace kmr

// A line shown over whatever the surface holds and removed again exactly.
// Show paints it pixel by pixel, keeping each pixel's previous colour; Hide
// puts those colours back.
struct RUBBERLINE {
    int32_t x1 = 0, y1 = 0; // first end
    int32_t x2 = 0, y2 = 0; // second end
    uint32_t colour = kmr::kBlack;
    kmr::Surface *surface = nullptr; // nothing is shown while it is not set

    // Paints the line in `colour`, saving the colour of every pixel it
    // covers. A line still shown is hidden first, so nothing is ever left
    // on the surface.
    void Show(uint32_t colour);
    // Repaints every saved pixel with its saved colour (on the surface it was
    // shown on) and forgets them. Nothing when the line is not shown.
    void Hide();
    // Hide, move the second end, Show.
    void MoveSecond(int32_t x2, int32_t y2, uint32_t colour);
    // Hide, set both ends, Show.
    void SetLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);

    bool Shown() const { return shownOn_ != nullptr; }
    // Number of pixels painted and saved by the last Show.
    size_t SavedCount() const { return saved_.size(); }

private:
    struct Saved {
        int32_t x, y;
        uint32_t colour;
    };
    std::vector<Saved> saved_;
    kmr::Surface *shownOn_ = nullptr;
};
