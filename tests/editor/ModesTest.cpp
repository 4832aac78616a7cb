// The editing modes driven with the mouse: placing with the picture that
// follows the mouse, moving instances with their wire ends, deleting, the
// Ask mode and its highlight, the context menus, labels, and what the
// drawing area refuses while a calculation runs.
#include "CanvasTest.h"

#include <QAction>
#include <QMenu>

#include "Cp1251.h"
#include "Netedit.h"

static bool operator==(const SEGMENT &a, const SEGMENT &b) { return a.a == b.a && a.b == b.b && a.net == b.net; }

namespace {

using edtest::Text;
using kmr::mdAsk;
using kmr::mdDelete;
using kmr::mdGo;
using kmr::mdMain;
using kmr::mdMove;

class ModesTest : public edtest::CanvasFixture {
protected:
    // Pins of every instance, in slot order: the nets they carry.
    std::vector<int> PinNets() {
        std::vector<int> nets;
        for (int s = 1; s <= Scheme().CountInstances(); ++s)
            for (int pin = 1; pin <= 5; ++pin) nets.push_back(PinNet(Scheme().Get(s), pin));
        return nets;
    }
    std::vector<SEGMENT> Segments() {
        std::vector<SEGMENT> all;
        for (int s = 1; s < WIRES::kSlots; ++s)
            if (Wires().Slot(s)->InUse()) all.push_back(*Wires().Slot(s));
        return all;
    }
    void HideMenus() {
        for (QMenu *m : {Ed().PopupMenuModule, Ed().PopupMenuMain, Ed().PopupMenuLabel}) m->hide();
    }
};

TEST_F(ModesTest, PlacingInTheMainMode) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    w.SelectedType = Type("Tonegen.kmd");
    const int right = (w.width() - 32) / 16 * 16; // the last grid x a picture may start at
    struct Case {
        const char *what;
        QPoint press, release;
        bool placed;
        CPOINT loc;
    };
    // An instance of the same type stands at (160, 160).
    const Case cases[] = {
        {"just below the toolbar", {100, 46}, {100, 46}, true, {96, 48}},
        {"on the toolbar: the press never reaches the area", {100, 45}, {100, 45}, false, {}},
        {"released elsewhere, snapped to 16", {100, 100}, {250, 211}, true, {256, 208}},
        {"right edge", {100, 100}, {right + 7, 100}, true, {right, 96}},
        {"beyond the right edge", {100, 100}, {right + 8, 100}, false, {}},
        {"a corner on the other instance", {100, 100}, {140, 140}, false, {}},
        {"released on the other instance", {100, 100}, {170, 170}, false, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Scheme().ClearAll();
        Put("Tonegen.kmd", 160, 160);
        w.Modified = false;
        Press(Qt::LeftButton, c.press.x(), c.press.y());
        Move(c.release.x(), c.release.y());
        Release(Qt::LeftButton, c.release.x(), c.release.y());
        EXPECT_FALSE(Ed().placing);
        ASSERT_EQ(Scheme().CountInstances(), c.placed ? 2 : 1);
        if (c.placed) {
            EXPECT_EQ(Loc(2), c.loc);
            EXPECT_TRUE(w.Modified);
        }
    }
}

TEST_F(ModesTest, APlacedInstanceJoinsTheWireUnderItsPinAndFlashes) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    w.SelectedType = Type("Tonegen.kmd");
    // Placed at (96, 96), a generator has its output at (128, 112).
    const int net = Wires().AddSegment(SEGMENT{{128, 112}, {200, 112}, 0});
    w.Canvas->Redraw();
    const CPOINT onWire{180, 112};
    Click(Qt::LeftButton, 100, 100);
    ASSERT_EQ(Scheme().CountInstances(), 1);
    EXPECT_EQ(Scheme().Get(1)->wireout, net);
    EXPECT_TRUE(Scheme().Selected(1));
    EXPECT_EQ(Pixel(onWire), kmr::kYellow);
    for (int tick = 1; tick <= 7; ++tick) Ed().Timer1Timer();
    EXPECT_EQ(Pixel(onWire), kmr::kBlack);
    EXPECT_FALSE(Scheme().Selected(1));
}

