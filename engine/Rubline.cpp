#include "Rubline.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace kmr {

LineRaster::LineRaster(int32_t x1, int32_t y1, int32_t x2, int32_t y2) : vertical_(x1 == x2) {
    if (vertical_) {
        x1_ = x2_ = x1;
        y1_ = std::min(y1, y2);
        y2_ = std::max(y1, y2);
        return;
    }
    if (x2 < x1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    // Single precision on purpose: the rows this gives are the raster.
    k_ = (float)((int64_t)y2 - y1) / (float)((int64_t)x2 - x1);
    c_ = (float)y1 - (float)x1 * k_;
}

int32_t LineRaster::RowAt(int32_t x) const {
    const float product = (float)x * k_;
    const float row = product + c_;
    if (!(row > -2147483648.0f)) return std::numeric_limits<int32_t>::min();
    if (!(row < 2147483648.0f)) return std::numeric_limits<int32_t>::max();
    return (int32_t)row; // truncates toward zero
}

LineRaster::Run LineRaster::ColumnRun(int32_t x, int64_t current) const {
    const int64_t row = RowAt(x);
    if (row < current) return Run{current - 1, row};
    if (row > current) return Run{current + 1, row};
    return Run{row, row};
}

} // namespace kmr

void RUBBERLINE::Show(uint32_t c) {
    Hide();
    colour = c;
    if (!surface) return;
    kmr::Surface &s = *surface;
    const int64_t extent = std::max(std::llabs((int64_t)x2 - x1), std::llabs((int64_t)y2 - y1));
    saved_.clear();
    saved_.reserve((size_t)std::min<int64_t>(extent + 4, (int64_t)s.Width() + s.Height() + 4));
    const kmr::LineRaster raster(x1, y1, x2, y2);
    // Pixels off the surface neither show nor need restoring.
    raster.ForEachPixel(0, (int64_t)s.Width() - 1, 0, (int64_t)s.Height() - 1, [&](int32_t x, int32_t y) {
        saved_.push_back(Saved{x, y, s.Pixel(x, y)});
        s.SetPixel(x, y, c);
    });
    shownOn_ = surface;
}

void RUBBERLINE::Hide() {
    if (!shownOn_) return;
    // Last painted first: exact even where the line crossed a pixel twice.
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) shownOn_->SetPixel(it->x, it->y, it->colour);
    saved_.clear();
    saved_.shrink_to_fit();
    shownOn_ = nullptr;
}

void RUBBERLINE::MoveSecond(int32_t nx2, int32_t ny2, uint32_t c) {
    Hide();
    x2 = nx2;
    y2 = ny2;
    Show(c);
}

void RUBBERLINE::SetLine(int32_t nx1, int32_t ny1, int32_t nx2, int32_t ny2, uint32_t c) {
    Hide();
    x1 = nx1;
    y1 = ny1;
    x2 = nx2;
    y2 = ny2;
    Show(c);
}
