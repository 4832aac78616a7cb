#include "Cpoint.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

int64_t SquaredDistance(const CPOINT &a, const CPOINT &b) {
    if (!Present(b)) return -1;
    // Differences reach 2^32 and their squares 2^64: summed in 128 bits.
    const uint64_t dx = (uint64_t)std::llabs((int64_t)a.x - b.x), dy = (uint64_t)std::llabs((int64_t)a.y - b.y);
    const unsigned __int128 d = (unsigned __int128)dx * dx + (unsigned __int128)dy * dy;
    return d > (unsigned __int128)std::numeric_limits<int64_t>::max() ? std::numeric_limits<int64_t>::max()
                                                                      : (int64_t)d;
}

namespace {

int32_t snapCoordinate(int32_t v, int32_t step) {
    if (step <= 0) return v;
    const int32_t r = v % step; // toward zero: 0 or negative for negative v
    const int64_t down = (int64_t)v - r;
    if (2 * (int64_t)r < step) return (int32_t)down;
    const int64_t up = down + step;
    return up > std::numeric_limits<int32_t>::max() ? (int32_t)down : (int32_t)up;
}

} // namespace

CPOINT SnapTo(const CPOINT &p, int32_t step) {
    return CPOINT{snapCoordinate(p.x, step), snapCoordinate(p.y, step)};
}
