// The wiring operations against a scheme of stand-in instances: a generator
// (output at loc + (32, 16)), a recorder (input at loc + (0, 16)) and a
// filter with both. Instances cover loc .. loc + (31, 31).
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "MemorySurface.h"
#include "Module.h"
#include "Netedit.h"
#include "Wire.h"

namespace {

using kmr::LayOutcome;

CPOINT P(int x, int y) { return CPOINT{x, y}; }
SEGMENT S(int ax, int ay, int bx, int by, int net = 0) { return SEGMENT{{ax, ay}, {bx, by}, net}; }

// A segment without regard to the direction of its ends.
struct Seg {
    CPOINT a, b;
    int net;
    bool operator==(const Seg &o) const {
        return net == o.net && ((a == o.a && b == o.b) || (a == o.b && b == o.a));
    }
    bool operator<(const Seg &o) const {
        auto key = [](const Seg &s) {
            CPOINT lo = s.a, hi = s.b;
            if (std::tie(hi.x, hi.y) < std::tie(lo.x, lo.y)) std::swap(lo, hi);
            return std::tuple(s.net, lo.x, lo.y, hi.x, hi.y);
        };
        return key(*this) < key(o);
    }
    friend std::ostream &operator<<(std::ostream &os, const Seg &s) {
        return os << "[" << s.a.x << "," << s.a.y << "-" << s.b.x << "," << s.b.y << " net " << s.net << "]";
    }
};
Seg G(int ax, int ay, int bx, int by, int net) { return Seg{{ax, ay}, {bx, by}, net}; }

std::vector<Seg> Segments(const WIRES &w) {
    std::vector<Seg> out;
    for (int i = 1; i < WIRES::kSlots; ++i)
        if (w.Slot(i)->InUse()) out.push_back(Seg{w.Slot(i)->a, w.Slot(i)->b, w.Slot(i)->net});
    std::sort(out.begin(), out.end());
    return out;
}
std::vector<Seg> Sorted(std::vector<Seg> v) {
    std::sort(v.begin(), v.end());
    return v;
}

class NetRules : public ::testing::Test {
protected:
    enum { kGen, kRec, kFilter };

    void SetUp() override {
        params.Val = values;
        types.SetFolder(KMR_TEST_PLUGIN_DIR);
        ASSERT_TRUE(types.LoadType("WireStub_gen.kmd"));
        ASSERT_TRUE(types.LoadType("WireStub_rec.kmd"));
        ASSERT_TRUE(types.LoadType("WireStub_filter.kmd"));
        wires.SetSurface(&surface);
    }

    int Place(int type, int x, int y) {
        const int slot = modules.AddInstance(types.GetType(type), type);
        if (slot) modules.Get(slot)->loc = P(x, y);
        return slot;
    }
    MODULE &M(int slot) { return *modules.Get(slot); }
    bool AnyPixel(uint32_t colour) const {
        const auto &px = surface.Pixels();
        return std::find(px.begin(), px.end(), colour) != px.end();
    }

