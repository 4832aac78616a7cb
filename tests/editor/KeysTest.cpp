// The keys of the main window with the mouse pointing: the wire commands,
// copy, paste and delete of a module, the inspector key, the tip of the day,
// the help key of the focused window, and what no key does while a
// calculation runs or a mouse gesture holds the schematic.
#include "WireTest.h"

#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTextBrowser>
#include <cstring>

#include "Help.h"

namespace {

using edtest::Seg;
using edtest::Text;

class KeysTest : public edtest::WireFixture {
protected:
    // Generator A (slot 1) wired to recorder R (slot 2) by one segment of
    // net 1; generator B (slot 3) wired to recorder S (slot 4) by three
    // right-angled segments of net 2; a slanted segment of net 3 and a steep
    // one of net 4, extents 8 by 40.
    void Schematic() {
        Put("Tonegen.kmd", 64, 80);
        Put("Taperec.kmd", 160, 80);
        Put("Tonegen.kmd", 64, 176);
        Put("Taperec.kmd", 160, 224);
        kmr::LayOptions turn;
        turn.segConvertion = true;
        ASSERT_TRUE(kmr::LayWire(Wires(), Scheme(), Pin(1, 1), Pin(2, 2)).Laid());
        ASSERT_TRUE(kmr::LayWire(Wires(), Scheme(), Pin(3, 1), Pin(4, 2), turn).turned);
        ASSERT_EQ(Wires().AddSegment(SEGMENT{{256, 176}, {320, 224}, 3}), 3);
        ASSERT_EQ(Wires().AddSegment(SEGMENT{{256, 256}, {264, 296}, 4}), 4);
        window->Canvas->Redraw();
    }
    // The output of A, the input of R, the output of B, the input of S.
    std::vector<int> WiredPins() { return {PinNetOf(1, 1), PinNetOf(2, 2), PinNetOf(3, 1), PinNetOf(4, 2)}; }
};

TEST_F(KeysTest, WireKeysActOnTheSegmentUnderTheMouse) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    const std::vector<Seg> net1{{{96, 96}, {160, 96}, 1}};
    const std::vector<Seg> net2{{{96, 192}, {128, 192}, 2}, {{128, 192}, {128, 240}, 2}, {{128, 240}, {160, 240}, 2}};
    const std::vector<Seg> net3{{{256, 176}, {320, 224}, 3}};
    const std::vector<Seg> net4{{{256, 256}, {264, 296}, 4}};
    const std::vector<int> wired{1, 1, 2, 2};
    struct Case {
        const char *what;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        quint32 scanCode; // not 0: the key comes as this physical key of another layout
        QPoint mouse;
        int net;                  // the net the key changes, 0 none
        std::vector<Seg> after;   // its segments afterwards
        std::vector<int> pins;    // WiredPins afterwards
        bool modified;
    };
    const Case cases[] = {
        {"Delete on the one segment joining two pins", Qt::Key_Delete, {}, 0, {128, 97}, 1, {}, {0, 0, 2, 2}, true},
        {"Shift+Delete the same", Qt::Key_Delete, Qt::ShiftModifier, 0, {128, 97}, 1, {}, {0, 0, 2, 2}, true},
        {"Delete on one piece of three: the pins still reached keep the net", Qt::Key_Delete, {}, 0, {129, 210}, 2, {net2[0], net2[2]}, wired, true},
        {"F8 deletes the whole net", Qt::Key_F8, {}, 0, {129, 210}, 2, {}, {1, 1, 0, 0}, true},
        {"F splits at the mouse", Qt::Key_F, {}, 0, {121, 97}, 1, {{{96, 96}, {120, 96}, 1}, {{120, 96}, {160, 96}, 1}}, wired, true},
        {"Ctrl+F the same", Qt::Key_F, Qt::ControlModifier, 0, {121, 97}, 1, {{{96, 96}, {120, 96}, 1}, {{120, 96}, {160, 96}, 1}}, wired, true},
        {"F of a Cyrillic layout", Qt::Key(0x0424), {}, 41, {121, 97}, 1, {{{96, 96}, {120, 96}, 1}, {{120, 96}, {160, 96}, 1}}, wired, true},
        {"A turns a slanted segment", Qt::Key_A, {}, 0, {288, 200}, 3, {{{256, 176}, {288, 176}, 3}, {{288, 176}, {288, 224}, 3}, {{288, 224}, {320, 224}, 3}}, wired, true},
        {"Alt+A the same", Qt::Key_A, Qt::AltModifier, 0, {288, 200}, 3, {{{256, 176}, {288, 176}, 3}, {{288, 176}, {288, 224}, 3}, {{288, 224}, {320, 224}, 3}}, wired, true},
        {"A on extents 8 by 40: nothing", Qt::Key_A, {}, 0, {260, 276}, 0, {}, wired, false},
        {"Delete away from every wire: nothing", Qt::Key_Delete, {}, 0, {400, 300}, 0, {}, wired, false},
        {"F8 away from every wire: nothing", Qt::Key_F8, {}, 0, {400, 300}, 0, {}, wired, false},
        {"D is no key of the table", Qt::Key_D, {}, 0, {128, 97}, 0, {}, wired, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Scheme().ClearAll();
        Wires().ClearAll();
        Schematic();
        w.Modified = false;

        if (c.scanCode) {
            Move(c.mouse.x(), c.mouse.y());
            QKeyEvent press(QEvent::KeyPress, c.key, c.mods, c.scanCode, 0, 0, QStringLiteral("ф"));
            QCoreApplication::sendEvent(&w, &press);
        } else {
            KeyAt(c.mouse.x(), c.mouse.y(), c.key, c.mods);
        }

        EXPECT_EQ(w.Modified, c.modified);
        EXPECT_EQ(WiredPins(), c.pins);
        for (const auto &[net, before] : {std::pair{1, net1}, std::pair{2, net2}, std::pair{3, net3}, std::pair{4, net4}}) {
            const std::vector<Seg> &expected = net == c.net ? c.after : before;
            EXPECT_TRUE(SameSet(Net(net), expected)) << "net " << net << ": " << ::testing::PrintToString(Net(net));
        }
        // Whatever changed is drawn: the wire under the mouse is gone or black.
        const CPOINT under = Snap8(CPOINT{c.mouse.x(), c.mouse.y()});
        if (Wires().FindOn(under)) {
            EXPECT_EQ(Pixel(under), kmr::kBlack);
        }
    }
}

TEST_F(KeysTest, CopyPasteAndDeleteOfAModule) {
    kmr::TFMain &w = Start({"Delay.kmd", "Tonegen.kmd"});
    const int delay = Put("Delay.kmd", 64, 80);
    const int gen = Put("Tonegen.kmd", 160, 160);
    MODULE *d = Scheme().Get(delay);
    d->amp = 50.0;
    double time = 0.75;
    std::memcpy(reinterpret_cast<char *>(d) + sizeof(MODULE), &time, sizeof time);
    ASSERT_TRUE(kmr::LayWire(Wires(), Scheme(), Pin(gen, 1), CPOINT{256, 240}).Laid());
    const std::vector<Seg> wires = Segments();
    w.Canvas->Redraw();

    // Over empty space Ctrl+C copies nothing, so Ctrl+V pastes nothing.
    KeyAt(300, 100, Qt::Key_C, Qt::ControlModifier);
    KeyAt(300, 250, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Scheme().CountInstances(), 2);
    // Without Ctrl the letters are no commands.
    KeyAt(70, 90, Qt::Key_C);
    KeyAt(300, 250, Qt::Key_V);
    EXPECT_EQ(Scheme().CountInstances(), 2);

    KeyAt(70, 90, Qt::Key_C, Qt::ControlModifier);
    w.Modified = false;
    KeyAt(300, 250, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(Scheme().CountInstances(), 3);
    const MODULE *pasted = Scheme().Get(3);
    EXPECT_EQ(pasted->Index, d->Index);
    EXPECT_EQ(pasted->loc, (CPOINT{304, 256}));
    EXPECT_EQ(pasted->amp, 50.0);
    double pastedTime = 0;
    std::memcpy(&pastedTime, reinterpret_cast<const char *>(pasted) + sizeof(MODULE), sizeof pastedTime);
    EXPECT_EQ(pastedTime, 0.75);
    EXPECT_TRUE(w.Modified);

    // Ctrl+X over empty space does nothing; over the generator it deletes
    // it and its wire stays where it was.
    w.Modified = false;
    Ed().ModuleCtx = 3;
    KeyAt(400, 100, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Scheme().CountInstances(), 3);
    EXPECT_EQ(Ed().ModuleCtx, 3);
    KeyAt(170, 170, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Scheme().CountInstances(), 2);
    EXPECT_EQ(Scheme().FindAt(CPOINT{170, 170}), 0);
    EXPECT_TRUE(SameSet(Segments(), wires));
    EXPECT_TRUE(w.Modified);
}

TEST_F(KeysTest, TheInspectorKey) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    std::vector<int> opened;
    Ed().SetInspector([&](int slot) { opened.push_back(slot); });
    QWidget inspector;
    w.Keys->SetInspectorWindow(&inspector);

    // An empty scheme: nothing to inspect.
    KeyAt(300, 250, Qt::Key_F11);
    EXPECT_TRUE(opened.empty());

    for (int x : {64, 128, 192}) Put("Tonegen.kmd", x, 80);
    // Fresh: over empty space the first instance.
    KeyAt(300, 250, Qt::Key_F11);
    // Over an instance: that one, named in the status bar.
    KeyAt(140, 90, Qt::Key_F11);
    EXPECT_EQ(w.StatusText->text(), Text(4) + QStringLiteral("2"));
    // After a right click on instance 3, over empty space: instance 3.
    Click(Qt::RightButton, 200, 90);
    Ed().PopupMenuModule->hide();
    KeyAt(300, 250, Qt::Key_F11);
    EXPECT_EQ(opened, (std::vector<int>{1, 2, 3}));

    // Shown, it is hidden wherever the mouse is.
    inspector.show();
    KeyAt(70, 90, Qt::Key_F11);
    EXPECT_FALSE(inspector.isVisible());
    EXPECT_EQ(opened.size(), 3u);
}

TEST_F(KeysTest, CtrlTShowsTheTipInTheRussianInterfaceOnly) {
    kmr::TFMain &w = Start({});
    for (char lang : {0, 1}) {
        SCOPED_TRACE(int(lang));
        modal.shown.clear();
        engine->Params.Lang = lang;
        KeyAt(300, 250, Qt::Key_T, Qt::ControlModifier);
        KeyAt(300, 250, Qt::Key_T);
        QCoreApplication::processEvents();
        EXPECT_EQ(modal.Count(QStringLiteral("kmr::TTipOfDay")), lang == 0 ? 1 : 0);
        EXPECT_EQ(int(modal.shown.size()), lang == 0 ? 1 : 0);
    }
    engine->Params.Lang = 0;
    (void)w;
}

TEST_F(KeysTest, TheHelpKeyOpensTheTopicOfTheFocusedWindow) {
    kmr::TFMain &w = Start({});
    for (const char *page : {"index", "700", "790"})
        edtest::WriteFile(std::string("Help/") + page + ".html", std::string("<html><title>") + page + "</title></html>");
    kmr::SetHelpFile(kmr::FindHelpFile());
    auto shownPage = [] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *help = qobject_cast<QTextBrowser *>(top); help && help->objectName() == QLatin1String("HelpWindow") &&
                                                                help->isVisible())
                return help->source().fileName();
        return QString();
    };
    auto closeHelp = [] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("HelpWindow")) top->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    closeHelp();

    QTest::keyClick(w.windowHandle(), Qt::Key_F1);
    EXPECT_EQ(shownPage(), QStringLiteral("700.html"));
    closeHelp();

    // A dialog with a topic of its own, the focus on its button.
    QDialog dialog(&w);
    kmr::SetHelpContext(&dialog, 790);
    auto *button = new QPushButton(QStringLiteral("OK"), &dialog);
    dialog.show();
    button->setFocus();
    QTest::keyClick(dialog.windowHandle(), Qt::Key_F1);
    EXPECT_EQ(shownPage(), QStringLiteral("790.html"));
    closeHelp();

    // A window without a topic does not borrow its owner's.
    kmr::SetHelpContext(&dialog, 0);
    QTest::keyClick(dialog.windowHandle(), Qt::Key_F1);
    EXPECT_EQ(shownPage(), QString());
    dialog.hide();
    kmr::SetHelpFile(QString());
}

