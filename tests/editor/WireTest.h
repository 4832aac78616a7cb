// The main window with wires: helpers to read the segment table and the pin
// nets, to count colours on the drawing area, and to lay wires and press
// keys the way a user does.
#pragma once

#include <QTest>
#include <algorithm>
#include <tuple>
#include <vector>

#include "CanvasTest.h"
#include "Keys.h"
#include "Wires.h"

namespace edtest {

// A segment whatever the order of its ends.
struct Seg {
    CPOINT p, q;
    int net;
};

inline bool Less(const CPOINT &a, const CPOINT &b) { return std::tie(a.x, a.y) < std::tie(b.x, b.y); }

inline bool operator==(const Seg &s, const Seg &t) {
    const bool same = s.p == t.p && s.q == t.q, swapped = s.p == t.q && s.q == t.p;
    return s.net == t.net && (same || swapped);
}

inline std::ostream &operator<<(std::ostream &o, const Seg &s) {
    return o << "(" << s.p.x << "," << s.p.y << ")-(" << s.q.x << "," << s.q.y << ") net " << s.net;
}

class WireFixture : public CanvasFixture {
protected:
    // Every segment in use, in slot order.
    std::vector<Seg> Segments() {
        std::vector<Seg> all;
        for (int s = 1; s < WIRES::kSlots; ++s)
            if (const SEGMENT *g = Wires().Slot(s); g->InUse()) all.push_back(Seg{g->a, g->b, g->net});
        return all;
    }
    // The segments of one net, in slot order.
    std::vector<Seg> Net(int net) {
        std::vector<Seg> of;
        for (const Seg &s : Segments())
            if (s.net == net) of.push_back(s);
        return of;
    }
    // Equal sets of segments, in any order.
    static bool SameSet(std::vector<Seg> a, std::vector<Seg> b) {
        if (a.size() != b.size()) return false;
        for (const Seg &s : a) {
            auto it = std::find(b.begin(), b.end(), s);
            if (it == b.end()) return false;
            b.erase(it);
        }
        return true;
    }
    // The net of every pin of every instance, in slot order.
    std::vector<int> PinNets() {
        std::vector<int> nets;
        for (int s = 1; s <= Scheme().CountInstances(); ++s)
            for (int pin = 1; pin <= 5; ++pin) nets.push_back(PinNet(Scheme().Get(s), pin));
        return nets;
    }
    int PinNetOf(int slot, int pin) { return PinNet(Scheme().Get(slot), pin); }

    // Pixels of the drawing area in the colour.
    int CountColour(uint32_t colour) {
        kmr::ImageSurface &s = window->Canvas->Surface();
        int n = 0;
        for (int y = 0; y < s.Height(); ++y)
            for (int x = 0; x < s.Width(); ++x) n += s.Pixel(x, y) == colour;
        return n;
    }

    // A press at `from`, a move half-way and to `to`, and the release there.
    void Drag(QPoint from, QPoint to) {
        Press(Qt::LeftButton, from.x(), from.y());
        const QPoint half = (from + to) / 2;
        if (half != from) Move(half.x(), half.y());
        Move(to.x(), to.y());
        Release(Qt::LeftButton, to.x(), to.y());
    }

    // A key pressed and released in the main window with the mouse at (x, y).
    void KeyAt(int x, int y, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Move(x, y);
        QTest::keyClick(window->windowHandle(), key, mods);
        QCoreApplication::processEvents();
    }

    // Places an instance of `file` as a user does: its toolbar button, then a
    // click on the drawing area at (x, y). The slot of the instance there.
    int PlaceWithMouse(const char *file, int x, int y) {
        const int index = window->Panel1->IndexOfTag(Type(file), kmr::kFirstModuleControl);
        EXPECT_GE(index, 0) << file;
        if (index < 0) return 0;
        QTest::mouseClick(window->Panel1->Control(index), Qt::LeftButton);
        Click(Qt::LeftButton, x, y);
        return Scheme().FindAt(CPOINT{x, y});
    }

    void ModeButton(int mode) {
        const int index = window->Panel1->IndexOfTag(kmr::kModeTagBase + mode);
        ASSERT_GE(index, 0);
        QTest::mouseClick(window->Panel1->Control(index), Qt::LeftButton);
    }
};

} // namespace edtest