TEST_F(ModesTest, TheRightButtonCancelsPlacingAndLeavesEveryPixel) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    w.SelectedType = Type("Tonegen.kmd");
    Put("Tonegen.kmd", 160, 160);
    w.Canvas->Redraw();
    const QImage before = Pixels();

    // The picture follows the mouse, inverted, over the empty area and over
    // the other instance.
    Press(Qt::LeftButton, 100, 100);
    EXPECT_TRUE(Ed().placing);
    EXPECT_NE(Pixels(), before);
    Move(150, 150);
    EXPECT_EQ(Pixels().pixel(100, 100), before.pixel(100, 100));
    EXPECT_NE(Pixels().pixel(151, 151), before.pixel(151, 151));

    Press(Qt::RightButton, 150, 150);
    EXPECT_FALSE(Ed().placing);
    EXPECT_EQ(Pixels(), before);
    EXPECT_FALSE(Ed().PopupMenuModule->isVisible());
    EXPECT_FALSE(Ed().PopupMenuMain->isVisible());
    Release(Qt::RightButton, 150, 150);
    Release(Qt::LeftButton, 150, 150);
    EXPECT_EQ(Scheme().CountInstances(), 1);
    EXPECT_EQ(Pixels(), before);
    EXPECT_FALSE(w.Modified);
}

TEST_F(ModesTest, MovingAnInstanceWithItsWire) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    // A generator with a wire from its output to a free point, and a second
    // generator to bump into.
    struct Case {
        const char *what;
        QPoint drop;
        bool rightCancel;
        CPOINT loc;     // where the instance ends up
        bool modified;
    };
    const Case cases[] = {
        {"moved: the wire end follows the pin", {140, 120}, false, {128, 112}, true},
        {"onto the other instance: back, but changed", {250, 100}, false, {64, 80}, true},
        {"above the toolbar: back", {70, 20}, false, {64, 80}, false},
        {"cancelled with the right button: back as it was", {140, 120}, true, {64, 80}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Scheme().ClearAll();
        Wires().ClearAll();
        const int a = Put("Tonegen.kmd", 64, 80);
        Put("Tonegen.kmd", 240, 80);
        const CPOINT out = Pin(a, 1);
        ASSERT_TRUE(kmr::LayWire(Wires(), Scheme(), out, CPOINT{out.x + 64, out.y + 48}).Laid());
        w.Canvas->Redraw();
        const std::vector<SEGMENT> wires = Segments();
        const std::vector<int> nets = PinNets();
        const QImage before = Pixels();
        w.SetMode(mdMove, true);
        w.Modified = false;

        // Taken 6, 10 into the picture.
        Press(Qt::LeftButton, 70, 90);
        EXPECT_EQ(Ed().moving, a);
        EXPECT_TRUE(Ed().wiresFollow);
        Move(c.drop.x(), c.drop.y());
        if (c.rightCancel) {
            Press(Qt::RightButton, c.drop.x(), c.drop.y());
            Release(Qt::RightButton, c.drop.x(), c.drop.y());
        }
        Release(Qt::LeftButton, c.drop.x(), c.drop.y());
        EXPECT_EQ(Ed().moving, 0);
        EXPECT_EQ(Loc(a), c.loc);
        EXPECT_EQ(w.Modified, c.modified);
        EXPECT_EQ(PinNets(), nets);
        if (c.loc == CPOINT{64, 80}) {
            EXPECT_EQ(Segments(), wires);
            EXPECT_EQ(Pixels(), before);
        } else {
            ASSERT_EQ(Segments().size(), 1u);
            EXPECT_EQ(Segments()[0].a, Pin(a, 1));
            EXPECT_EQ(Segments()[0].b, wires[0].b);
        }
        EXPECT_FALSE(Ed().PopupMenuMain->isVisible());
    }
}

TEST_F(ModesTest, TheDeleteAndGoModes) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    struct Case {
        const char *what;
        int mode;
        QPoint press;
        int instances, segments;
        bool modified;
    };
    // A generator at (64, 80) wired to a tape recorder at (160, 80), whose
    // play button sits 54..61, 21..29 into its picture.
    const Case cases[] = {
        {"an instance", mdDelete, {70, 90}, 1, 1, true},
        {"the recorder's play button keeps the press", mdDelete, {160 + 56, 80 + 24}, 2, 1, false},
        {"elsewhere on the recorder", mdDelete, {170, 90}, 1, 1, true},
        {"the wire", mdDelete, {130, 97}, 2, 0, true},
        {"nothing there", mdDelete, {300, 250}, 2, 1, false},
        {"Go: nothing", mdGo, {70, 90}, 2, 1, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Scheme().ClearAll();
        Wires().ClearAll();
        const int gen = Put("Tonegen.kmd", 64, 80);
        const int rec = Put("Taperec.kmd", 160, 80);
        ASSERT_TRUE(kmr::LayWire(Wires(), Scheme(), Pin(gen, 1), Pin(rec, 2)).Laid());
        w.Canvas->Redraw();
        w.SetMode(c.mode, true);
        w.Modified = false;
        Click(Qt::LeftButton, c.press.x(), c.press.y());
        EXPECT_EQ(Scheme().CountInstances(), c.instances);
        EXPECT_EQ(Wires().CountSegments(), c.segments);
        EXPECT_EQ(w.Modified, c.modified);
        if (c.segments == 0) {
            EXPECT_EQ(PinNets(), std::vector<int>(10, 0));
        }
    }
}

