#include "Crect.h"

bool CRECT::Contains(const CPOINT &p) const {
    if (!Exists()) return false;
    const int64_t right = (int64_t)origin.x + size.x, bottom = (int64_t)origin.y + size.y;
    return p.x >= origin.x && p.x <= right && p.y >= origin.y && p.y <= bottom;
}

RECTEDGES CRECT::Edges() const {
    const CPOINT far = origin + size;
    return RECTEDGES{origin.x, origin.y, far.x, far.y};
}
