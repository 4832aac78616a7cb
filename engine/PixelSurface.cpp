#include "PixelSurface.h"

#include <algorithm>

#include "Rubline.h"

namespace kmr {

uint32_t PixelSurface::Pixel(int x, int y) const {
    return inside(x, y) ? Row(y)[x] & 0xFFFFFF : background_;
}

void PixelSurface::SetPixel(int x, int y, uint32_t colour) {
    if (inside(x, y)) Row(y)[x] = opaque_ | (colour & 0xFFFFFF);
}

void PixelSurface::Line(int x1, int y1, int x2, int y2, uint32_t colour) {
    const uint32_t pixel = opaque_ | (colour & 0xFFFFFF);
    const LineRaster raster(x1, y1, x2, y2);
    raster.ForEachPixel(0, (int64_t)Width() - 1, 0, (int64_t)Height() - 1,
                        [&](int32_t x, int32_t y) { Row(y)[x] = pixel; });
}

void PixelSurface::FillRect(int x1, int y1, int x2, int y2, uint32_t colour) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, Width() - 1);
    y2 = std::min(y2, Height() - 1);
    if (x1 > x2) return;
    const uint32_t pixel = opaque_ | (colour & 0xFFFFFF);
    for (int y = y1; y <= y2; ++y) {
        uint32_t *row = Row(y);
        std::fill(row + x1, row + x2 + 1, pixel);
    }
}

void PixelSurface::DrawPicture(const Picture &picture, int x, int y) {
    if (picture.Empty()) return;
    // The part of the picture that lies on the surface; positions are taken
    // in 64 bits, so a picture far off any edge is simply not drawn.
    const int64_t left = std::max<int64_t>(0, -(int64_t)x), top = std::max<int64_t>(0, -(int64_t)y);
    const int64_t right = std::min<int64_t>(picture.width, (int64_t)Width() - x);
    const int64_t bottom = std::min<int64_t>(picture.height, (int64_t)Height() - y);
    const bool invert = op_ == RasterOp::Invert;
    for (int64_t py = top; py < bottom; ++py) {
        uint32_t *row = Row(int(y + py));
        const uint32_t *source = picture.pixels.data() + py * picture.width;
        for (int64_t px = left; px < right; ++px) {
            const uint32_t src = source[px] & 0xFFFFFF;
            uint32_t &dst = row[x + px];
            dst = opaque_ | (invert ? (dst ^ src) & 0xFFFFFF : src);
        }
    }
}

void PixelSurface::Clear() {
    const uint32_t pixel = opaque_ | background_;
    for (int y = 0; y < Height(); ++y) std::fill(Row(y), Row(y) + Width(), pixel);
}

} // namespace kmr
