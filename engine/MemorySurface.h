// A drawing surface kept in memory: the renderer draws nowhere, tests read
// back every pixel the engine painted.
#pragma once

#include <vector>

#include "PixelSurface.h"

namespace kmr {

class MemorySurface : public PixelSurface {
public:
    MemorySurface(int width, int height, uint32_t background = 0xF0F0F0);

    int Width() const override { return width_; }
    int Height() const override { return height_; }

    // Every pixel as 0xRRGGBB, row by row from the top.
    const std::vector<uint32_t> &Pixels() const { return pixels_; }

protected:
    uint32_t *Row(int y) override { return pixels_.data() + (size_t)y * width_; }
    const uint32_t *Row(int y) const override { return pixels_.data() + (size_t)y * width_; }

private:
    int width_, height_;
    std::vector<uint32_t> pixels_;
};

} // namespace kmr
