// The Go command from the toolbar: the run check's refusals with their
// messages, modes and highlights, and a whole calculation of a schematic
// placed with the mouse, from the press on Go to the wave file.
#include "CanvasTest.h"

#include <QElapsedTimer>
#include <QToolButton>
#include <filesystem>

#include "Netedit.h"

namespace {

using edtest::Text;

class GoTest : public edtest::CanvasFixture {
protected:
    void PressGo() {
        const int index = W().Panel1->IndexOfTag(kmr::kModeTagBase + kmr::mdGo);
        ASSERT_GE(index, 0);
        static_cast<QToolButton *>(W().Panel1->Control(index))->click();
    }
    // Lets the window run until the calculation's end has been reported.
    void WaitForTheEnd() {
        QElapsedTimer guard;
        guard.start();
        while (W().RunActive() && guard.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_FALSE(W().RunActive());
    }
};

TEST_F(GoTest, RefusalsShowTheirMessageModeAndMarks) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Plusbox.kmd"});
    struct Case {
        const char *what;
        int instances; // 0: none; 1: a generator; 2: generator and adder
        bool wire;     // the generator's output to the adder's first input
        int message;
        int mode;
        bool adderSelected;
    };
    const Case cases[] = {
        {"an empty schematic", 0, false, 7, kmr::mdMain, false},
        {"no wires", 2, false, 8, kmr::mdSolder, false},
        {"an adder input left open", 2, true, 16, kmr::mdSolder, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Scheme().ClearAll();
        Wires().ClearAll();
        int gen = 0, adder = 0;
        if (c.instances >= 1) gen = Put("Tonegen.kmd", 64, 80);
        if (c.instances >= 2) adder = Put("Plusbox.kmd", 160, 80);
        if (c.wire) {
            ASSERT_TRUE(kmr::LayWire(Wires(), Scheme(), Pin(gen, 1), Pin(adder, 2)).Laid());
        }
        w.Canvas->Redraw();
        const QImage plain = Pixels();
        modal.shown.clear();

        PressGo();
        ASSERT_EQ(modal.shown.size(), 1u);
        EXPECT_EQ(modal.shown[0].type, QStringLiteral("kmr::TFormMessage"));
        EXPECT_EQ(modal.shown[0].text, Text(c.message));
        EXPECT_EQ(modal.shown[0].title, Text(9));
        EXPECT_EQ(w.Mode, c.mode);
        EXPECT_TRUE(w.ErrorShown);
        EXPECT_FALSE(w.RunActive());
        if (c.adderSelected) {
            EXPECT_TRUE(Scheme().Selected(adder));
            EXPECT_FALSE(Scheme().Selected(gen));
            EXPECT_NE(Pixels(), plain); // drawn selected
        }
        // The next press ends what the refusal shows (at the right edge,
        // where the Main mode places nothing).
        Click(Qt::LeftButton, w.width() - 10, 250);
        EXPECT_FALSE(Scheme().Selected(adder));
        EXPECT_EQ(Pixels(), plain);
    }
}

TEST_F(GoTest, ANetDrivenTwiceStaysRedUntilTheNextModeButton) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Plusbox.kmd"});
    const int a = Put("Tonegen.kmd", 64, 80);
    const int b = Put("Tonegen.kmd", 64, 160);
    ASSERT_TRUE(kmr::LayWire(Wires(), Scheme(), Pin(a, 1), Pin(b, 1)).Laid());
    w.Canvas->Redraw();
    const CPOINT onWire = Pin(a, 1) + CPOINT{0, 8};
    ASSERT_EQ(Pixel(onWire), kmr::kBlack);

    PressGo();
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_EQ(modal.shown[0].text, Text(11));
    EXPECT_EQ(w.Mode, kmr::mdDelete);
    EXPECT_EQ(Pixel(onWire), kmr::kRed);
    EXPECT_TRUE(Scheme().Selected(a) && Scheme().Selected(b));
    Ed().Timer1Timer();
    EXPECT_EQ(Pixel(onWire), kmr::kRed);

    static_cast<QToolButton *>(w.Panel1->Control(kmr::mdMove))->click();
    EXPECT_EQ(w.Mode, kmr::mdMove);
    EXPECT_FALSE(w.ErrorShown);
    Ed().Timer1Timer();
    EXPECT_EQ(Pixel(onWire), kmr::kBlack);
    EXPECT_FALSE(Scheme().Selected(a) || Scheme().Selected(b));
}

TEST_F(GoTest, AGeneratorOntoTapeFromThePressesToTheWaveFile) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    engine->Params.Freq = 11025;
    engine->Params.FullTime = 0.2;