TEST_F(ModesTest, AskModeShowsANetInWhiteForSevenTicks) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    const int gen = Put("Tonegen.kmd", 64, 96);
    const int rec = Put("Taperec.kmd", 256, 96);
    const int other = Put("Tonegen.kmd", 64, 200);
    // Eleven segments of nets 1 and 2 elsewhere, then the wire from the
    // generator to the recorder as segment 12 of net 3.
    for (int i = 0; i < 11; ++i)
        ASSERT_EQ(Wires().AddSegment(SEGMENT{{200, 240 + 8 * i}, {300, 240 + 8 * i}, 1 + i % 2}), 1 + i % 2);
    const CPOINT from = Pin(gen, 1), to = Pin(rec, 2);
    ASSERT_EQ(Wires().AddSegment(SEGMENT{from, to, 3}), 3);
    ASSERT_EQ(Wires().last, 12);
    Scheme().Get(gen)->wireout = 3;
    Scheme().Get(rec)->wirein[0] = 3;
    w.Canvas->Redraw();
    w.SetMode(mdAsk, true);

    const CPOINT middle{(from.x + to.x) / 2, from.y};
    Click(Qt::LeftButton, middle.x, middle.y + 2);
    EXPECT_EQ(w.StatusText->text(), Text(2) + QStringLiteral("3") + Text(3) + QStringLiteral("12"));
    EXPECT_EQ(Pixel(middle), kmr::kWhite);
    EXPECT_TRUE(Scheme().Selected(gen) && Scheme().Selected(rec));
    EXPECT_FALSE(Scheme().Selected(other));
    for (int tick = 1; tick <= 6; ++tick) Ed().Timer1Timer();
    EXPECT_EQ(Pixel(middle), kmr::kWhite);
    Ed().Timer1Timer();
    EXPECT_EQ(Pixel(middle), kmr::kBlack);
    EXPECT_FALSE(Scheme().Selected(gen) || Scheme().Selected(rec));
}

TEST_F(ModesTest, TheModuleAndMainContextMenus) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    Put("Tonegen.kmd", 64, 80);
    w.Canvas->Redraw();

    Click(Qt::RightButton, 70, 90);
    EXPECT_EQ(w.StatusText->text(), Text(4) + QStringLiteral("1"));
    EXPECT_EQ(Ed().ModuleCtx, 1);
    EXPECT_TRUE(Ed().PopupMenuModule->isVisible());
    EXPECT_EQ(Ed().pmModuleDelete->text(), Text(44));
    EXPECT_EQ(Ed().pmInsp->text(), Text(103) + QStringLiteral("  F11"));
    HideMenus();

    // Nothing copied yet: the main menu offers no paste.
    Click(Qt::RightButton, 200, 150);
    EXPECT_TRUE(Ed().PopupMenuMain->isVisible());
    EXPECT_EQ(Ed().PopupPoint, QPoint(200, 150));
    EXPECT_FALSE(Ed().pmPaste->isEnabled());
    HideMenus();

    // Copy, then paste where the main menu was opened.
    Ed().ModuleCtx = 1;
    Ed().pmModuleCopy->trigger();
    Click(Qt::RightButton, 200, 150);
    EXPECT_TRUE(Ed().pmPaste->isEnabled());
    HideMenus();
    w.Modified = false;
    Ed().pmPaste->trigger();
    ASSERT_EQ(Scheme().CountInstances(), 2);
    EXPECT_EQ(Loc(2), (CPOINT{208, 144}));
    EXPECT_TRUE(w.Modified);

    // Deleting from the menu is a change of the project like deleting in
    // the Delete mode.
    w.Modified = false;
    Ed().ModuleCtx = 1;
    Ed().pmModuleDelete->trigger();
    EXPECT_EQ(Scheme().CountInstances(), 1);
    EXPECT_EQ(Loc(1), (CPOINT{208, 144}));
    EXPECT_TRUE(w.Modified);
    // An empty slot in the context does nothing.
    w.Modified = false;
    Ed().ModuleCtx = 5;
    for (QAction *a : {Ed().pmModuleSetup, Ed().pmModuleDelete, Ed().pmModuleCopy, Ed().pmModuleAbout})
        a->trigger();
    EXPECT_EQ(Scheme().CountInstances(), 1);
    EXPECT_FALSE(w.Modified);
    EXPECT_TRUE(modal.shown.empty());
}