TEST_F(KeysTest, NoKeyActsWhileACalculationRuns) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    Schematic();
    std::vector<int> opened;
    Ed().SetInspector([&](int slot) { opened.push_back(slot); });
    int exports = 0;
    w.Keys->SetPictureExport([&] { ++exports; });
    KeyAt(70, 90, Qt::Key_C, Qt::ControlModifier); // something to paste
    edtest::FakeRun run;
    w.SetRun(&run);
    w.RunStarted();
    const std::vector<Seg> segments = Segments();
    const QImage before = Pixels();
    w.Modified = false;

    for (const QPoint at : {QPoint{128, 97}, QPoint{288, 200}, QPoint{70, 90}, QPoint{300, 250}})
        for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers{}, Qt::KeyboardModifiers{Qt::ControlModifier}})
            for (Qt::Key key : {Qt::Key_F11, Qt::Key_F5, Qt::Key_F8, Qt::Key_Delete, Qt::Key_A, Qt::Key_F, Qt::Key_T,
                                Qt::Key_V, Qt::Key_X, Qt::Key_C})
                KeyAt(at.x(), at.y(), key, mods);
    QCoreApplication::processEvents();

    EXPECT_EQ(Scheme().CountInstances(), 4);
    EXPECT_TRUE(SameSet(Segments(), segments));
    EXPECT_EQ(Pixels(), before);
    EXPECT_FALSE(w.Modified);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(exports, 0);
    EXPECT_TRUE(modal.shown.empty());

    // Once the end is reported the keys work again.
    run.running = false;
    QCoreApplication::postEvent(&w, new kmr::RunEndEvent(kmr::RunEnd::Cancelled));
    QCoreApplication::processEvents();
    KeyAt(300, 250, Qt::Key_F5);
    EXPECT_EQ(exports, 1);
    KeyAt(128, 97, Qt::Key_Delete);
    EXPECT_EQ(Wires().CountSegments(), int(segments.size()) - 1);
}

