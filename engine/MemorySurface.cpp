#include "MemorySurface.h"

#include <algorithm>

namespace kmr {

MemorySurface::MemorySurface(int width, int height, uint32_t background)
    : PixelSurface(background), width_(std::max(0, width)), height_(std::max(0, height)),
      pixels_((size_t)width_ * height_, background & 0xFFFFFF) {}

} // namespace kmr