    // Placed with the mouse from the toolbar's module buttons.
    for (const auto &[file, x] : {std::pair{"Tonegen.kmd", 100}, std::pair{"Taperec.kmd", 196}}) {
        const int index = w.Panel1->IndexOfTag(Type(file), kmr::kFirstModuleControl);
        ASSERT_GE(index, 0);
        static_cast<QToolButton *>(w.Panel1->Control(index))->click();
        Click(Qt::LeftButton, x, 100);
    }
    ASSERT_EQ(Scheme().CountInstances(), 2);
    EXPECT_EQ(Loc(1), (CPOINT{96, 96}));
    EXPECT_EQ(Loc(2), (CPOINT{192, 96}));
    ASSERT_TRUE(kmr::LayWire(Wires(), Scheme(), Pin(1, 1), Pin(2, 2)).Laid());
    w.Canvas->Redraw();

    PressGo();
    EXPECT_TRUE(modal.shown.empty());
    EXPECT_TRUE(w.RunActive() || w.FormGo->isVisible() || w.Mode == kmr::mdAsk);
    WaitForTheEnd();

    EXPECT_EQ(w.Mode, kmr::mdAsk);
    EXPECT_TRUE(w.Panel1->isEnabled());
    EXPECT_FALSE(w.FormGo->isVisible());
    const int64_t e = engine->Go.StopTime() - engine->Go.StartTime();
    EXPECT_EQ(w.StatusText->text(), Text(18) + QString::number(e / 1000) + QLatin1Char('.') +
                                        QStringLiteral("%1").arg(int(e % 1000), 3, 10, QLatin1Char('0')) + Text(74));
    // 0.2 s at 11025 Hz: 2205 samples of two bytes behind the 44-byte header.
    std::error_code ec;
    EXPECT_EQ(std::filesystem::file_size("Taperec00.wav", ec), 44u + 2205u * 2u);
    EXPECT_FALSE(ec);
}

TEST_F(GoTest, TheEndOfARun) {
    kmr::TFMain &w = Start({"Tonegen.kmd"});
    Put("Tonegen.kmd", 64, 80);
    edtest::FakeRun run;
    w.SetRun(&run);
    struct Case {
        const char *what;
        kmr::RunEnd end;
        int64_t elapsed;
        int mode;
        QString status;
        int messages;
    };
    const Case cases[] = {
        {"finished", kmr::RunEnd::Finished, 2005, kmr::mdAsk, Text(18) + QStringLiteral("2.005") + Text(74), 0},
        {"finished at once", kmr::RunEnd::Finished, 7, kmr::mdAsk, Text(18) + QStringLiteral("0.007") + Text(74), 0},
        {"cancelled", kmr::RunEnd::Cancelled, 0, kmr::mdMain, Text(19), 0},
        {"a module refused to start", kmr::RunEnd::StartFailed, 0, kmr::mdAsk, QString(), 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        modal.shown.clear();
        w.SetMode(kmr::mdGo, true);
        run.running = true;
        run.progress = 40;
        w.RunStarted();
        Ed().Timer1Timer();
        EXPECT_EQ(w.StatusText->text(), Text(6) + QStringLiteral("40 %"));
        // The calculation marks the instance that refused.
        if (c.end == kmr::RunEnd::StartFailed) Scheme().Mark(1, true);
        w.StatusText->clear();
        run.running = false;
        run.elapsed = c.elapsed;
        QCoreApplication::postEvent(&w, new kmr::RunEndEvent(c.end));
        QCoreApplication::processEvents();
        EXPECT_FALSE(w.RunActive());
        EXPECT_EQ(w.Mode, c.mode);
        EXPECT_EQ(w.StatusText->text(), c.status);
        ASSERT_EQ(int(modal.shown.size()), c.messages);
        if (c.messages) {
            EXPECT_EQ(modal.shown[0].text, Text(20));
            EXPECT_EQ(modal.shown[0].title, Text(21));
            EXPECT_TRUE(w.ErrorShown);
            EXPECT_TRUE(Scheme().Selected(1));
            // Shown until the next press.
            Click(Qt::LeftButton, 400, 250);
            EXPECT_FALSE(Scheme().Selected(1));
        }
    }
}

} // namespace