// A key that changes the schematic under a gesture still in progress would
// leave the gesture holding what is gone (a deleted instance being moved, a
// segment slot reused under a dragged end); such keys wait for its end.
TEST_F(KeysTest, KeysThatChangeTheSchematicWaitForTheMouseGesture) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    Schematic();
    struct Case {
        const char *what;
        int mode;
        QPoint press, key, release;
        Qt::Key k;
        Qt::KeyboardModifiers mods;
    };
    const Case cases[] = {
        {"Ctrl+X of the instance being moved", kmr::mdMove, {70, 90}, {70, 90}, {70, 90}, Qt::Key_X, Qt::ControlModifier},
        {"Delete of a segment whose end is dragged", kmr::mdMove, {128, 240}, {140, 240}, {128, 240}, Qt::Key_Delete, {}},
        {"F8 of the net a wire starts from", kmr::mdSolder, {128, 192}, {128, 210}, {128, 192}, Qt::Key_F8, {}},
        {"Ctrl+V while a picture follows the mouse", kmr::mdMain, {400, 100}, {400, 100}, {400, 100}, Qt::Key_V, Qt::ControlModifier},
    };
    KeyAt(70, 90, Qt::Key_C, Qt::ControlModifier);
    w.SelectedType = Type("Tonegen.kmd");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Seg> segments = Segments();
        const std::vector<int> pins = PinNets();
        const int instances = Scheme().CountInstances();
        w.SetMode(c.mode, true);
        Press(Qt::LeftButton, c.press.x(), c.press.y());
        KeyAt(c.key.x(), c.key.y(), c.k, c.mods);
        EXPECT_EQ(Scheme().CountInstances(), instances);
        EXPECT_TRUE(SameSet(Segments(), segments));
        // Dropped where it was taken up, the gesture changes nothing either.
        if (c.mode == kmr::mdMain) {
            Click(Qt::RightButton, c.release.x(), c.release.y());
        } else {
            Move(c.release.x(), c.release.y());
        }
        Release(Qt::LeftButton, c.release.x(), c.release.y());
        EXPECT_EQ(Scheme().CountInstances(), instances);
        EXPECT_TRUE(SameSet(Segments(), segments)) << ::testing::PrintToString(Segments());
        EXPECT_EQ(PinNets(), pins);
    }
}

} // namespace
