// The wiring operations of the editor: laying a wire, connecting a placed
// instance, letting wires follow a moved instance, dragging segment ends,
// deleting a segment or a net, splitting and turning. Each keeps segment
// and pin net numbers consistent; the editor only turns mouse gestures into
// these calls and redraws afterwards.
//
// Points are snapped to the 8-grid unless they are pin positions.
#pragma once

#include <cstdint>
#include <functional>

#include "Cpoint.h"
#include "Module.h"
#include "Wire.h"

namespace kmr {

// The point a wire end dropped at `r` goes to: r snapped to the 8-grid;
// when an instance lies at r and none of its pins is exactly at the snapped
// point, the position of its pin nearest to r instead. False when such an
// instance has no pin near enough.
bool ResolveWireEnd(const MODULES &modules, CPOINT r, CPOINT &q);

// The editor's test before a segment is turned: both extents at least 16 and
// no instance at either corner the turn would make.
bool TurnAllowed(const MODULES &modules, const SEGMENT &s);

// The segment a command at `p` acts on: FindNear(p), else FindOn at p
// snapped to the 8-grid; 0 when there is none.
int FindSegmentAt(const WIRES &wires, CPOINT p);

// Asked before two nets are joined. The other net is shown in red and the
// new wire in green while the question is open.
struct JoinQuestion {
    int startNet;   // net the wire starts from (0: none)
    int otherNet;   // net of the segment at the wire's far end
    SEGMENT wire;   // the wire that would be laid
};

struct LayOptions {
    // Answers whether to join; without it nets are never joined.
    std::function<bool(const JoinQuestion &)> askJoin;
    // Whether a wire end may go to the point (the drawing area's limits);
    // without it every point may.
    std::function<bool(CPOINT)> canPutPoint;
    // Turn the new wire into horizontal, vertical, horizontal when
    // TurnAllowed holds ("SegConvertion").
    bool segConvertion = false;
};

enum class LayOutcome {
    Laid,
    Unmoved,      // the end never left the start point: nothing happened
    NoPinNear,    // dropped on an instance away from its pins
    OutsideArea,  // canPutPoint refused the end
    JoinDeclined, // the join question was answered no
    NotAdded,     // the wire has length 0, the table is full or no net is free
};

struct LayResult {
    LayOutcome outcome = LayOutcome::Unmoved;
    int net = 0;           // the wire's net
    int slot = 0;          // the wire's slot (its first piece when turned)
    bool joined = false;   // the start net was renumbered to the other net
    bool turned = false;
    CPOINT from{-1, -1}, to{-1, -1}; // the ends used
    int endInstance = 0;   // instance whose pin lies at `to` (to show selected)

    bool Laid() const { return outcome == LayOutcome::Laid; }
    // Every outcome but Unmoved is an edit attempt that marks the project changed.
    bool Attempted() const { return outcome != LayOutcome::Unmoved; }
};

// Lays a wire from `p` (the press point) to where it was dropped, `r`.
// The start net is the net of the segment at p. The end is resolved with
// ResolveWireEnd. A segment of another net at the end asks to join: on yes
// the wire takes that net and every segment and pin of the start net is
// renumbered to it; on no nothing is laid. The wire is then added, segments
// of its net passing through either end are split there, pins at either end
// take the net, and with segConvertion the wire is turned. Whatever the
// outcome, the start net and the wire's net are drawn in black again.
LayResult LayWire(WIRES &wires, MODULES &modules, CPOINT p, CPOINT r, const LayOptions &options = {});

// Connects a placed (new, moved or pasted) instance: every existing pin with
// net 0 that lies on a segment takes that segment's net. Answers the nets
// taken, pin by pin, for the editor to flash.
struct PinConnections {
    int count = 0;
    int pin[5] = {};
    int net[5] = {};
};
PinConnections ConnectPins(const WIRES &wires, MODULES &modules, int slot);

// A segment end that follows a pin or a dragged junction: the segment's slot,
// which end moves (0 a, 1 b) and, for a moved instance, the pin. Collecting
// turns segments so that the moving end is a; only a wire running between
// two pins of the same instance has its end b recorded as well.
struct MOVEDEND {
    int slot = 0;
    int pin = 0;
    int end = 0;
};
inline constexpr int kMaxMovedEnds = 32;

// Collects, pin by pin, the segments of each connected pin's net that end at
// the pin, turning each so its end a lies at the pin; at most `capacity`.
// Segments of another net ending there are not collected. Answers the count.
int CollectPinEnds(WIRES &wires, const MODULES &modules, int slot, MOVEDEND *out, int capacity);
// Sets the moving end of every collected segment to its pin's present
// position. A segment whose ends now coincide is deleted.
void FollowPins(WIRES &wires, const MODULES &modules, int slot, const MOVEDEND *ends, int count);
// Moves the instance to `loc`, its wire ends following; nets do not change.
// False for an empty slot.
bool MoveInstance(WIRES &wires, MODULES &modules, int slot, CPOINT loc);

// Collects the segments with an end at `p`, lowest slot first, each turned so
// its end a lies at p; at most `capacity`. Answers the count.
int CollectEndsAt(WIRES &wires, CPOINT p, MOVEDEND *out, int capacity);

struct EndMoveResult {
    int moved = 0;      // segments moved
    int deleted = 0;    // segments deleted because their ends met
    int pinOwner = 0;   // instance whose pin at q took or joined a net, 0 none
};
// Moves end a of every collected segment to `q` (already resolved with
// ResolveWireEnd), in order. A segment whose ends now coincide is deleted.
// A pin exactly at q with net 0 takes the segment's net; a pin with another
// net has its net joined into the segment's net (segments and pins).
EndMoveResult MoveEnds(WIRES &wires, MODULES &modules, const MOVEDEND *ends, int count, CPOINT q);

// Deletes the segment at `p` (FindSegmentAt). Pins at its ends that carry its
// net lose it, unless another segment of the net still reaches them. Answers
// the deleted slot, 0 when none was found.
int DeleteSegmentAt(WIRES &wires, MODULES &modules, CPOINT p);
// Deletes the whole net of the segment at `p` and disconnects its pins.
// Answers the net, 0 when none was found.
int DeleteNetAt(WIRES &wires, MODULES &modules, CPOINT p);
// Splits (or bends) the segment at `p` at p snapped to the 8-grid. Answers
// the segment's slot when it was split, 0 otherwise.
int SplitAtPoint(WIRES &wires, CPOINT p);
// Turns the segment at `p` when TurnAllowed. Answers the segment's slot when
// it was turned, 0 otherwise.
int TurnAt(WIRES &wires, const MODULES &modules, CPOINT p);

} // namespace kmr