    double values[kNetCount] = {};
    PARAMS params{};
    AVMODULES types{&params};
    MODULES modules{types};
    kmr::MemorySurface surface{320, 320, 0xC0C0C0};
    WIRES wires;
};

TEST_F(NetRules, WireFromOutputToInputConnectsBothPins) {
    const int gen = Place(kGen, 16, 16), rec = Place(kRec, 112, 16);
    const kmr::LayResult r = kmr::LayWire(wires, modules, P(48, 32), P(112, 32));
    EXPECT_EQ(r.outcome, LayOutcome::Laid);
    EXPECT_EQ(r.net, 1);
    EXPECT_EQ(r.endInstance, rec);
    EXPECT_EQ(Segments(wires), (std::vector<Seg>{G(48, 32, 112, 32, 1)}));
    EXPECT_EQ(M(gen).wireout, 1);
    EXPECT_EQ(M(rec).wirein[0], 1);
    EXPECT_EQ(surface.Pixel(80, 32), kmr::kBlack);
}

TEST_F(NetRules, WireEndResolution) {
    Place(kGen, 16, 16);
    Place(kRec, 112, 16); // input at (112, 32)
    struct Case {
        CPOINT release;
        bool areaAllows;
        LayOutcome outcome;
        CPOINT to;
    } cases[] = {
        {{116, 36}, true, LayOutcome::Laid, {112, 32}},      // 5 pixels beside the pin, on its instance
        {{132, 20}, true, LayOutcome::NoPinNear, {-1, -1}},  // on the instance, 20 pixels from the pin
        {{83, 60}, true, LayOutcome::Laid, {80, 64}},        // free: snapped
        {{48, 32}, true, LayOutcome::Unmoved, {-1, -1}},     // never left the start
        {{50, 33}, true, LayOutcome::NotAdded, {48, 32}},    // snaps back onto the start
        {{83, 60}, false, LayOutcome::OutsideArea, {80, 64}},
    };
    for (const Case &c : cases) {
        wires.ClearAll();
        kmr::LayOptions options;
        options.canPutPoint = [&](CPOINT) { return c.areaAllows; };
        const kmr::LayResult r = kmr::LayWire(wires, modules, P(48, 32), c.release, options);
        EXPECT_EQ(r.outcome, c.outcome) << c.release.x << "," << c.release.y;
        EXPECT_EQ(r.to, c.to) << c.release.x << "," << c.release.y;
        EXPECT_EQ(wires.CountSegments(), r.Laid() ? 1 : 0);
        EXPECT_EQ(r.Attempted(), c.outcome != LayOutcome::Unmoved);
    }
}

TEST_F(NetRules, FreeWireGetsTheLowestUnusedNet) {
    wires.AddSegment(S(200, 8, 240, 8, 1));
    wires.AddSegment(S(200, 16, 240, 16, 3));
    const kmr::LayResult r = kmr::LayWire(wires, modules, P(200, 200), P(240, 200));
    EXPECT_TRUE(r.Laid());
    EXPECT_EQ(r.net, 2);
    EXPECT_FALSE(r.joined);
}

// Net 3: the generator's output and two segments. Net 5: two segments and
// the filter's input. A wire from the middle of one to the middle of the
// other asks to join.
TEST_F(NetRules, WireBetweenTwoNetsAsksAndJoinsIntoTheOther) {
    for (int answer = 0; answer < 3; ++answer) { // yes, no, nobody to ask
        SCOPED_TRACE(answer);
        modules.ClearAll();
        wires.ClearAll();
        surface.Clear();
        const int gen = Place(kGen, 16, 16), filter = Place(kFilter, 240, 16);
        wires.AddSegment(S(48, 32, 80, 32, 3));
        wires.AddSegment(S(80, 32, 80, 64, 3));
        wires.AddSegment(S(160, 80, 224, 80, 5));
        wires.AddSegment(S(224, 80, 224, 32, 5));
        wires.AddSegment(S(224, 32, 240, 32, 5));
        M(gen).wireout = 3;
        M(filter).wirein[0] = 5;
        const std::vector<Seg> before = Segments(wires);

        int asked = 0;
        kmr::LayOptions options;
        if (answer < 2)
            options.askJoin = [&](const kmr::JoinQuestion &q) {
                ++asked;
                EXPECT_EQ(q.startNet, 3);
                EXPECT_EQ(q.otherNet, 5);
                EXPECT_EQ(q.wire.a, P(80, 48));
                EXPECT_EQ(q.wire.b, P(192, 80));
                // While asking, the other net is red and the new wire green.
                EXPECT_EQ(surface.Pixel(170, 80), kmr::kRed);
                EXPECT_TRUE(AnyPixel(kmr::kGreen));
                return answer == 0;
            };
        const kmr::LayResult r = kmr::LayWire(wires, modules, P(80, 48), P(193, 81), options);
        EXPECT_EQ(asked, answer < 2 ? 1 : 0);
        EXPECT_FALSE(AnyPixel(kmr::kRed));
        EXPECT_FALSE(AnyPixel(kmr::kGreen));
        if (answer == 0) {
            EXPECT_EQ(r.outcome, LayOutcome::Laid);
            EXPECT_EQ(r.net, 5);
            EXPECT_TRUE(r.joined);
            EXPECT_EQ(M(gen).wireout, 5);
            EXPECT_EQ(M(filter).wirein[0], 5);
            // Both ends became junctions: the segments through them were split.
            EXPECT_EQ(Segments(wires), Sorted({G(48, 32, 80, 32, 5), G(80, 32, 80, 48, 5), G(80, 48, 80, 64, 5),
                                               G(160, 80, 192, 80, 5), G(192, 80, 224, 80, 5),
                                               G(224, 80, 224, 32, 5), G(224, 32, 240, 32, 5),
                                               G(80, 48, 192, 80, 5)}));
        } else {
            EXPECT_EQ(r.outcome, LayOutcome::JoinDeclined);
            EXPECT_EQ(Segments(wires), before);
            EXPECT_EQ(M(gen).wireout, 3);
            EXPECT_EQ(M(filter).wirein[0], 5);
        }
    }
}

TEST_F(NetRules, WireFromPinToMiddleOfSameNetSegmentSplitsIt) {
    const int gen = Place(kGen, 16, 16);
    M(gen).wireout = 1;
    wires.AddSegment(S(48, 32, 80, 32, 1));
    wires.AddSegment(S(80, 32, 80, 96, 1));
    wires.AddSegment(S(64, 96, 128, 96, 1));
    kmr::LayOptions options;
    options.askJoin = [](const kmr::JoinQuestion &) {
        ADD_FAILURE() << "one net: nothing to ask";
        return false;
    };
    const kmr::LayResult r = kmr::LayWire(wires, modules, P(48, 32), P(104, 96), options);
    EXPECT_TRUE(r.Laid());
    EXPECT_EQ(r.net, 1);
    EXPECT_EQ(Segments(wires), Sorted({G(48, 32, 80, 32, 1), G(80, 32, 80, 96, 1), G(64, 96, 104, 96, 1),
                                       G(104, 96, 128, 96, 1), G(48, 32, 104, 96, 1)}));
}

TEST_F(NetRules, DeletingASegmentDisconnectsPinsNoLongerReached) {
    const int gen = Place(kGen, 16, 16), rec = Place(kRec, 112, 16), rec2 = Place(kRec, 112, 80);
    ASSERT_TRUE(kmr::LayWire(wires, modules, P(48, 32), P(112, 32)).Laid());
    // The only wire between output and input: both pins lose the net.
    EXPECT_EQ(kmr::DeleteSegmentAt(wires, modules, P(80, 33)), 1);
    EXPECT_EQ(wires.CountSegments(), 0);
    EXPECT_EQ(M(gen).wireout, 0);
    EXPECT_EQ(M(rec).wirein[0], 0);

    // A branch: the output keeps its net while another wire still starts there.
    ASSERT_TRUE(kmr::LayWire(wires, modules, P(48, 32), P(112, 32)).Laid());
    const kmr::LayResult branch = kmr::LayWire(wires, modules, P(48, 32), P(112, 96));
    ASSERT_TRUE(branch.Laid());
    EXPECT_EQ(branch.net, 1);
    EXPECT_EQ(M(rec2).wirein[0], 1);
    EXPECT_EQ(kmr::DeleteSegmentAt(wires, modules, P(80, 64)), branch.slot);
    EXPECT_EQ(M(gen).wireout, 1);
    EXPECT_EQ(M(rec).wirein[0], 1);
    EXPECT_EQ(M(rec2).wirein[0], 0);

    EXPECT_EQ(kmr::DeleteSegmentAt(wires, modules, P(200, 200)), 0);
}

TEST_F(NetRules, DeletingANetClearsEveryPinOfIt) {
    const int gen = Place(kGen, 16, 16), rec = Place(kRec, 112, 16), rec2 = Place(kRec, 112, 80);
    kmr::LayWire(wires, modules, P(48, 32), P(112, 32));
    kmr::LayWire(wires, modules, P(48, 32), P(112, 96));
    wires.AddSegment(S(200, 200, 240, 200, 2));
    EXPECT_EQ(kmr::DeleteNetAt(wires, modules, P(80, 31)), 1);
    EXPECT_EQ(Segments(wires), (std::vector<Seg>{G(200, 200, 240, 200, 2)}));
    EXPECT_EQ(M(gen).wireout, 0);
    EXPECT_EQ(M(rec).wirein[0], 0);
    EXPECT_EQ(M(rec2).wirein[0], 0);
    EXPECT_EQ(kmr::DeleteNetAt(wires, modules, P(100, 200)), 0);
}

TEST_F(NetRules, SegConvertionTurnsTheNewWire) {
    struct Case {
        const char *what;
        bool blocker;         // a generator at (160, 176) covers the lower corner (184, 184)
        SEGMENT existing;     // a segment of net 1 already there, or none
        CPOINT from, to;
        bool turned;
        std::vector<Seg> after;
    } cases[] = {
        {"turned", false, {}, {160, 160}, {200, 184}, true,
         {G(160, 160, 184, 160, 1), G(184, 160, 184, 184, 1), G(184, 184, 200, 184, 1)}},
        {"vertical extent below 16", false, {}, {160, 160}, {200, 168}, false, {G(160, 160, 200, 168, 1)}},
        {"instance at a corner", true, {}, {160, 160}, {200, 184}, false, {G(160, 160, 200, 184, 1)}},
        // The wire starts on a segment, which is split at its start: the
        // wire is turned, not the piece the split added last.
        {"after a junction split", false, S(120, 160, 240, 160, 1), {160, 160}, {200, 184}, true,
         {G(120, 160, 160, 160, 1), G(160, 160, 240, 160, 1), G(160, 160, 184, 160, 1), G(184, 160, 184, 184, 1),
          G(184, 184, 200, 184, 1)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        modules.ClearAll();
        wires.ClearAll();
        if (c.blocker) Place(kGen, 160, 176);
        if (c.existing.net) wires.AddSegment(c.existing);
        kmr::LayOptions options;
        options.segConvertion = true;
        const kmr::LayResult r = kmr::LayWire(wires, modules, c.from, c.to, options);
        EXPECT_TRUE(r.Laid());
        EXPECT_EQ(r.turned, c.turned);
        EXPECT_EQ(Segments(wires), Sorted(c.after));
    }
}

// With every slot taken nothing is laid, and two nets are never joined
// without the wire that joins them.
TEST_F(NetRules, FullTableLaysNothingAndJoinsNothing) {
    for (int i = 1; i < WIRES::kSlots; ++i) ASSERT_EQ(wires.AddSegment(S(300, i * 8, 316, i * 8)), i);
    const std::vector<Seg> before = Segments(wires);
    kmr::LayOptions options;
    options.askJoin = [](const kmr::JoinQuestion &) { return true; };
    const kmr::LayResult r = kmr::LayWire(wires, modules, P(308, 24), P(308, 40), options);
    EXPECT_EQ(r.outcome, LayOutcome::NotAdded);
    EXPECT_EQ(Segments(wires), before);
}

TEST_F(NetRules, PlacedInstanceTakesTheNetOfSegmentsOnItsPins) {
    wires.AddSegment(S(96, 32, 160, 32, 4));   // through the recorder's input
    wires.AddSegment(S(176, 112, 200, 112, 6)); // ends at the filter's input, already connected
    wires.AddSegment(S(232, 112, 232, 160, 8)); // ends at the filter's output
    const int rec = Place(kRec, 112, 16), filter = Place(kFilter, 200, 96);
    M(filter).wirein[0] = 7;

    const kmr::PinConnections c = kmr::ConnectPins(wires, modules, rec);
    ASSERT_EQ(c.count, 1);
    EXPECT_EQ(c.pin[0], 2);
    EXPECT_EQ(c.net[0], 4);
    EXPECT_EQ(M(rec).wirein[0], 4);

    const kmr::PinConnections f = kmr::ConnectPins(wires, modules, filter);
    ASSERT_EQ(f.count, 1);
    EXPECT_EQ(f.pin[0], 1);
    EXPECT_EQ(f.net[0], 8);
    EXPECT_EQ(M(filter).wireout, 8);
    EXPECT_EQ(M(filter).wirein[0], 7); // a connected pin keeps its net

    EXPECT_EQ(kmr::ConnectPins(wires, modules, 40).count, 0);
}

TEST_F(NetRules, MovedInstanceTakesItsWireEndsAlong) {
    const int gen = Place(kGen, 16, 16), rec = Place(kRec, 112, 16);
    ASSERT_TRUE(kmr::LayWire(wires, modules, P(112, 32), P(48, 32)).Laid()); // drawn from the input
    wires.AddSegment(S(48, 80, 48, 32, 9)); // another net ending at the output: stays

    ASSERT_TRUE(kmr::MoveInstance(wires, modules, gen, P(16, 64)));
    EXPECT_EQ(Segments(wires), Sorted({G(48, 80, 112, 32, 1), G(48, 80, 48, 32, 9)}));
    EXPECT_EQ(M(gen).wireout, 1);
    EXPECT_EQ(M(rec).wirein[0], 1);

    // Moving the recorder onto the far end of its wire leaves no wire of length 0.
    ASSERT_TRUE(kmr::MoveInstance(wires, modules, rec, P(48, 64)));
    EXPECT_EQ(Segments(wires), (std::vector<Seg>{G(48, 80, 48, 32, 9)}));
    EXPECT_FALSE(kmr::MoveInstance(wires, modules, 30, P(0, 0)));
}

// A wire from an instance's output to its own input moves with both pins.
TEST_F(NetRules, WireBetweenTwoPinsOfOneInstanceMovesBothEnds) {
    const int filter = Place(kFilter, 16, 96); // output (48, 112), input (16, 112)
    wires.AddSegment(S(48, 112, 16, 112, 2));
    M(filter).wireout = 2;
    M(filter).wirein[0] = 2;
    kmr::MOVEDEND ends[kmr::kMaxMovedEnds];
    EXPECT_EQ(kmr::CollectPinEnds(wires, modules, filter, ends, kmr::kMaxMovedEnds), 2);
    M(filter).loc = P(16, 128);
    kmr::FollowPins(wires, modules, filter, ends, 2);
    EXPECT_EQ(Segments(wires), (std::vector<Seg>{G(48, 144, 16, 144, 2)}));
}

TEST_F(NetRules, DraggedJunctionMovesEveryEndThere) {
    wires.AddSegment(S(40, 80, 80, 80, 1));
    wires.AddSegment(S(80, 120, 80, 80, 1)); // ends at the junction with b
    wires.AddSegment(S(80, 80, 120, 40, 1));
    wires.AddSegment(S(40, 200, 80, 200, 1));
    kmr::MOVEDEND ends[kmr::kMaxMovedEnds];
    ASSERT_EQ(kmr::CollectEndsAt(wires, P(80, 80), ends, kmr::kMaxMovedEnds), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(wires.Slot(ends[i].slot)->a, P(80, 80));
    EXPECT_EQ(kmr::CollectEndsAt(wires, P(80, 80), ends, 2), 2);

    const kmr::EndMoveResult r = kmr::MoveEnds(wires, modules, ends, 3, P(88, 88));
    EXPECT_EQ(r.moved, 3);
    EXPECT_EQ(r.pinOwner, 0);
    EXPECT_EQ(Segments(wires), Sorted({G(88, 88, 40, 80, 1), G(88, 88, 80, 120, 1), G(88, 88, 120, 40, 1),
                                       G(40, 200, 80, 200, 1)}));

    // Dropped onto its other end: the segment is gone.
    ASSERT_EQ(kmr::CollectEndsAt(wires, P(40, 200), ends, kmr::kMaxMovedEnds), 1);
    const kmr::EndMoveResult gone = kmr::MoveEnds(wires, modules, ends, 1, P(80, 200));
    EXPECT_EQ(gone.deleted, 1);
    EXPECT_EQ(wires.CountSegments(), 3);
}

TEST_F(NetRules, EndDroppedOnAPinConnectsOrJoinsIt) {
    const int gen = Place(kGen, 16, 16), rec = Place(kRec, 112, 16), rec2 = Place(kRec, 112, 80);
    // Net 6 joins the generator and the first recorder; net 1 is a loose wire.
    ASSERT_EQ(kmr::LayWire(wires, modules, P(48, 32), P(112, 32)).net, 1);
    wires.RenumberSegments(1, 6);
    modules.RenumberPinNets(1, 6);
    wires.AddSegment(S(80, 160, 160, 160, 1));

    // Dropped beside the second recorder's input: the pin takes the net.
    kmr::MOVEDEND ends[kmr::kMaxMovedEnds];
    CPOINT q;
    ASSERT_TRUE(kmr::ResolveWireEnd(modules, P(115, 99), q));
    EXPECT_EQ(q, P(112, 96));
    ASSERT_EQ(kmr::CollectEndsAt(wires, P(160, 160), ends, kmr::kMaxMovedEnds), 1);
    kmr::EndMoveResult r = kmr::MoveEnds(wires, modules, ends, 1, q);
    EXPECT_EQ(r.pinOwner, rec2);
    EXPECT_EQ(M(rec2).wirein[0], 1);

    // The other end dropped on the generator's output, which carries net 6:
    // net 6 joins the segment's net 1, segments and pins alike.
    ASSERT_EQ(kmr::CollectEndsAt(wires, P(80, 160), ends, kmr::kMaxMovedEnds), 1);
    r = kmr::MoveEnds(wires, modules, ends, 1, P(48, 32));
    EXPECT_EQ(r.pinOwner, gen);
    EXPECT_EQ(M(gen).wireout, 1);
    EXPECT_EQ(M(rec).wirein[0], 1);
    EXPECT_EQ(wires.CountNets(), 1);

    EXPECT_FALSE(kmr::ResolveWireEnd(modules, P(140, 20), q)); // on an instance, far from its pin
}

TEST_F(NetRules, SplitAndTurnCommands) {
    Place(kGen, 160, 208); // covers (184, 224), a corner of the third segment's turn
    wires.AddSegment(S(40, 80, 120, 80, 2));
    wires.AddSegment(S(160, 160, 200, 184, 3));
    wires.AddSegment(S(160, 200, 200, 224, 4));
    EXPECT_EQ(kmr::SplitAtPoint(wires, P(82, 81)), 1);
    EXPECT_EQ(wires.Slot(1)->b, P(80, 80));
    EXPECT_EQ(kmr::SplitAtPoint(wires, P(100, 100)), 0); // no segment there

    EXPECT_EQ(kmr::TurnAt(wires, modules, P(180, 172)), 2);
    EXPECT_EQ(wires.CountSegments(), 6);
    EXPECT_EQ(kmr::TurnAt(wires, modules, P(180, 212)), 0); // an instance at a corner
    EXPECT_EQ(wires.CountSegments(), 6);
}

} // namespace
