// A rectangle of the drawing surface given by an origin and a size.
#pragma once

#include <cstdint>

#include "Cpoint.h"

// The edges of a rectangle as the drawing platform takes them.
struct RECTEDGES {
    int32_t left, top, right, bottom;
};

// Covers x from origin.x to origin.x + size.x and y from origin.y to
// origin.y + size.y, all edges included. It exists only while both points
// are present.
struct CRECT {
    CPOINT origin{0, 0};
    CPOINT size{0, 0};

    CRECT() = default;
    CRECT(const CPOINT &o, const CPOINT &s) : origin(o), size(s) {}

    bool Exists() const { return Present(origin) && Present(size); }
    // False when the rectangle does not exist.
    bool Contains(const CPOINT &p) const;
    // left, top, right = origin.x + size.x, bottom = origin.y + size.y.
    RECTEDGES Edges() const;
};
