// The small windows: message, save question, module about, tip of the day,
// and the progress window of a calculation.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "EditorTest.h"
#include "Settings.h"
#include "Strings.h"
#include "Uaboutmo.h"
#include "Uasksave.h"
#include "Ugo.h"
#include "Umessage.h"
#include "Utipofda.h"

namespace {

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        edtest::ClearSettings();
        ASSERT_TRUE(Language.LoadLanguage(1));
    }
    void TearDown() override {
        Language.UnloadLanguage();
        edtest::ClearSettings();
    }
    edtest::ModalRecorder modal;
};

TEST_F(WindowsTest, MessageWindowCaptions) {
    struct Case {
        char lang;
        QString caption, expectedTitle;
    };
    const QString english = QString::fromUtf8(GetString(55));
    ASSERT_FALSE(english.isEmpty());
    const Case cases[] = {
        {0, QString(), QStringLiteral("Сообщение")}, // an empty caption keeps the window's own
        {1, QString(), english},
        {0, QStringLiteral("FormImg.bmp"), QStringLiteral("FormImg.bmp")},
    };
    for (const Case &c : cases) {
        kmr::MessageWindow(nullptr, c.lang, QStringLiteral("text"), c.caption);
        ASSERT_FALSE(modal.shown.empty());
        EXPECT_EQ(modal.shown.back().title, c.expectedTitle);
        EXPECT_EQ(modal.shown.back().text, QStringLiteral("text"));
    }
    kmr::MessageWindowForName(nullptr, 1, QStringLiteral("Lost.kmd"));
    EXPECT_EQ(modal.shown.back().title, QStringLiteral("Lost.kmd"));
    EXPECT_EQ(modal.shown.back().text, QString::fromUtf8(GetString(131)));
}

TEST_F(WindowsTest, SaveQuestionAnswers) {
    struct Case {
        const char *press; // the button pressed, or null for the close box
        int expected;
    };
    for (const Case &c : {Case{"BtnOK", 1}, Case{"BtnNo", 7}, Case{"BtnCancel", 2}, Case{nullptr, 2}}) {
        modal.answer = [&c](QDialog &d) {
            if (!c.press) {
                d.reject();
            } else {
                d.findChild<QPushButton *>(QString::fromLatin1(c.press))->click();
            }
            return d.result();
        };
        EXPECT_EQ(kmr::AskSaveQuestion(nullptr), c.expected) << (c.press ? c.press : "close box");
    }
    EXPECT_EQ(modal.shown.back().text, QString::fromUtf8(GetString(123)));
    modal.answer = nullptr;
    kmr::AskSaveQuestion(nullptr, QStringLiteral("read-only"));
    EXPECT_EQ(modal.shown.back().text, QStringLiteral("read-only"));
}

TEST_F(WindowsTest, ModuleAboutShowsTheTypesTexts) {
    double val[kNetCount] = {};
    PARAMS params{44100, 5.0, true, false, val, 1, nullptr, 0, nullptr, nullptr, nullptr};
    AVMODULES types(&params);
    types.SetFolder(KMR_PLUGIN_DIR);
    ASSERT_TRUE(types.LoadType("Delay.kmd"));
    QString about, tip;
    modal.answer = [&](QDialog &d) {
        about = d.findChild<QLabel *>(QStringLiteral("Label1"))->text();
        tip = d.findChild<QLabel *>(QStringLiteral("Label2"))->text();
        return 1;
    };
    kmr::ShowModuleAbout(nullptr, types.GetType(0));
    ASSERT_EQ(modal.Count(QStringLiteral("kmr::TAboutMod")), 1);
    EXPECT_TRUE(about.startsWith(QStringLiteral("KELMORAQUANTIBEX MODULE"))) << about.toStdString();
    EXPECT_EQ(tip, QStringLiteral("Delay"));

    kmr::ShowModuleAbout(nullptr, types.GetType(5)); // no such type
    EXPECT_EQ(modal.Count(QStringLiteral("kmr::TAboutMod")), 1);
}

TEST_F(WindowsTest, TipsGoRoundAndCanBeSwitchedOff) {
    auto storedTip = [] { return kmr::ReadTip(); };
    int shown = -1;
    modal.answer = [&shown](QDialog &d) {
        shown = static_cast<kmr::TTipOfDay &>(d).Shown();
        return 1;
    };
    kmr::WriteTip(16);
    kmr::ShowTipOfDay(nullptr);
    EXPECT_EQ(shown, 16);
    EXPECT_EQ(storedTip(), 17);
    kmr::ShowTipOfDay(nullptr);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(storedTip(), 1);

    // "Next" shows the following tip without closing; "no more" stores -1.
    kmr::WriteTip(5);
    modal.answer = [&shown](QDialog &d) {
        auto &tip = static_cast<kmr::TTipOfDay &>(d);
        tip.ButtonMore->click();
        shown = tip.Shown();
        EXPECT_EQ(tip.LabelTip->text(), kmr::TipText(6));
        EXPECT_EQ(kmr::ReadTip(), 7);
        tip.CheckBox1->setChecked(true);
        tip.ButtonOK->click();
        return tip.result();
    };
    kmr::ShowTipOfDay(nullptr);
    EXPECT_EQ(shown, 6);
    EXPECT_EQ(storedTip(), -1);

    // Asked for after that, the tips start again at 0.
    modal.answer = [&shown](QDialog &d) {
        shown = static_cast<kmr::TTipOfDay &>(d).Shown();
        return 1;
    };
    kmr::ShowTipOfDay(nullptr);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(storedTip(), 1);
}

TEST_F(WindowsTest, ProgressWindowFollowsTheRun) {
    edtest::FakeRun run;
    kmr::TFormGo form(nullptr, run);
    form.Show(3, 2, 5);
    EXPECT_EQ(form.windowTitle(), QString::fromUtf8(GetString(68)));
    EXPECT_EQ(form.QModules->text(), QStringLiteral("3"));
    EXPECT_EQ(form.QWires->text(), QStringLiteral("2"));
    EXPECT_EQ(form.QSegs->text(), QStringLiteral("5"));
    EXPECT_TRUE(form.isVisible());

    run.progress = 40;
    form.Timer1Timer();
    EXPECT_EQ(form.ProgressBar1->value(), 40);
    run.progress = -1; // ignored
    form.Timer1Timer();
    EXPECT_EQ(form.ProgressBar1->value(), 40);
    run.progress = 100;
    form.Timer1Timer();
    EXPECT_EQ(form.ProgressBar1->value(), 0);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(run.cancels, 0);

    form.Show(3, 2, 5);
    run.progress = 30;
    form.Timer1Timer();
    form.BtnCancel->click();
    EXPECT_EQ(run.cancels, 1);
    EXPECT_EQ(form.ProgressBar1->value(), 0);
    EXPECT_FALSE(form.isVisible());
}

} // namespace
