// The drawing surface the engine draws the schematic on. The editor
// implements it over one persistent image; tests use MemorySurface.
#pragma once

#include <cstdint>

#include "Picture.h"

namespace kmr {

// How a picture combines with the surface.
enum class RasterOp {
    Copy,   // the picture replaces the surface
    Invert, // destination XOR source: drawing twice restores the surface
};

// Colours are 0xRRGGBB.
constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00FF00,
                   kYellow = 0xFFFF00;

class Surface {
public:
    virtual ~Surface() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // The colour of erased areas (the platform's colour of button faces).
    virtual uint32_t Background() const = 0;

    // Pixels outside the surface read as the background and ignore writes.
    virtual uint32_t Pixel(int x, int y) const = 0;
    virtual void SetPixel(int x, int y, uint32_t colour) = 0;

    // A one-pixel line from (x1, y1) to (x2, y2), both ends included.
    virtual void Line(int x1, int y1, int x2, int y2, uint32_t colour) = 0;
    // Fills x1..x2, y1..y2, all edges included.
    virtual void FillRect(int x1, int y1, int x2, int y2, uint32_t colour) = 0;

    // The current raster operation for pictures.
    virtual RasterOp Op() const = 0;
    virtual void SetOp(RasterOp op) = 0;
    // Draws `picture` with its top-left corner at (x, y) by the current operation.
    virtual void DrawPicture(const Picture &picture, int x, int y) = 0;
};

} // namespace kmr
