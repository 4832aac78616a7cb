// The one-curve clipboard of a curve-drawing dialog: a copy of the N points
// of one curve, which an insert writes back into any curve of the same kind.
// Empty it holds all zeros.
#pragma once

#include <cstring>

namespace kmd {

template <class Point, int N>
class CurveClipboard {
public:
    void Copy(const Point *curve) { std::memcpy(points_, curve, sizeof points_); }
    void Insert(Point *curve) const { std::memcpy(curve, points_, sizeof points_); }

private:
    Point points_[N] = {};
};

} // namespace kmd
