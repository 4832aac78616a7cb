#include "Wire.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdlib>
#include <limits>

#include "Rubline.h"

namespace {

int32_t clamp32(int64_t v) {
    return (int32_t)std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}

int64_t square(int64_t v) { return v * v; }

// Squared distance from `p` to the nearest point of column x, rows lo..hi.
int64_t columnDistance(const CPOINT &p, int64_t x, int64_t lo, int64_t hi) {
    if (lo > hi) std::swap(lo, hi);
    const int64_t y = std::clamp<int64_t>(p.y, lo, hi);
    return square(x - p.x) + square(y - p.y);
}

} // namespace

bool SEGMENT::Contains(const CPOINT &p) const {
    if (a.y == b.y) return p.y == a.y && p.x >= std::min(a.x, b.x) && p.x <= std::max(a.x, b.x);
    if (a.x == b.x) return p.x == a.x && p.y >= std::min(a.y, b.y) && p.y <= std::max(a.y, b.y);
    if (p == a || p == b) return true;
    const int64_t dx = (int64_t)b.x - a.x, dy = (int64_t)b.y - a.y;
    if (std::llabs(dx) != std::llabs(dy)) return false;
    // Steps along the diagonal from a: equal in both directions, 0..|dx|.
    const int64_t tx = ((int64_t)p.x - a.x) * (dx > 0 ? 1 : -1);
    const int64_t ty = ((int64_t)p.y - a.y) * (dy > 0 ? 1 : -1);
    return tx == ty && tx >= 0 && tx <= std::llabs(dx);
}

CRECT SEGMENT::Bounds() const {
    if (a == b) return CRECT(CPOINT{0, 0}, CPOINT{0, 0});
    const int64_t left = (int64_t)std::min(a.x, b.x) - 1, top = (int64_t)std::min(a.y, b.y) - 1;
    const int64_t right = (int64_t)std::max(a.x, b.x) + 1, bottom = (int64_t)std::max(a.y, b.y) + 1;
    return CRECT(CPOINT{clamp32(left), clamp32(top)}, CPOINT{clamp32(right - left), clamp32(bottom - top)});
}

int SEGMENT::Distance(const CPOINT &p) const {
    if (a.x == b.x) {
        const int64_t d = columnDistance(p, a.x, a.y, b.y);
        return (int)std::min<int64_t>(d, std::numeric_limits<int>::max());
    }
    const kmr::LineRaster raster(a.x, a.y, b.x, b.y);
    int64_t best = kFarDistance;
    // Columns farther than this from the point cannot beat the start value,
    // so only the columns near the point are walked. Each column's pixels
    // depend only on the row of the column before, so skipping is exact.
    constexpr int64_t kReach = 1132; // 1132 * 1132 > kFarDistance
    const int64_t first = std::max<int64_t>(raster.X1(), (int64_t)p.x - kReach);
    const int64_t lastColumn = std::min<int64_t>(raster.X2(), (int64_t)p.x + kReach);
    for (int64_t x = first; x <= lastColumn; ++x) {
        const int64_t current = x == raster.X1() ? raster.Y1() : raster.RowAt((int32_t)(x - 1));
        const kmr::LineRaster::Run r = raster.ColumnRun((int32_t)x, current);
        best = std::min(best, columnDistance(p, x, r.from, r.to));
    }
    return (int)best;
}

void SEGMENT::DrawSegment(kmr::Surface *surface, uint32_t colour) const {
    if (!surface) return;
    surface->Line(a.x, a.y, b.x, b.y, colour);
    surface->SetPixel(a.x, a.y, colour);
}

void SEGMENT::EraseSegment(kmr::Surface *surface) const {
    if (surface) DrawSegment(surface, surface->Background());
}

WIRES::WIRES() {
    for (SEGMENT &s : segments_) s = SEGMENT{{0, 0}, {0, 0}, 0};
}

void WIRES::ClearAll() {
    for (int i = 1; i < kSlots; ++i) {
        SEGMENT &s = segments_[i];
        if (s.InUse() && Present(s.a) && Present(s.b)) s.EraseSegment(surface_);
        s = SEGMENT{{0, 0}, {0, 0}, 0};
    }
    last = 0;
}

void WIRES::DrawAllSegments() {
    for (int i = 1; i < kSlots; ++i)
        if (segments_[i].InUse()) segments_[i].DrawSegment(surface_, kmr::kBlack);
}

void WIRES::DrawNet(int net, uint32_t colour) {
    if (net == 0) return;
    for (int i = 1; i < kSlots; ++i)
        if (segments_[i].net == net) segments_[i].DrawSegment(surface_, colour);
}

int WIRES::FreeSlot() const {
    for (int i = 1; i < kSlots; ++i)
        if (!segments_[i].InUse()) return i;
    return 0;
}

int WIRES::freeSlots(int wanted) const {
    int n = 0;
    for (int i = 1; i < kSlots && n < wanted; ++i)
        if (!segments_[i].InUse()) ++n;
    return n;
}

int WIRES::NewNet() const {
    std::bitset<kSlots> used;
    for (int i = 1; i < kSlots; ++i) {
        const int net = segments_[i].net;
        if (net >= 1 && net <= kMaxNet) used.set((size_t)net);
    }
    for (int net = 1; net <= kMaxNet; ++net)
        if (!used.test((size_t)net)) return net;
    return 0;
}

void WIRES::place(int slot, const SEGMENT &s) {
    segments_[slot] = s;
    segments_[slot].DrawSegment(surface_, kmr::kBlack);
    last = slot;
}

