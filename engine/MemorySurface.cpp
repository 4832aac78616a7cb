#include "MemorySurface.h"

#include <algorithm>
#include <cstdlib>

namespace kmr {

MemorySurface::MemorySurface(int width, int height, uint32_t background)
    : width_(std::max(0, width)), height_(std::max(0, height)), background_(background & 0xFFFFFF),
      pixels_((size_t)width_ * height_, background_) {}

void MemorySurface::Clear() { std::fill(pixels_.begin(), pixels_.end(), background_); }

uint32_t MemorySurface::Pixel(int x, int y) const {
    return inside(x, y) ? pixels_[(size_t)y * width_ + x] : background_;
}

void MemorySurface::SetPixel(int x, int y, uint32_t colour) {
    if (inside(x, y)) pixels_[(size_t)y * width_ + x] = colour & 0xFFFFFF;
}

void MemorySurface::Line(int x1, int y1, int x2, int y2, uint32_t colour) {
    // Bresenham, both ends included.
    int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        SetPixel(x1, y1, colour);
        if (x1 == x2 && y1 == y2) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y1 += sy;
        }
    }
}

void MemorySurface::FillRect(int x1, int y1, int x2, int y2, uint32_t colour) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, width_ - 1);
    y2 = std::min(y2, height_ - 1);
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x) pixels_[(size_t)y * width_ + x] = colour & 0xFFFFFF;
}

void MemorySurface::DrawPicture(const Picture &picture, int x, int y) {
    for (int py = 0; py < picture.height; ++py)
        for (int px = 0; px < picture.width; ++px) {
            int tx = x + px, ty = y + py;
            if (!inside(tx, ty)) continue;
            uint32_t src = picture.At(px, py) & 0xFFFFFF;
            uint32_t &dst = pixels_[(size_t)ty * width_ + tx];
            dst = op_ == RasterOp::Invert ? (dst ^ src) : src;
        }
}

} // namespace kmr
