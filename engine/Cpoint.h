// Operations on the point record CPOINT: comparison, arithmetic, presence,
// squared distance and snapping to the wiring and placing grids.
#pragma once

#include <cstdint>

#include "Kmd.h"

inline bool operator==(const CPOINT &a, const CPOINT &b) { return a.x == b.x && a.y == b.y; }
inline bool operator!=(const CPOINT &a, const CPOINT &b) { return !(a == b); }

// Coordinates are added and subtracted with wrap-around instead of
// overflowing, so points taken from files can never cause undefined results.
inline CPOINT operator+(const CPOINT &a, const CPOINT &b) {
    return CPOINT{(int32_t)((uint32_t)a.x + (uint32_t)b.x), (int32_t)((uint32_t)a.y + (uint32_t)b.y)};
}
inline CPOINT operator-(const CPOINT &a, const CPOINT &b) {
    return CPOINT{(int32_t)((uint32_t)a.x - (uint32_t)b.x), (int32_t)((uint32_t)a.y - (uint32_t)b.y)};
}

inline CPOINT MakePoint(int32_t x, int32_t y) { return CPOINT{x, y}; }

// The marker of an absent point.
inline constexpr CPOINT kNoPoint{-1, -1};

// Present: both coordinates 0 or more.
inline bool Present(const CPOINT &p) { return p.x >= 0 && p.y >= 0; }

// Squared distance from `a` to `b`; -1 when `b` is absent. Distances beyond
// the int64 range (only between points near opposite int32 limits) answer
// the largest int64.
int64_t SquaredDistance(const CPOINT &a, const CPOINT &b);

// Grid steps of wire points and of instance positions.
inline constexpr int32_t kWireGrid = 8;
inline constexpr int32_t kPlaceGrid = 16;

// Rounds each coordinate to the nearest multiple of `step` (> 0): a remainder
// below half the step rounds down, the rest up. The remainder of a negative
// coordinate is taken toward zero, so negatives always round toward zero.
// A coordinate whose rounding up would leave the int32 range rounds down.
CPOINT SnapTo(const CPOINT &p, int32_t step);
inline CPOINT Snap8(const CPOINT &p) { return SnapTo(p, kWireGrid); }
inline CPOINT Snap16(const CPOINT &p) { return SnapTo(p, kPlaceGrid); }
