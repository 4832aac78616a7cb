// A drawing surface kept in memory: the renderer draws nowhere, tests read
// back every pixel the engine painted.
#pragma once

#include <vector>

#include "Surface.h"

namespace kmr {

class MemorySurface : public Surface {
public:
    MemorySurface(int width, int height, uint32_t background = 0xF0F0F0);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    uint32_t Background() const override { return background_; }
    uint32_t Pixel(int x, int y) const override;
    void SetPixel(int x, int y, uint32_t colour) override;
    void Line(int x1, int y1, int x2, int y2, uint32_t colour) override;
    void FillRect(int x1, int y1, int x2, int y2, uint32_t colour) override;
    RasterOp Op() const override { return op_; }
    void SetOp(RasterOp op) override { op_ = op; }
    void DrawPicture(const Picture &picture, int x, int y) override;

    // Fills the whole surface with the background.
    void Clear();
    const std::vector<uint32_t> &Pixels() const { return pixels_; }

private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    int width_, height_;
    uint32_t background_;
    RasterOp op_ = RasterOp::Copy;
    std::vector<uint32_t> pixels_;
};

} // namespace kmr