TEST_F(ModesTest, LabelsAreAddedDraggedAndDeleted) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    kmr::LABCLASS &labels = engine->Labels;
    const std::string word = kmr::Utf8ToCp1251(GetString(25));

    w.mAddText->trigger();
    ASSERT_NE(labels.Get(0), nullptr);
    EXPECT_EQ(labels.Get(0)->Text, word);
    EXPECT_EQ(w.Canvas->LabelWidget(0)->pos(), QPoint(10, 50));
    Click(Qt::RightButton, 150, 120);
    HideMenus();
    w.Modified = false;
    Ed().pmAddText->trigger();
    ASSERT_NE(labels.Get(1), nullptr);
    EXPECT_EQ(QPoint(labels.Get(1)->Left, labels.Get(1)->Top), QPoint(150, 120));
    EXPECT_TRUE(w.Modified);

    // Dragged by the mouse: its corner follows the pointer, the record too.
    w.Modified = false;
    QLabel *widget = w.Canvas->LabelWidget(1);
    Press(Qt::LeftButton, 153, 124);
    EXPECT_EQ(Ed().DragLabel, 1);
    Move(260, 200);
    Release(Qt::LeftButton, 260, 200);
    EXPECT_EQ(widget->pos(), QPoint(260, 200));
    EXPECT_EQ(QPoint(labels.Get(1)->Left, labels.Get(1)->Top), QPoint(260, 200));
    EXPECT_TRUE(w.Modified);
    EXPECT_EQ(Scheme().CountInstances(), 0); // the press was the label's

    // Its own menu, then deleted.
    Click(Qt::RightButton, 265, 205);
    EXPECT_EQ(Ed().LabelCtx, 1);
    EXPECT_TRUE(Ed().PopupMenuLabel->isVisible());
    EXPECT_EQ(Ed().pmLabelDelete->text(), Text(44));
    EXPECT_FALSE(Ed().pmLabelEdit->isEnabled()); // no label editor attached
    HideMenus();
    Ed().pmLabelDelete->trigger();
    EXPECT_EQ(labels.Get(1), nullptr);
    EXPECT_EQ(w.Canvas->LabelWidget(1), nullptr);
    EXPECT_EQ(labels.CountLabels(), 1);
}

TEST_F(ModesTest, NothingChangesWhileACalculationRuns) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    w.SelectedType = Type("Tonegen.kmd");
    Put("Tonegen.kmd", 64, 80);
    w.mAddText->trigger();
    w.Canvas->Redraw();
    Ed().pmModuleCopy->trigger();
    edtest::FakeRun run;
    w.SetRun(&run);
    w.RunStarted();
    const QImage before = Pixels();
    w.Modified = false;

    for (int mode : {mdMain, mdDelete, mdMove}) {
        w.Mode = mode;
        Press(Qt::LeftButton, 70, 90);
        Move(200, 200);
        Release(Qt::LeftButton, 200, 200);
        Click(Qt::LeftButton, 300, 200);
    }
    Click(Qt::RightButton, 70, 90);
    EXPECT_FALSE(Ed().PopupMenuModule->isVisible());
    Ed().ModuleCtx = 1;
    Ed().PopupPoint = QPoint(200, 200);
    Ed().LabelCtx = 0;
    for (QAction *a : {Ed().pmModuleDelete, Ed().pmPaste, Ed().pmAddText, Ed().pmLabelDelete, w.mAddText}) a->trigger();
    Press(Qt::LeftButton, 12, 52); // the label
    Move(200, 250);
    Release(Qt::LeftButton, 200, 250);
    Ed().TBGoClick();

    EXPECT_EQ(Scheme().CountInstances(), 1);
    EXPECT_EQ(Loc(1), (CPOINT{64, 80}));
    EXPECT_EQ(engine->Labels.CountLabels(), 1);
    EXPECT_EQ(w.Canvas->LabelWidget(0)->pos(), QPoint(10, 50));
    EXPECT_EQ(Pixels(), before);
    EXPECT_FALSE(w.Modified);
    EXPECT_TRUE(modal.shown.empty());

    // Once the end is reported, presses work again.
    run.running = false;
    QCoreApplication::postEvent(&w, new kmr::RunEndEvent(kmr::RunEnd::Cancelled));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.Mode, mdMain);
    w.SetMode(mdDelete, true);
    Click(Qt::LeftButton, 70, 90);
    EXPECT_EQ(Scheme().CountInstances(), 0);
}

} // namespace
