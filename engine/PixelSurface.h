// The drawing operations of a surface whose pixels are rows of 32-bit words
// in memory: the memory surface of the renderer and the tests, and the
// editor's image. A subclass owns the rows and hands each one out; every
// drawing rule lives here once.
#pragma once

#include <cstdint>

#include "Surface.h"

namespace kmr {

class PixelSurface : public Surface {
public:
    uint32_t Background() const override { return background_; }
    uint32_t Pixel(int x, int y) const override;
    void SetPixel(int x, int y, uint32_t colour) override;
    // The pixels of the line's raster (the same pixels a rubber line between
    // the two points covers); only the part on the surface is walked, so a
    // line of any length costs at most its visible pixels.
    void Line(int x1, int y1, int x2, int y2, uint32_t colour) override;
    void FillRect(int x1, int y1, int x2, int y2, uint32_t colour) override;
    RasterOp Op() const override { return op_; }
    void SetOp(RasterOp op) override { op_ = op; }
    void DrawPicture(const Picture &picture, int x, int y) override;

    // Fills the whole surface with the background.
    void Clear();

protected:
    // `opaque` is set in every pixel written, for pixel formats that want
    // their top byte set; pixels read back without it.
    explicit PixelSurface(uint32_t background, uint32_t opaque = 0)
        : background_(background & 0xFFFFFF), opaque_(opaque & 0xFF000000) {}
    PixelSurface(const PixelSurface &) = default;
    PixelSurface &operator=(const PixelSurface &) = default;

    void SetBackgroundColour(uint32_t colour) { background_ = colour & 0xFFFFFF; }

    // Row y, 0 <= y < Height(), of Width() pixels.
    virtual uint32_t *Row(int y) = 0;
    virtual const uint32_t *Row(int y) const = 0;

private:
    bool inside(int64_t x, int64_t y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }

    uint32_t background_;
    uint32_t opaque_;
    RasterOp op_ = RasterOp::Copy;
};

} // namespace kmr
