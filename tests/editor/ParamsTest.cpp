// The settings dialog: the duration edit and the track bar in step, the
// durations it refuses, what OK stores and Cancel leaves alone, when the
// project counts as changed, and the language buttons.
#include "CanvasTest.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <filesystem>
#include <functional>

#include "Keys.h"
#include "Uparams.h"

namespace {

using edtest::Text;
using kmr::TFormParams;

class ParamsTest : public edtest::CanvasFixture {
protected:
    void TearDown() override {
        Language.SetFolder(KMR_PROGRAM_DIR);
        edtest::CanvasFixture::TearDown();
    }

    // The settings command, with `act` working the dialog before it closes;
    // answers the dialog's result.
    int Settings(const std::function<void(TFormParams &)> &act) {
        int result = -1;
        modal.answer = [&](QDialog &d) {
            auto *form = qobject_cast<TFormParams *>(&d);
            if (!form) return otherDialogs ? otherDialogs(d) : 0;
            act(*form);
            result = form->result();
            return result;
        };
        W().mParamsClick();
        modal.answer = nullptr;
        return result;
    }

    // How windows the dialog opens are answered.
    std::function<int(QDialog &)> otherDialogs;

    // Replaces the edit's text as a paste would.
    static void Type(TFormParams &f, const QString &text) {
        f.Edit->selectAll();
        f.Edit->insert(text);
    }
};

TEST_F(ParamsTest, DurationEditAndTrackBarStayInStep) {
    Start({"Plusbox.kmd"});
    engine->Params.FullTime = 5.0;
    {
        TFormParams f(W());
        EXPECT_EQ(f.Edit->text(), QStringLiteral("5.00"));
        EXPECT_EQ(f.TrackBar->value(), 500);
        EXPECT_EQ(f.PageSetup->currentIndex(), 0);
        EXPECT_FALSE(f.Modified());
    }

    struct Bar {
        int position;
        const char *shown;
    };
    // 29 hundredths are a little less than 0.29 * 100 in binary: the bar
    // must not slip to 28 when the edit's text comes back to it.
    for (const Bar &c : {Bar{1000, "10.00"}, Bar{1, "0.01"}, Bar{29, "0.29"}, Bar{250, "2.50"}}) {
        SCOPED_TRACE(c.position);
        TFormParams f(W());
        f.TrackBar->setValue(c.position);
        EXPECT_EQ(f.Edit->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(f.TrackBar->value(), c.position);
        EXPECT_DOUBLE_EQ(f.Duration(), c.position / 100.0);
        EXPECT_TRUE(f.Modified());
    }

    struct Typed {
        const char *typed;
        const char *shown; // the edit's text afterwards
        int position;
        double duration;
    };
    const Typed cases[] = {
        {"2.5", "2.50", 250, 2.5},
        {"  7 ", "7.00", 700, 7.0},
        {"20", "20", 1000, 20.0},       // above the bar: stays as typed
        {"abc", "0.00", 0, 0.0},        // unreadable: 0
        {"", "0.00", 0, 0.0},
        {"48695", "48695", 1000, 48695.0}, // the longest whole-second run at 44100 Hz
        {"48696", "5.00", 500, 5.0},    // too many samples for a run: not taken
        {"inf", "5.00", 500, 5.0},
        {"nan", "5.00", 500, 5.0},
    };
    for (const Typed &c : cases) {
        SCOPED_TRACE(c.typed);
        TFormParams f(W());
        Type(f, QString::fromLatin1(c.typed));
        EXPECT_EQ(f.Edit->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(f.TrackBar->value(), c.position);
        EXPECT_DOUBLE_EQ(f.Duration(), c.duration);
    }

    // A duration from a project file that no run could use is still shown
    // as it is, and OK without touching it keeps it.
    engine->Params.FullTime = 1e300;
    {
        TFormParams f(W());
        EXPECT_EQ(f.Edit->text().left(5), QStringLiteral("10000"));
        EXPECT_EQ(f.Edit->text().size(), 304);
        EXPECT_EQ(f.TrackBar->value(), 1000);
        f.BtnOK->click();
        EXPECT_EQ(f.Duration(), 1e300);
    }

    // Typing 5 over a position of 0 turns the text into 5.00 at once.
    engine->Params.FullTime = 0.0;
    TFormParams f(W());
    f.Edit->selectAll();
    QTest::keyClicks(f.Edit, QStringLiteral("5"));
    EXPECT_EQ(f.Edit->text(), QStringLiteral("5.00"));
    EXPECT_EQ(f.TrackBar->value(), 500);
}

TEST_F(ParamsTest, OkStoresEverySettingAndCancelNone) {
    kmr::TFMain &w = Start({"Plusbox.kmd"});
    PARAMS &p = engine->Params;
    std::filesystem::copy_file("/bin/sh", "viewer");
    const std::string viewer = std::filesystem::absolute("viewer").string();

    // Touches every control; the dialog's closing is left to `close`.
    const auto touchEverything = [&](TFormParams &f) {
        f.TrackBar->setValue(250);
        f.FreqItems[0]->click();
        f.CheckBoxLimit->click();
        f.RBLanguage[3]->click();
        f.PageSetup->setCurrentIndex(2);
        for (QCheckBox *c : {f.CheckBoxASave, f.CheckBoxALoad, f.CheckBoxRO, f.CheckBoxConvert}) c->click();
        f.RBWavExt->click();
        EXPECT_TRUE(f.EditWav->isEnabled() && f.ButtonWav->isEnabled());
        otherDialogs = [&](QDialog &d) {
            auto *chooser = qobject_cast<QFileDialog *>(&d);
            if (!chooser) return 0;
            chooser->selectFile(QString::fromStdString(viewer));
            return int(QDialog::Accepted);
        };
        f.ButtonWav->click();
        EXPECT_EQ(f.EditWav->text(), QString::fromStdString(viewer));
        f.RBSpecExt->click();
        f.EditSpec->setText(QStringLiteral("/opt/spectrum"));
    };

    const auto settingsNow = [&] {
        const kmr::SetupSettings &s = w.Setup;
        return std::make_tuple(p.FullTime, p.Freq, p.Limitation, int(p.Lang), s.AvtoSave, s.AvtoLoad, w.ReadOnly,
                               s.SegConvertion, s.ExtWave, s.WaveExe, s.ExtSpectrum, s.SpectrumExe, w.Modified);
    };
    const auto before = settingsNow();
    const QString captionBefore = w.mFile->title();

    for (const char *how : {"Cancel", "Esc"}) {
        SCOPED_TRACE(how);
        const int result = Settings([&](TFormParams &f) {
            touchEverything(f);
            if (how[0] == 'C')
                f.BtnCancel->click();
            else
                QTest::keyClick(&f, Qt::Key_Escape);
        });
        EXPECT_EQ(result, TFormParams::kCancel);
        EXPECT_EQ(settingsNow(), before);
        EXPECT_EQ(w.mFile->title(), captionBefore);
    }

    const int result = Settings([&](TFormParams &f) {
        touchEverything(f);
        f.BtnOK->click();
    });
    EXPECT_EQ(result, TFormParams::kOK);
    EXPECT_DOUBLE_EQ(p.FullTime, 2.5);
    EXPECT_EQ(p.Freq, 11025);
    EXPECT_EQ(p.Limitation, !std::get<2>(before));
    EXPECT_EQ(p.Lang, 3);
    EXPECT_EQ(w.mFile->title(), Text(37)); // the German captions
    EXPECT_EQ(w.Setup.AvtoSave, !std::get<4>(before));
    EXPECT_EQ(w.Setup.AvtoLoad, !std::get<5>(before));
    EXPECT_EQ(w.ReadOnly, !std::get<6>(before));
    EXPECT_EQ(w.Setup.SegConvertion, !std::get<7>(before));
    EXPECT_TRUE(w.Setup.ExtWave);
    EXPECT_EQ(w.Setup.WaveExe, QString::fromStdString(viewer));
    EXPECT_TRUE(w.Setup.ExtSpectrum);
    EXPECT_EQ(w.Setup.SpectrumExe, QStringLiteral("/opt/spectrum"));
    EXPECT_TRUE(w.Modified);

    // The dialog shows what it stored; the built-in viewer switches the
    // path off again without forgetting it.
    Settings([&](TFormParams &f) {
        EXPECT_EQ(f.Edit->text(), QStringLiteral("2.50"));
        EXPECT_TRUE(f.FreqItems[0]->isChecked());
        EXPECT_TRUE(f.RBLanguage[3]->isChecked());
        EXPECT_TRUE(f.RBWavExt->isChecked());
        f.RBWavIn->click();
        EXPECT_FALSE(f.EditWav->isEnabled() || f.ButtonWav->isEnabled());
        f.BtnOK->click();
    });
    EXPECT_FALSE(w.Setup.ExtWave);
    EXPECT_EQ(w.Setup.WaveExe, QString::fromStdString(viewer));
}

TEST_F(ParamsTest, ARateOfNoItemIsStoredAs44100) {
    Start({"Plusbox.kmd"});
    engine->Params.Freq = 8000;
    Settings([](TFormParams &f) {
        for (QRadioButton *item : f.FreqItems) EXPECT_FALSE(item->isChecked());
        f.BtnOK->click();
    });
    EXPECT_EQ(engine->Params.Freq, 44100);
    EXPECT_FALSE(W().Modified);
}

TEST_F(ParamsTest, WhatMarksTheProjectChanged) {
    kmr::TFMain &w = Start({"Plusbox.kmd"});
    struct Case {
        const char *what;
        std::function<void(TFormParams &)> touch;
        bool modified;
    };
    const Case cases[] = {
        {"nothing", [](TFormParams &) {}, false},
        {"the language", [](TFormParams &f) { f.RBLanguage[f.RBLanguage[0]->isChecked() ? 1 : 0]->click(); }, false},
        {"autosave and autoload", [](TFormParams &f) { f.CheckBoxASave->click(), f.CheckBoxALoad->click(); }, false},
        {"the wave viewer", [](TFormParams &f) { f.RBWavExt->click(); }, false},
        {"the limitation", [](TFormParams &f) { f.CheckBoxLimit->click(); }, true},
        {"the rate", [](TFormParams &f) { f.FreqItems[1]->click(); }, true},
        {"the duration bar", [](TFormParams &f) { f.TrackBar->setValue(f.TrackBar->value() + 1); }, true},
        {"the duration edit", [](TFormParams &f) { QTest::keyClicks(f.Edit, QStringLiteral("1")); }, true},
        {"read-only", [](TFormParams &f) { f.CheckBoxRO->click(); }, true},
        {"segment conversion", [](TFormParams &f) { f.CheckBoxConvert->click(); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        w.Modified = false;
        const int lang = engine->Params.Lang;
        Settings([&](TFormParams &f) {
            c.touch(f);
            f.BtnOK->click();
        });
        EXPECT_EQ(w.Modified, c.modified);
        if (c.what == std::string("the language")) {
            EXPECT_NE(engine->Params.Lang, lang);
        }
    }
}

TEST_F(ParamsTest, OnlyLanguagesWhoseTableLoadsCanBeChosen) {
    // A program folder with the tables of Russian and English, and a German
    // one that is no library.
    const std::string tables = std::filesystem::absolute("tables").string();
    std::filesystem::create_directory(tables);
    for (int n : {0, 1})
        std::filesystem::create_symlink(std::string(KMR_PROGRAM_DIR) + "/" + LANGUAGE::FileName(n),
                                        tables + "/" + LANGUAGE::FileName(n));
    edtest::WriteFile(tables + "/" + LANGUAGE::FileName(3), "not a library");
    Language.SetFolder(tables);

    kmr::TFMain &w = Start({"Plusbox.kmd"});
    w.SetLanguage(1);
    ASSERT_EQ(engine->Params.Lang, 1);
    const QString english = w.mFile->title();

    Settings([](TFormParams &f) {
        for (int i = 0; i < 8; ++i) EXPECT_EQ(f.RBLanguage[size_t(i)]->isEnabled(), i == 0 || i == 1 || i == 3) << i;
        EXPECT_TRUE(f.RBLanguage[1]->isChecked());
        f.RBLanguage[3]->click();
        f.BtnOK->click();
    });
    EXPECT_EQ(engine->Params.Lang, 1);
    EXPECT_EQ(w.mFile->title(), english);

    // A button of a missing table, checked all the same, changes nothing.
    Settings([](TFormParams &f) {
        f.RBLanguage[5]->setChecked(true);
        f.BtnOK->click();
    });
    EXPECT_EQ(engine->Params.Lang, 1);

    Settings([](TFormParams &f) {
        f.RBLanguage[0]->click();
        f.BtnOK->click();
    });
    EXPECT_EQ(engine->Params.Lang, 0);
    EXPECT_NE(w.mFile->title(), english);
}

TEST_F(ParamsTest, TheHelpKeyOpensThePagesTopic) {
    Start({"Plusbox.kmd"});
    TFormParams f(W());
    const std::pair<QWidget *, int> controls[] = {
        {f.TrackBar, 790}, {f.RBLanguage[4], 791}, {f.CheckBoxRO, 792}, {f.EditSpec, 793}, {f.BtnOK, 790}};
    for (const auto &[control, topic] : controls) EXPECT_EQ(kmr::HelpContextOf(control), topic) << topic;
}

TEST_F(ParamsTest, NotOpenedWhileACalculationRuns) {
    kmr::TFMain &w = Start({"Plusbox.kmd"});
    edtest::FakeRun run;
    w.SetRun(&run);
    w.RunStarted();
    w.mParamsClick();
    EXPECT_EQ(modal.Count(QStringLiteral("kmr::TFormParams")), 0);
    run.running = false;
    w.RunEnded(kmr::RunEnd::Finished);
    w.mParamsClick();
    EXPECT_EQ(modal.Count(QStringLiteral("kmr::TFormParams")), 1);
}

} // namespace
