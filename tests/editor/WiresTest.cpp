// Wire editing with the mouse: laying wires in the Solder mode behind the
// green rubber line (turned right-angled or left slanted, landing on pins,
// the join question), dragging junctions in the Move mode, and a whole
// schematic built and calculated with the mouse alone.
#include "WireTest.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>
#include <filesystem>

namespace {

using edtest::Seg;
using edtest::Text;
using kmr::kBlack;
using kmr::kGreen;
using kmr::kRed;
using kmr::kWhite;

class WiresTest : public edtest::WireFixture {};

TEST_F(WiresTest, ANewWireIsTurnedWhenItMayBe) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    ASSERT_LE(w.Panel1->height(), 48); // (0, 48) lies on the drawing area
    struct Case {
        const char *what;
        bool conversion;
        QPoint to;
        std::vector<Seg> laid;
    };
    const Case cases[] = {
        {"turned", true, {40, 72}, {{{0, 48}, {24, 48}, 1}, {{24, 48}, {24, 72}, 1}, {{24, 72}, {40, 72}, 1}}},
        {"vertical extent below 16: slanted", true, {40, 56}, {{{0, 48}, {40, 56}, 1}}},
        {"conversion off: slanted", false, {40, 72}, {{{0, 48}, {40, 72}, 1}}},
        {"released off the grid: snapped, then turned", true, {43, 75}, {{{0, 48}, {24, 48}, 1}, {{24, 48}, {24, 72}, 1}, {{24, 72}, {40, 72}, 1}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Wires().ClearAll();
        w.Canvas->Redraw();
        w.Setup.SegConvertion = c.conversion;
        w.Modified = false;
        ModeButton(kmr::mdSolder);

        Press(Qt::LeftButton, 0, 48);
        EXPECT_TRUE(w.Wiring->Laying());
        Move(c.to.x(), c.to.y());
        EXPECT_GT(CountColour(kGreen), 0); // the rubber line
        Release(Qt::LeftButton, c.to.x(), c.to.y());

        EXPECT_FALSE(w.Wiring->Laying());
        EXPECT_TRUE(w.Modified);
        EXPECT_TRUE(SameSet(Segments(), c.laid)) << ::testing::PrintToString(Segments());
        // The rubber line is gone and the wire is drawn.
        EXPECT_EQ(CountColour(kGreen), 0);
        for (const Seg &s : c.laid) EXPECT_EQ(Pixel(s.q), kBlack);
    }
}

TEST_F(WiresTest, AWireEndLandsOnAPinNearItOrNowhere) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    // A generator's output at (96, 96); a tape recorder covering 160..223,
    // 80..111 with its input at (160, 96).
    const int gen = Put("Tonegen.kmd", 64, 80);
    const int rec = Put("Taperec.kmd", 160, 80);
    ASSERT_EQ(Pin(gen, 1), (CPOINT{96, 96}));
    ASSERT_EQ(Pin(rec, 2), (CPOINT{160, 96}));
    struct Case {
        const char *what;
        QPoint release;
        bool moved;     // the mouse moved before the release
        bool laid;
        bool modified;
    };
    const Case cases[] = {
        {"on the pin", {160, 96}, true, true, true},
        {"5 pixels beside the pin", {165, 96}, true, true, true},
        {"on the instance 20 pixels from its pin", {180, 96}, true, false, true},
        {"above the drawing area", {130, 20}, true, false, true},
        {"pressed and released without moving", {96, 96}, false, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Wires().ClearAll();
        Scheme().SetPinNet(gen, Pin(gen, 1), 0);
        Scheme().SetPinNet(rec, Pin(rec, 2), 0);
        Scheme().DeselectAll();
        w.Canvas->Redraw();
        const QImage before = Pixels();
        w.SetMode(kmr::mdSolder, true);
        w.Modified = false;

        Press(Qt::LeftButton, 96, 96);
        if (c.moved) Move(c.release.x(), c.release.y());
        Release(Qt::LeftButton, c.release.x(), c.release.y());

        EXPECT_EQ(w.Modified, c.modified);
        if (!c.laid) {
            EXPECT_TRUE(Segments().empty());
            EXPECT_EQ(PinNets(), std::vector<int>(10, 0));
            EXPECT_EQ(Pixels(), before);
            continue;
        }
        EXPECT_TRUE(SameSet(Segments(), {{{96, 96}, {160, 96}, 1}}));
        EXPECT_EQ(PinNetOf(gen, 1), 1);
        EXPECT_EQ(PinNetOf(rec, 2), 1);
        // The recorder the wire landed on flashes for seven ticks.
        EXPECT_TRUE(Scheme().Selected(rec));
        EXPECT_FALSE(Scheme().Selected(gen));
        for (int tick = 0; tick < 6; ++tick) Ed().Timer1Timer();
        EXPECT_TRUE(Scheme().Selected(rec));
        Ed().Timer1Timer();
        EXPECT_FALSE(Scheme().Selected(rec));
    }
}

TEST_F(WiresTest, EndingOnAnotherNetAsksToJoinThem) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    struct Case {
        const char *what;
        QPoint from;
        bool yes;
        int generatorNet, recorderNet; // afterwards
    };
    const Case cases[] = {
        {"from net 3, yes: everything is net 5", {128, 96}, true, 5, 5},
        {"from net 3, no: nothing changes", {128, 96}, false, 3, 5},
        {"from a free point, yes: the wire joins net 5", {128, 232}, true, 3, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Scheme().ClearAll();
        Wires().ClearAll();
        // Net 3 from a generator's output, net 5 to a recorder's input.
        const int gen = Put("Tonegen.kmd", 64, 80);
        const int rec = Put("Taperec.kmd", 224, 144);
        ASSERT_EQ(Wires().AddSegment(SEGMENT{{96, 96}, {128, 96}, 3}), 3);
        ASSERT_EQ(Wires().AddSegment(SEGMENT{{128, 160}, {224, 160}, 5}), 5);
        Scheme().SetPinNet(gen, Pin(gen, 1), 3);
        Scheme().SetPinNet(rec, Pin(rec, 2), 5);
        w.Canvas->Redraw();
        const QImage before = Pixels();
        const std::vector<Seg> segments = Segments();
        w.SetMode(kmr::mdSolder, true);
        w.Modified = false;

        int asked = 0;
        modal.answer = [&](QDialog &d) {
            ++asked;
            auto *box = qobject_cast<QMessageBox *>(&d);
            EXPECT_TRUE(box);
            if (!box) return 0;
            EXPECT_EQ(box->text(), Text(90));
            EXPECT_TRUE(box->windowTitle().isEmpty());
            // Meanwhile the other net is red and the new wire green.
            EXPECT_EQ(Pixel(CPOINT{200, 160}), kRed);
            EXPECT_EQ(Pixel(CPOINT{c.from.x(), c.from.y()}), kGreen);
            return int(c.yes ? QMessageBox::Yes : QMessageBox::No);
        };
        Drag(c.from, {176, 160});
        modal.answer = nullptr;

        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(w.Modified);
        EXPECT_EQ(PinNetOf(gen, 1), c.generatorNet);
        EXPECT_EQ(PinNetOf(rec, 2), c.recorderNet);
        EXPECT_EQ(CountColour(kRed) + CountColour(kGreen), 0);
        if (!c.yes) {
            EXPECT_TRUE(SameSet(Segments(), segments));
            EXPECT_EQ(Pixels(), before);
            continue;
        }
        // The wire, turned at x 152, and the net-5 segment split where it
        // ends; nothing of net 3 is left unless it stayed apart.
        const std::vector<Seg> net5 = Net(5);
        EXPECT_EQ(net5.size(), c.generatorNet == 5 ? 6u : 5u) << ::testing::PrintToString(net5);
        EXPECT_EQ(Net(3).size(), c.generatorNet == 5 ? 0u : 1u);
        for (const Seg &s : {Seg{{152, 160}, {176, 160}, 5}, Seg{{128, 160}, {176, 160}, 5}, Seg{{176, 160}, {224, 160}, 5}})
            EXPECT_NE(std::find(net5.begin(), net5.end(), s), net5.end()) << s;
    }
}

TEST_F(WiresTest, DraggingAJunction) {
    kmr::TFMain &w = Start({"Filter.kmd"});
    // Three segments of net 1 meet at (160, 160); a filter covers 256..287,
    // 144..175 with its input at (256, 160) and its output at (288, 160).
    const int filter = Put("Filter.kmd", 256, 144);
    const CPOINT j{160, 160};
    const CPOINT others[] = {{96, 160}, {160, 224}, {224, 224}};
    struct Case {
        const char *what;
        QPoint release;
        bool rightCancel;
        CPOINT to;        // where the ends are afterwards
        bool modified;
        int filterInput;  // net of the filter's input afterwards
    };
    const Case cases[] = {
        {"to a new point, snapped", {181, 187}, false, {184, 184}, true, 0},
        {"back onto its own point: only marked changed", {162, 163}, false, j, true, 0},
        {"near the filter's input: onto the pin, which takes the net", {259, 161}, false, {256, 160}, true, 1},
        {"on the filter away from its pins: back", {272, 170}, false, j, false, 0},
        {"above the drawing area: back", {160, 20}, false, j, false, 0},
        {"cancelled with the right button", {181, 187}, true, j, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Wires().ClearAll();
        Scheme().SetPinNet(filter, Pin(filter, 2), 0);
        Scheme().DeselectAll();
        for (const CPOINT &o : others) ASSERT_EQ(Wires().AddSegment(SEGMENT{o, j, 1}), 1);
        w.Canvas->Redraw();
        const QImage before = Pixels();
        const int white = CountColour(kWhite); // the filter's picture has some
        w.SetMode(kmr::mdMove, true);
        w.Modified = false;

        Press(Qt::LeftButton, j.x + 2, j.y - 1); // snapped onto the junction
        ASSERT_TRUE(w.Wiring->Dragging());
        Move(c.release.x(), c.release.y());
        EXPECT_GT(CountColour(kWhite), white); // the dragged segments
        if (c.rightCancel) Click(Qt::RightButton, c.release.x(), c.release.y());
        Release(Qt::LeftButton, c.release.x(), c.release.y());

        EXPECT_FALSE(w.Wiring->Dragging());
        EXPECT_EQ(w.Modified, c.modified);
        std::vector<Seg> expected;
        for (const CPOINT &o : others) expected.push_back(Seg{o, c.to, 1});
        EXPECT_TRUE(SameSet(Segments(), expected)) << ::testing::PrintToString(Segments());
        EXPECT_EQ(PinNetOf(filter, 2), c.filterInput);
        EXPECT_EQ(Scheme().Selected(filter), c.filterInput != 0);
        if (!c.filterInput) {
            EXPECT_EQ(CountColour(kWhite), white);
        }
        if (c.to == j && !c.filterInput) {
            EXPECT_EQ(Pixels(), before);
        }
        EXPECT_FALSE(Ed().PopupMenuMain->isVisible());
    }
}

TEST_F(WiresTest, DraggingAWireEndOntoAPinOfAnotherNetJoinsIt) {
    kmr::TFMain &w = Start({"Filter.kmd"});
    const int filter = Put("Filter.kmd", 256, 144);
    // Net 2 already reaches the filter's input; a wire of net 1 ends at (160, 160).
    ASSERT_EQ(Wires().AddSegment(SEGMENT{{256, 160}, {256, 240}, 2}), 2);
    Scheme().SetPinNet(filter, Pin(filter, 2), 2);
    ASSERT_EQ(Wires().AddSegment(SEGMENT{{96, 160}, {160, 160}, 1}), 1);
    w.Canvas->Redraw();
    w.SetMode(kmr::mdMove, true);

    Drag({160, 160}, {256, 160});
    EXPECT_TRUE(SameSet(Segments(), {{{96, 160}, {256, 160}, 1}, {{256, 160}, {256, 240}, 1}}))
        << ::testing::PrintToString(Segments());
    EXPECT_EQ(PinNetOf(filter, 2), 1);
}

// The whole way with the mouse alone: three modules from the toolbar, two
// wires in the Solder mode, the Go button, and the wave file.
TEST_F(WiresTest, MouseOnlyGeneratorFilterRecorderToTheWaveFile) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Filter.kmd", "Taperec.kmd"});
    engine->Params.Freq = 11025;
    engine->Params.FullTime = 0.2;

    const int gen = PlaceWithMouse("Tonegen.kmd", 100, 100), filter = PlaceWithMouse("Filter.kmd", 196, 100),
              rec = PlaceWithMouse("Taperec.kmd", 292, 100);
    ASSERT_EQ(Scheme().CountInstances(), 3);
    ASSERT_TRUE(gen && filter && rec);

    ModeButton(kmr::mdSolder);
    ASSERT_EQ(w.Mode, kmr::mdSolder);
    for (const auto &[from, to] : {std::pair{Pin(gen, 1), Pin(filter, 2)}, std::pair{Pin(filter, 1), Pin(rec, 2)}})
        Drag({from.x, from.y}, {to.x, to.y});
    EXPECT_EQ(Wires().CountSegments(), 2);
    EXPECT_EQ(PinNetOf(gen, 1), 1);
    EXPECT_EQ(PinNetOf(filter, 2), 1);
    EXPECT_EQ(PinNetOf(filter, 1), 2);
    EXPECT_EQ(PinNetOf(rec, 2), 2);

    ModeButton(kmr::mdGo);
    EXPECT_TRUE(modal.shown.empty());
    QElapsedTimer guard;
    guard.start();
    while (w.RunActive() && guard.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_FALSE(w.RunActive());
    EXPECT_EQ(w.Mode, kmr::mdAsk);
    // 0.2 s at 11025 Hz: 2205 samples of two bytes behind the 44-byte header.
    std::error_code ec;
    EXPECT_EQ(std::filesystem::file_size("Taperec00.wav", ec), 44u + 2205u * 2u);
    EXPECT_FALSE(ec);
}

} // namespace
