// The segment table: slots, net numbers, searches, splitting and turning.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

#include "MemorySurface.h"
#include "Wire.h"

namespace {

CPOINT P(int x, int y) { return CPOINT{x, y}; }
SEGMENT S(int ax, int ay, int bx, int by, int net = 0) { return SEGMENT{{ax, ay}, {bx, by}, net}; }

struct Seg {
    int slot;
    SEGMENT s;
    bool operator==(const Seg &o) const {
        return slot == o.slot && s.a == o.s.a && s.b == o.s.b && s.net == o.s.net;
    }
    friend std::ostream &operator<<(std::ostream &os, const Seg &g) {
        return os << "[" << g.slot << ": " << g.s.a.x << "," << g.s.a.y << "-" << g.s.b.x << "," << g.s.b.y
                  << " net " << g.s.net << "]";
    }
};

std::vector<Seg> InUse(const WIRES &w) {
    std::vector<Seg> out;
    for (int i = 1; i < WIRES::kSlots; ++i)
        if (w.Slot(i)->InUse()) out.push_back(Seg{i, *w.Slot(i)});
    return out;
}

// Fills every slot with segments of nets 1..1023.
void Fill(WIRES &w) {
    for (int i = 1; i < WIRES::kSlots; ++i) ASSERT_EQ(w.AddSegment(S(0, i * 8, 16, i * 8)), i);
}

bool FreeAndClean(const WIRES &w, int slot) {
    const SEGMENT *s = w.Slot(slot);
    return s->net == 0 && s->a == P(0, 0) && s->b == P(0, 0);
}

TEST(Wires, NetsAreGivenLowestFirstAndReused) {
    WIRES w;
    EXPECT_EQ(w.NewNet(), 1);
    EXPECT_EQ(w.AddSegment(S(0, 0, 8, 0, 1)), 1);
    EXPECT_EQ(w.AddSegment(S(0, 8, 8, 8, 2)), 2);
    EXPECT_EQ(w.AddSegment(S(0, 16, 8, 16, 4)), 4);
    EXPECT_EQ(w.NewNet(), 3);
    EXPECT_EQ(w.AddSegment(S(0, 24, 8, 24)), 3);
    EXPECT_EQ(w.last, 4);
    EXPECT_EQ(w.CountSegments(), 4);
    EXPECT_EQ(w.CountNets(), 4);

    EXPECT_TRUE(w.DeleteSegment(2));
    EXPECT_TRUE(FreeAndClean(w, 2));
    EXPECT_EQ(w.FreeSlot(), 2);
    EXPECT_EQ(w.NewNet(), 2);
    EXPECT_EQ(w.AddSegment(S(0, 32, 8, 32, 4)), 4); // reuses slot 2
    EXPECT_EQ(w.last, 2);
    EXPECT_EQ(w.CountNets(), 3);
}

TEST(Wires, AddSegmentRefusesWithoutChangingAnything) {
    WIRES w;
    // Length 0, and nets outside the value array.
    for (const SEGMENT &bad : {S(8, 8, 8, 8), S(8, 8, 8, 8, 3), S(0, 0, 8, 0, 1024), S(0, 0, 8, 0, -2)}) {
        EXPECT_EQ(w.AddSegment(bad), 0);
        EXPECT_EQ(w.CountSegments(), 0);
        EXPECT_TRUE(FreeAndClean(w, 1));
    }
    Fill(w);
    EXPECT_EQ(w.FreeSlot(), 0);
    EXPECT_EQ(w.NewNet(), 0);
    const std::vector<Seg> before = InUse(w);
    EXPECT_EQ(w.AddSegment(S(0, 0, 16, 0)), 0);
    EXPECT_EQ(w.AddSegment(S(0, 0, 16, 0, 7)), 0);
    EXPECT_EQ(InUse(w), before);
}

TEST(Wires, DeletingChecksSlotAndNet) {
    WIRES w;
    w.AddSegment(S(0, 0, 8, 0, 5));
    w.AddSegment(S(0, 8, 8, 8, 6));
    w.AddSegment(S(8, 0, 8, 8, 5));
    for (int bad : {0, -1, 1024}) EXPECT_FALSE(w.DeleteSegment(bad)) << bad;
    EXPECT_FALSE(w.DeleteNet(0));
    EXPECT_EQ(w.CountSegments(), 3);
    EXPECT_TRUE(w.DeleteNet(5));
    EXPECT_EQ(InUse(w), (std::vector<Seg>{{2, S(0, 8, 8, 8, 6)}}));
    EXPECT_TRUE(w.DeleteNet(9)); // no segment: nothing to do
}

TEST(Wires, FindOnNearEndAndInside) {
    WIRES w;
    w.AddSegment(S(8, 16, 40, 16, 1));  // 1
    w.AddSegment(S(24, 8, 24, 40, 2));  // 2 crosses 1 at (24, 16)
    w.AddSegment(S(40, 16, 64, 40, 1)); // 3 slanted, ends at 1's end
    w.AddSegment(S(40, 16, 40, 40, 1)); // 4, starts at (40, 16) too

    EXPECT_EQ(w.FindOn(P(24, 16)), 1);
    EXPECT_EQ(w.FindOn(P(24, 30)), 2);
    EXPECT_EQ(w.FindOn(P(50, 26)), 3); // on the diagonal
    EXPECT_EQ(w.FindOn(P(50, 27)), 0);
    EXPECT_EQ(w.FindNear(P(24, 17)), 2); // distance 0 to the vertical segment beats 1
    EXPECT_EQ(w.FindNear(P(16, 17)), 1); // distance 1
    EXPECT_EQ(w.FindNear(P(16, 15)), 1);
    EXPECT_EQ(w.FindNear(P(16, 18)), 0); // outside every box
    EXPECT_EQ(w.FindNear(P(25, 41)), 2); // beyond the end, still inside the box
    EXPECT_EQ(w.FindInside(P(24, 16), 1), 1);
    EXPECT_EQ(w.FindInside(P(24, 16), 2), 2);
    EXPECT_EQ(w.FindInside(P(40, 16), 1), 0); // an end of every segment there
    EXPECT_EQ(w.FindInside(P(8, 16), 1), 0);

    // End b at the point: the ends are exchanged so that a is there.
    EXPECT_EQ(w.FindEndAt(P(40, 16), 0), 1);
    EXPECT_EQ(w.Slot(1)->a, P(40, 16));
    EXPECT_EQ(w.Slot(1)->b, P(8, 16));
    EXPECT_EQ(w.FindEndAt(P(40, 16), 2), 3);
    EXPECT_EQ(w.FindEndAt(P(40, 16), 4), 4);
    EXPECT_EQ(w.FindEndAt(P(40, 16), 5), 0);
}

TEST(Wires, FindNearTakesTheSmallestDistanceBelow65) {
    WIRES w;
    w.AddSegment(S(8, 8, 72, 72, 1)); // the box reaches far from the diagonal
    EXPECT_EQ(w.FindNear(P(16, 17)), 1);
    EXPECT_EQ(w.FindNear(P(8, 16)), 1);  // distance 32
    EXPECT_EQ(w.FindNear(P(8, 20)), 0);  // nearest pixel (14, 14): 72
    EXPECT_EQ(w.FindNear(P(40, 72)), 0); // far from the diagonal, inside the box
    w.AddSegment(S(8, 72, 8, 8, 2));
    EXPECT_EQ(w.FindNear(P(8, 16)), 2);  // on the vertical one

    WIRES tie;
    tie.AddSegment(S(8, 18, 40, 18, 1));
    tie.AddSegment(S(8, 16, 40, 16, 2));
    EXPECT_EQ(tie.FindNear(P(24, 17)), 1); // equal distances: the lowest slot
}

TEST(Wires, SplitAtIfOnSplitsOnlyAtContainedPoints) {
    WIRES w;
    w.AddSegment(S(8, 16, 40, 16, 3));
    EXPECT_FALSE(w.SplitAtIfOn(1, P(24, 17)));
    EXPECT_FALSE(w.SplitAtIfOn(1, P(8, 16)));  // an end: nothing to split
    EXPECT_FALSE(w.SplitAtIfOn(1, P(10, 16))); // snaps onto an end
    EXPECT_FALSE(w.SplitAtIfOn(2, P(24, 16))); // free slot
    EXPECT_TRUE(w.SplitAtIfOn(1, P(23, 16)));  // snapped to 24
    EXPECT_EQ(InUse(w), (std::vector<Seg>{{1, S(8, 16, 24, 16, 3)}, {2, S(24, 16, 40, 16, 3)}}));
}

TEST(Wires, SplitAtBendsAndKeepsTheSegmentWholeWhenItCannot) {
    WIRES w;
    w.AddSegment(S(8, 16, 40, 16, 3));
    EXPECT_TRUE(w.SplitAt(1, P(21, 35)));
    EXPECT_EQ(InUse(w), (std::vector<Seg>{{1, S(8, 16, 24, 32, 3)}, {2, S(24, 32, 40, 16, 3)}}));

    WIRES full;
    Fill(full);
    const std::vector<Seg> before = InUse(full);
    EXPECT_FALSE(full.SplitAt(5, P(4, 48)));
    EXPECT_FALSE(full.SplitAtIfOn(5, P(8, 40)));
    EXPECT_EQ(InUse(full), before); // nothing of the segment is lost
}

TEST(Wires, TurnMakesHorizontalVerticalHorizontal) {
    struct Case {
        SEGMENT s;
        std::vector<Seg> after;
    } cases[] = {
        // m = 20, snapped up to 24.
        {S(0, 0, 40, 24, 2), {{1, S(0, 0, 24, 0, 2)}, {2, S(24, 0, 24, 24, 2)}, {3, S(24, 24, 40, 24, 2)}}},
        // From right to left: m = 40 - 12 = 28, snapped to 32.
        {S(40, 48, 16, 8, 2), {{1, S(40, 48, 32, 48, 2)}, {2, S(32, 48, 32, 8, 2)}, {3, S(32, 8, 16, 8, 2)}}},
        // An extent below 16: unchanged.
        {S(0, 0, 40, 8, 2), {{1, S(0, 0, 40, 8, 2)}}},
        {S(0, 0, 8, 40, 2), {{1, S(0, 0, 8, 40, 2)}}},
        // Ends off the grid: the corners still are on it.
        {S(4, 0, 23, 40, 2), {{1, S(4, 0, 16, 0, 2)}, {2, S(16, 0, 16, 40, 2)}, {3, S(16, 40, 23, 40, 2)}}},
    };
    for (const Case &c : cases) {
        WIRES w;
        ASSERT_EQ(w.AddSegment(c.s), 2);
        EXPECT_TRUE(w.Turn(1));
        EXPECT_EQ(InUse(w), c.after) << c.s.a.x << "," << c.s.a.y << "-" << c.s.b.x << "," << c.s.b.y;
    }
}

TEST(Wires, TurnRefusals) {
    WIRES w;
    EXPECT_FALSE(w.Turn(1));    // free slot
    EXPECT_FALSE(w.Turn(2000)); // outside the table
    WIRES full;
    Fill(full);
    ASSERT_TRUE(full.DeleteSegment(9));
    ASSERT_TRUE(full.DeleteSegment(10));
    ASSERT_EQ(full.AddSegment(S(0, 0, 40, 24, 9)), 9);
    // Two more slots are needed but only one is free: the wire stays whole.
    const std::vector<Seg> before = InUse(full);
    EXPECT_FALSE(full.Turn(9));
    EXPECT_EQ(InUse(full), before);
}

TEST(Wires, RenumberCountAndClear) {
    WIRES w;
    w.AddSegment(S(0, 0, 8, 0, 3));
    w.AddSegment(S(0, 8, 8, 8, 5));
    w.AddSegment(S(8, 0, 8, 8, 3));
    w.RenumberSegments(3, 5);
    EXPECT_EQ(w.CountNets(), 1);
    EXPECT_EQ(w.Slot(3)->net, 5);
    // Net 0 is the mark of free slots: renumbering from or to it does nothing.
    w.RenumberSegments(0, 7);
    w.RenumberSegments(5, 0);
    w.RenumberSegments(5, 1024);
    EXPECT_EQ(w.CountSegments(), 3);
    EXPECT_EQ(w.CountNets(), 1);

    w.ClearAll();
    EXPECT_EQ(w.CountSegments(), 0);
    EXPECT_EQ(w.last, 0);
    for (int i = 0; i < WIRES::kSlots; ++i) ASSERT_TRUE(FreeAndClean(w, i)) << i;
    EXPECT_EQ(w.Slot(-1), nullptr);
    EXPECT_EQ(w.Slot(1024), nullptr);
}

TEST(Wires, DrawingFollowsTheTable) {
    kmr::MemorySurface s(64, 64, 0x808080);
    WIRES w;
    w.SetSurface(&s);
    w.AddSegment(S(8, 8, 40, 8, 1));
    w.AddSegment(S(8, 16, 8, 40, 2));
    EXPECT_EQ(s.Pixel(20, 8), kmr::kBlack);
    w.DrawNet(2, kmr::kRed);
    EXPECT_EQ(s.Pixel(8, 30), kmr::kRed);
    EXPECT_EQ(s.Pixel(20, 8), kmr::kBlack);
    w.DrawAllSegments();
    EXPECT_EQ(s.Pixel(8, 30), kmr::kBlack);
    w.DeleteSegment(1);
    EXPECT_EQ(s.Pixel(20, 8), 0x808080u);
    w.ClearAll();
    for (uint32_t px : s.Pixels()) ASSERT_EQ(px, 0x808080u);
}

} // namespace
