#include "Netedit.h"

#include <cstdlib>

namespace kmr {

namespace {

int netOf(const WIRES &wires, int slot) {
    const SEGMENT *s = wires.Slot(slot);
    return s ? s->net : 0;
}

// Splits every segment of `net` that passes through `p` without ending there,
// so that the junction becomes a segment end. Each pass either splits (and
// starts over) or moves past a segment, and the guard bounds the passes even
// for a point off the grid, where a split lands elsewhere.
void splitThrough(WIRES &wires, CPOINT p, int net) {
    int from = 1;
    for (int guard = 0; guard < 2 * WIRES::kSlots && from < WIRES::kSlots; ++guard) {
        const int s = wires.FindInside(p, from);
        if (s == 0) break;
        if (netOf(wires, s) == net && wires.SplitAtIfOn(s, p))
            from = 1;
        else
            from = s + 1;
    }
}

int *pinNetField(MODULE *m, int pin) { return pin == 1 ? &m->wireout : &m->wirein[pin - 2]; }

// Gives `net` to every pin lying exactly at `p`; answers the lowest instance
// that has one.
int givePinsAt(MODULES &modules, CPOINT p, int net) {
    int first = 0;
    for (int slot = 1; slot < MODULES::kSlotCount; ++slot) {
        MODULE *m = modules.Get(slot);
        const int pin = PinAt(m, p);
        if (!pin) continue;
        *pinNetField(m, pin) = net;
        if (!first) first = slot;
    }
    return first;
}

// True when a segment of `net` in use still contains `p`.
bool netReaches(const WIRES &wires, int net, CPOINT p) {
    for (int slot = 1; slot < WIRES::kSlots; ++slot) {
        const SEGMENT *s = wires.Slot(slot);
        if (s->net == net && s->Contains(p)) return true;
    }
    return false;
}

// The corners a turn of `s` makes: (m, a.y) and (m, b.y).
void turnCorners(const SEGMENT &s, CPOINT &c1, CPOINT &c2) {
    const int64_t middle = (int64_t)s.a.x + ((int64_t)s.b.x - s.a.x) / 2;
    const int32_t m = Snap8(CPOINT{(int32_t)middle, s.a.y}).x;
    c1 = CPOINT{m, s.a.y};
    c2 = CPOINT{m, s.b.y};
}

} // namespace

bool ResolveWireEnd(const MODULES &modules, CPOINT r, CPOINT &q) {
    CPOINT snapped = Snap8(r);
    const MODULE *m = modules.Get(modules.FindAt(r));
    if (m && !PinAt(m, snapped)) {
        const int pin = NearestPin(m, r);
        if (!pin) return false;
        snapped = PinPosition(m, pin);
    }
    q = snapped;
    return true;
}

bool TurnAllowed(const MODULES &modules, const SEGMENT &s) {
    if (std::llabs((int64_t)s.a.x - s.b.x) < 16 || std::llabs((int64_t)s.a.y - s.b.y) < 16) return false;
    CPOINT c1, c2;
    turnCorners(s, c1, c2);
    return !modules.FindAt(c1) && !modules.FindAt(c2);
}

int FindSegmentAt(const WIRES &wires, CPOINT p) {
    const int near = wires.FindNear(p);
    return near ? near : wires.FindOn(Snap8(p));
}

LayResult LayWire(WIRES &wires, MODULES &modules, CPOINT p, CPOINT r, const LayOptions &options) {
    LayResult res;
    const CPOINT a = modules.FindPinOwner(p) ? p : Snap8(p);
    res.from = a;
    int startNet = netOf(wires, wires.FindOn(a));
    int net = 0;
    auto finish = [&](LayOutcome outcome) {
        res.outcome = outcome;
        // The start net was shown in colour while the wire was dragged.
        if (startNet) wires.DrawNet(startNet, kBlack);
        if (net && net != startNet) wires.DrawNet(net, kBlack);
        return res;
    };

    if (r == a) return finish(LayOutcome::Unmoved);
    CPOINT q;
    if (!ResolveWireEnd(modules, r, q)) return finish(LayOutcome::NoPinNear);
    res.to = q;
    if (options.canPutPoint && !options.canPutPoint(q)) return finish(LayOutcome::OutsideArea);
    // Checked before any question or renumbering, so a wire that cannot be
    // added never leaves two nets joined without a wire between them.
    if (q == a || wires.FreeSlot() == 0) return finish(LayOutcome::NotAdded);

    net = startNet;
    const int other = netOf(wires, wires.FindOn(q));
    if (other != 0 && other != startNet) {
        const SEGMENT wire{a, q, startNet};
        wires.DrawNet(other, kRed);
        wire.DrawSegment(wires.GetSurface(), kGreen);
        const bool join = options.askJoin && options.askJoin(JoinQuestion{startNet, other, wire});
        wires.DrawNet(other, kBlack);
        wire.EraseSegment(wires.GetSurface());
        if (!join) return finish(LayOutcome::JoinDeclined);
        if (startNet) {
            wires.RenumberSegments(startNet, other);
            modules.RenumberPinNets(startNet, other);
            res.joined = true;
            startNet = other;
        }
        net = other;
    }

    net = wires.AddSegment(SEGMENT{a, q, net});
    if (!net) return finish(LayOutcome::NotAdded);
    res.net = net;
    res.slot = wires.last;

    splitThrough(wires, q, net);
    splitThrough(wires, a, net);
    givePinsAt(modules, a, net);
    res.endInstance = givePinsAt(modules, q, net);

    // The wire itself, not the piece a junction split added last.
    if (options.segConvertion && TurnAllowed(modules, *wires.Slot(res.slot))) res.turned = wires.Turn(res.slot);
    return finish(LayOutcome::Laid);
}

PinConnections ConnectPins(const WIRES &wires, MODULES &modules, int slot) {
    PinConnections c;
    MODULE *m = modules.Get(slot);
    if (!m) return c;
    for (int pin = 1; pin <= 5; ++pin) {
        const CPOINT pos = PinPosition(m, pin);
        if (!Present(pos) || PinNet(m, pin) != 0) continue;
        const int net = netOf(wires, wires.FindOn(pos));
        if (!net) continue;
        *pinNetField(m, pin) = net;
        c.pin[c.count] = pin;
        c.net[c.count] = net;
        ++c.count;
    }
    return c;
}

int CollectPinEnds(WIRES &wires, const MODULES &modules, int slot, MOVEDEND *out, int capacity) {
    const MODULE *m = modules.Get(slot);
    if (!m || !out) return 0;
    int count = 0;
    for (int pin = 1; pin <= 5; ++pin) {
        const CPOINT pos = PinPosition(m, pin);
        const int net = PinNet(m, pin);
        if (!Present(pos) || net == 0) continue;
        for (int s = 1; s < WIRES::kSlots && count < capacity; ++s) {
            const SEGMENT *seg = wires.Slot(s);
            if (seg->net != net || (seg->a != pos && seg->b != pos)) continue;
            // A wire between two pins of this instance was collected at its
            // other pin with end a; its end b follows this pin.
            bool collected = false;
            for (int i = 0; i < count; ++i) collected = collected || out[i].slot == s;
            if (collected) {
                if (seg->b == pos) out[count++] = MOVEDEND{s, pin, 1};
                continue;
            }
            wires.FindEndAt(pos, s); // turns the segment so that a lies at the pin
            out[count++] = MOVEDEND{s, pin, 0};
        }
    }
    return count;
}

void FollowPins(WIRES &wires, const MODULES &modules, int slot, const MOVEDEND *ends, int count) {
    const MODULE *m = modules.Get(slot);
    if (!m || !ends) return;
    for (int i = 0; i < count; ++i) {
        const CPOINT pos = PinPosition(m, ends[i].pin);
        if (Present(pos)) wires.SetEnd(ends[i].slot, ends[i].end, pos);
    }
    // A wire whose ends met is no wire any more.
    for (int i = 0; i < count; ++i) {
        const SEGMENT *s = wires.Slot(ends[i].slot);
        if (s && s->InUse() && s->a == s->b) wires.DeleteSegment(ends[i].slot);
    }
}

bool MoveInstance(WIRES &wires, MODULES &modules, int slot, CPOINT loc) {
    MODULE *m = modules.Get(slot);
    if (!m) return false;
    MOVEDEND ends[kMaxMovedEnds];
    const int count = CollectPinEnds(wires, modules, slot, ends, kMaxMovedEnds);
    m->loc = loc;
    FollowPins(wires, modules, slot, ends, count);
    return true;
}

int CollectEndsAt(WIRES &wires, CPOINT p, MOVEDEND *out, int capacity) {
    if (!out) return 0;
    int count = 0;
    for (int s = wires.FindEndAt(p, 1); s && count < capacity; s = wires.FindEndAt(p, s + 1))
        out[count++] = MOVEDEND{s, 0, 0};
    return count;
}

EndMoveResult MoveEnds(WIRES &wires, MODULES &modules, const MOVEDEND *ends, int count, CPOINT q) {
    EndMoveResult res;
    if (!ends) return res;
    for (int i = 0; i < count; ++i) {
        const int slot = ends[i].slot;
        if (!wires.SetEnd(slot, ends[i].end, q)) continue;
        const SEGMENT *s = wires.Slot(slot);
        if (s->a == s->b) {
            wires.DeleteSegment(slot);
            ++res.deleted;
            continue;
        }
        ++res.moved;
        const int net = s->net;
        for (int inst = 1; inst < MODULES::kSlotCount; ++inst) {
            MODULE *m = modules.Get(inst);
            const int pin = PinAt(m, q);
            if (!pin) continue;
            const int pinNet = PinNet(m, pin);
            if (pinNet == net) continue;
            if (pinNet == 0) {
                *pinNetField(m, pin) = net;
            } else {
                wires.RenumberSegments(pinNet, net);
                modules.RenumberPinNets(pinNet, net);
            }
            if (!res.pinOwner) res.pinOwner = inst;
        }
    }
    return res;
}

int DeleteSegmentAt(WIRES &wires, MODULES &modules, CPOINT p) {
    const int slot = FindSegmentAt(wires, p);
    if (!slot) return 0;
    const SEGMENT gone = *wires.Slot(slot);
    wires.DeleteSegment(slot);
    // A pin keeps the net while another segment of the net still reaches it
    // (a branch ending at the same pin).
    for (const CPOINT end : {gone.a, gone.b}) {
        if (netReaches(wires, gone.net, end)) continue;
        for (int inst = 1; inst < MODULES::kSlotCount; ++inst) {
            MODULE *m = modules.Get(inst);
            const int pin = PinAt(m, end);
            if (pin && PinNet(m, pin) == gone.net) *pinNetField(m, pin) = 0;
        }
    }
    return slot;
}

int DeleteNetAt(WIRES &wires, MODULES &modules, CPOINT p) {
    const int net = netOf(wires, FindSegmentAt(wires, p));
    if (!net) return 0;
    wires.DeleteNet(net);
    modules.ClearPinNets(net);
    return net;
}

int SplitAtPoint(WIRES &wires, CPOINT p) {
    const int slot = FindSegmentAt(wires, p);
    return slot && wires.SplitAt(slot, p) ? slot : 0;
}

int TurnAt(WIRES &wires, const MODULES &modules, CPOINT p) {
    const int slot = FindSegmentAt(wires, p);
    if (!slot || !TurnAllowed(modules, *wires.Slot(slot))) return 0;
    return wires.Turn(slot) ? slot : 0;
}

} // namespace kmr
