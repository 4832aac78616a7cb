// Wire segments and the segment table of the schematic. A wire is drawn as
// straight segments between grid points; segments that belong together carry
// one net number, which is also the index of the net's value during a
// calculation.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Cpoint.h"
#include "Crect.h"
#include "Kmd.h"
#include "Surface.h"

#pragma pack(push, 4)

// One straight segment from end a to end b. These 20 bytes are also the
// segment's record in project files. Net 0 marks a free slot, whose ends
// are (0, 0).
struct SEGMENT {
    CPOINT a;    // first end
    CPOINT b;    // second end
    int32_t net; // 1..1023; 0 for a free slot

    void SetFirst(const CPOINT &p) { a = p; }
    void SetSecond(const CPOINT &p) { b = p; }
    bool InUse() const { return net != 0; }

    // Horizontal (including length 0) and vertical segments contain every
    // point between their ends; a slanted one contains its ends and, at
    // exactly 45 degrees, the pixels of its diagonal.
    bool Contains(const CPOINT &p) const;
    // The box of the ends grown by one pixel on each side; (0, 0) and (0, 0)
    // for a segment whose ends coincide.
    CRECT Bounds() const;
    // The point lies within Bounds.
    bool Near(const CPOINT &p) const { return Bounds().Contains(p); }
    // Squared distance from the point to the segment: exact for a vertical
    // segment, otherwise to the nearest pixel of its raster, at most 1280000.
    int Distance(const CPOINT &p) const;
    // A one-pixel line from a to b in the colour, and the pixel at a.
    void DrawSegment(kmr::Surface *surface, uint32_t colour) const;
    // DrawSegment in the surface's background colour.
    void EraseSegment(kmr::Surface *surface) const;
};

#pragma pack(pop)

static_assert(sizeof(SEGMENT) == 20);
static_assert(offsetof(SEGMENT, a) == 0);
static_assert(offsetof(SEGMENT, b) == 8);
static_assert(offsetof(SEGMENT, net) == 16);

// The upper limit of Distance.
inline constexpr int kFarDistance = 1280000;

// The segment table: slots 1..1023 (slot 0 is never used, since 0 means
// "none"). Net numbers are 1..1023 and are given out lowest first.
class WIRES {
public:
    static constexpr int kSlots = 1024;   // slot 0 included
    static constexpr int kMaxNet = 1023;  // highest net number
    static constexpr int kNearLimit = 65; // FindNear takes distances below it

    WIRES();

    // The surface segments are drawn on; without one nothing is drawn.
    void SetSurface(kmr::Surface *s) { surface_ = s; }
    kmr::Surface *GetSurface() const { return surface_; }

    // Frees every slot (erasing its segment from the surface) and forgets `last`.
    void ClearAll();
    void DrawAllSegments();
    void DrawNet(int net, uint32_t colour);

    // The lowest free slot, 0 when the table is full.
    int FreeSlot() const;
    // The lowest net number no segment carries, 0 when all are taken.
    int NewNet() const;
    // Adds a copy of `s` in the lowest free slot and draws it in black. A
    // segment with net 0 gets NewNet. Answers the segment's net, or 0 (nothing
    // added) for coinciding ends, a full table, no free net number or a net
    // outside 0..1023.
    int AddSegment(const SEGMENT &s);
    // Frees the slot and erases its segment. False for a slot outside 1..1023.
    bool DeleteSegment(int slot);
    // Deletes every segment of the net. False for net 0.
    bool DeleteNet(int net);

    // The lowest segment containing the point, 0 when none does.
    int FindOn(const CPOINT &p) const;
    // Among segments Near the point, the one at the smallest Distance below
    // 65 (the lowest slot on ties); 0 when none.
    int FindNear(const CPOINT &p) const;
    // From slot `first` upwards, the first segment with an end exactly at the
    // point; when that is end b, the ends are exchanged so end a is there.
    int FindEndAt(const CPOINT &p, int first);
    // From slot `first` upwards, the first segment containing the point while
    // the point is neither of its ends.
    int FindInside(const CPOINT &p, int first) const;

    // Splits the segment at the point snapped to the 8-grid: it runs from a to
    // the point and a new segment of the same net from the point to the old b.
    // False, changing nothing, when the segment does not contain the point,
    // the snapped point is one of its ends, or no slot is free.
    bool SplitAtIfOn(int slot, const CPOINT &p);
    // As SplitAtIfOn for any point (this bends the segment into two); the
    // segment is redrawn in its new shape.
    bool SplitAt(int slot, const CPOINT &p);
    // Makes a slanted segment horizontal, vertical, horizontal, bending at
    // the middle column snapped to the 8-grid; all pieces keep the net. True
    // and no change when either extent is below 16. False for a free slot, an
    // absent end, or too few free slots (then nothing changes).
    bool Turn(int slot);

    // Every segment of `oldNet` gets `newNet`. Nothing when either is 0 or
    // `newNet` is above 1023.
    void RenumberSegments(int oldNet, int newNet);
    int CountSegments() const;
    // Number of distinct nets that segments carry.
    int CountNets() const;

    // Read access to slot 0..1023 (null outside), for the project file writer
    // and the debug dump. Slot 0 is always free.
    const SEGMENT *Slot(int slot) const;
    // Moves one end of a segment in use to `p`, redrawing nothing; `end` 0 is
    // a, 1 is b. False for a free or invalid slot.
    bool SetEnd(int slot, int end, const CPOINT &p);

    // The slot of the segment added last, 0 when none.
    int last = 0;

private:
    bool inUse(int slot) const { return slot >= 1 && slot < kSlots && segments_[slot].net != 0; }
    // Puts `s` into the free slot and draws it.
    void place(int slot, const SEGMENT &s);
    int freeSlots(int wanted) const;

    SEGMENT segments_[kSlots];
    kmr::Surface *surface_ = nullptr;
};