int WIRES::AddSegment(const SEGMENT &s) {
    if (s.a == s.b) return 0;
    if (s.net < 0 || s.net > kMaxNet) return 0;
    const int slot = FreeSlot();
    if (slot == 0) return 0;
    SEGMENT copy = s;
    if (copy.net == 0) {
        copy.net = NewNet();
        if (copy.net == 0) return 0; // the slot stays free and clean
    }
    place(slot, copy);
    return copy.net;
}

bool WIRES::DeleteSegment(int slot) {
    if (slot < 1 || slot >= kSlots) return false;
    SEGMENT &s = segments_[slot];
    if (s.InUse()) s.EraseSegment(surface_);
    s = SEGMENT{{0, 0}, {0, 0}, 0};
    return true;
}

bool WIRES::DeleteNet(int net) {
    if (net == 0) return false;
    for (int i = 1; i < kSlots; ++i)
        if (segments_[i].net == net) DeleteSegment(i);
    return true;
}

int WIRES::FindOn(const CPOINT &p) const {
    for (int i = 1; i < kSlots; ++i)
        if (segments_[i].InUse() && segments_[i].Contains(p)) return i;
    return 0;
}

int WIRES::FindNear(const CPOINT &p) const {
    int found = 0, best = kNearLimit;
    for (int i = 1; i < kSlots; ++i) {
        const SEGMENT &s = segments_[i];
        if (!s.InUse() || !s.Near(p)) continue;
        const int d = s.Distance(p);
        if (d < best) {
            best = d;
            found = i;
        }
    }
    return found;
}

int WIRES::FindEndAt(const CPOINT &p, int first) {
    for (int i = std::max(first, 1); i < kSlots; ++i) {
        SEGMENT &s = segments_[i];
        if (!s.InUse()) continue;
        if (s.a == p) return i;
        if (s.b == p) {
            std::swap(s.a, s.b);
            return i;
        }
    }
    return 0;
}

int WIRES::FindInside(const CPOINT &p, int first) const {
    for (int i = std::max(first, 1); i < kSlots; ++i) {
        const SEGMENT &s = segments_[i];
        if (s.InUse() && s.Contains(p) && p != s.a && p != s.b) return i;
    }
    return 0;
}

bool WIRES::SplitAtIfOn(int slot, const CPOINT &p) {
    if (!inUse(slot) || !segments_[slot].Contains(p)) return false;
    return SplitAt(slot, p);
}

bool WIRES::SplitAt(int slot, const CPOINT &p) {
    if (!inUse(slot)) return false;
    SEGMENT &s = segments_[slot];
    const CPOINT q = Snap8(p);
    // A split at an end would leave a piece of length 0; without a free slot
    // the second piece would be lost. Either way the segment stays whole.
    if (q == s.a || q == s.b || s.net > kMaxNet || FreeSlot() == 0) return false;
    const SEGMENT tail{q, s.b, s.net};
    s.EraseSegment(surface_);
    s.b = q;
    s.DrawSegment(surface_, kmr::kBlack);
    return AddSegment(tail) != 0;
}

bool WIRES::Turn(int slot) {
    if (!inUse(slot)) return false;
    SEGMENT &s = segments_[slot];
    if (!Present(s.a) || !Present(s.b) || s.net > kMaxNet || s.net < 0) return false;
    if (std::llabs((int64_t)s.b.x - s.a.x) < 16 || std::llabs((int64_t)s.b.y - s.a.y) < 16) return true;
    const int32_t middle = clamp32((int64_t)s.a.x + ((int64_t)s.b.x - s.a.x) / 2);
    const int32_t m = Snap8(CPOINT{middle, s.a.y}).x;
    // The corners lie at least 4 pixels from either end (both extents are
    // 16 or more and snapping moves a coordinate by at most 4), so all three
    // pieces have a length.
    const CPOINT c1{m, s.a.y}, c2{m, s.b.y};
    if (freeSlots(2) < 2) return false;
    const SEGMENT vertical{c1, c2, s.net}, tail{c2, s.b, s.net};
    s.EraseSegment(surface_);
    s.b = c1;
    s.DrawSegment(surface_, kmr::kBlack);
    AddSegment(vertical);
    AddSegment(tail);
    return true;
}

void WIRES::RenumberSegments(int oldNet, int newNet) {
    if (oldNet == 0 || newNet <= 0 || newNet > kMaxNet) return;
    for (int i = 1; i < kSlots; ++i)
        if (segments_[i].net == oldNet) segments_[i].net = newNet;
}

int WIRES::CountSegments() const {
    int n = 0;
    for (int i = 1; i < kSlots; ++i)
        if (segments_[i].InUse()) ++n;
    return n;
}

int WIRES::CountNets() const {
    std::array<int32_t, kSlots> nets;
    int n = 0;
    for (int i = 1; i < kSlots; ++i)
        if (segments_[i].InUse()) nets[(size_t)n++] = segments_[i].net;
    std::sort(nets.begin(), nets.begin() + n);
    return (int)(std::unique(nets.begin(), nets.begin() + n) - nets.begin());
}

const SEGMENT *WIRES::Slot(int slot) const {
    return slot >= 0 && slot < kSlots ? &segments_[slot] : nullptr;
}

bool WIRES::SetEnd(int slot, int end, const CPOINT &p) {
    if (!inUse(slot) || (end != 0 && end != 1)) return false;
    (end == 0 ? segments_[slot].a : segments_[slot].b) = p;
    return true;
}
