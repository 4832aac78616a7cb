// The settings store: the values of section "Setup" with their defaults,
// how stored texts of the wrong kind read, and what writing leaves alone.
#include <gtest/gtest.h>

#include "EditorTest.h"
#include "Settings.h"

using kmr::SettingsStore;
using kmr::SetupSettings;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { edtest::ClearSettings(); }
    void TearDown() override { edtest::ClearSettings(); }

    void Read(SetupSettings &setup, std::string &fileName, char &lang) {
        SettingsStore store;
        kmr::ReadSetup(store, setup, fileName, lang);
    }
    void Store(const QString &name, const QString &text) {
        SettingsStore store;
        store.SetText(QStringLiteral("Setup"), name, text);
    }
};

TEST_F(SettingsTest, EmptyStoreGivesTheDefaults) {
    SetupSettings setup;
    setup.AvtoSave = false; // every value must come from the read
    setup.Hints = setup.Flat = setup.SegConvertion = false;
    setup.AvtoLoad = setup.ExtWave = setup.ExtSpectrum = true;
    setup.LessonIndex = setup.Tip = 9;
    setup.WaveExe = setup.SpectrumExe = QStringLiteral("x");
    std::string fileName = "x";
    char lang = 5;
    Read(setup, fileName, lang);
    EXPECT_TRUE(setup.AvtoSave);
    EXPECT_FALSE(setup.AvtoLoad);
    EXPECT_EQ(fileName, "default.kpj");
    EXPECT_TRUE(setup.Hints);
    EXPECT_EQ(lang, 0);
    EXPECT_TRUE(setup.Flat);
    EXPECT_EQ(setup.LessonIndex, 0);
    EXPECT_EQ(setup.Tip, 0);
    EXPECT_TRUE(setup.SegConvertion);
    EXPECT_FALSE(setup.ExtWave);
    EXPECT_TRUE(setup.WaveExe.isEmpty());
    EXPECT_FALSE(setup.ExtSpectrum);
    EXPECT_TRUE(setup.SpectrumExe.isEmpty());

    kmr::WindowPlace current{1, 2, 3, 4};
    SettingsStore store;
    const kmr::WindowPlace place = kmr::ReadWindowPlace(store, current);
    EXPECT_EQ(place.Top, 1);
    EXPECT_EQ(place.Left, 2);
    EXPECT_EQ(place.Height, 3);
    EXPECT_EQ(place.Width, 4);
}

TEST_F(SettingsTest, ValuesOfTheWrongKindReadAsAbsent) {
    struct Case {
        const char *name, *stored;
    };
    for (const Case &c : {Case{"AvtoSave", "maybe"}, Case{"AvtoSave", ""}, Case{"Tip", "seven"},
                          Case{"Tip", "99999999999"}, Case{"Lang", "1.5"}}) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.stored);
        edtest::ClearSettings();
        Store(QString::fromLatin1(c.name), QString::fromLatin1(c.stored));
        SetupSettings setup;
        setup.AvtoSave = false;
        setup.Tip = 5;
        std::string fileName;
        char lang = 3;
        Read(setup, fileName, lang);
        EXPECT_TRUE(setup.AvtoSave);
        EXPECT_EQ(setup.Tip, 0);
        EXPECT_EQ(lang, 0);
    }
}

TEST_F(SettingsTest, ReadingKeepsTheStoredForms) {
    struct Case {
        const char *lang;
        char expected;
    };
    // The language is the low eight bits of the stored number.
    for (const Case &c : {Case{"1", 1}, Case{"257", 1}, Case{"-1", -1}, Case{"7", 7}}) {
        SCOPED_TRACE(c.lang);
        Store(QStringLiteral("Lang"), QString::fromLatin1(c.lang));
        SetupSettings setup;
        std::string fileName;
        char lang = 0;
        Read(setup, fileName, lang);
        EXPECT_EQ(lang, c.expected);
    }

    // A project name that does not fit is taken as absent, not cut into the
    // name of another file; an empty one stays empty.
    Store(QStringLiteral("FileName"), QString(300, QLatin1Char('a')) + QStringLiteral(".kpj"));
    SetupSettings setup;
    std::string fileName;
    char lang = 0;
    Read(setup, fileName, lang);
    EXPECT_EQ(fileName, "default.kpj");
    Store(QStringLiteral("FileName"), QString());
    Read(setup, fileName, lang);
    EXPECT_EQ(fileName, "");
    Store(QStringLiteral("FileName"), QStringLiteral("/tmp/проект, один.kpj"));
    Read(setup, fileName, lang);
    EXPECT_EQ(fileName, "/tmp/проект, один.kpj");
}

TEST_F(SettingsTest, WritingKeepsTipKmdDirAndANonZeroLesson) {
    {
        SettingsStore store;
        store.SetInteger(QStringLiteral("Setup"), QStringLiteral("LessonIndex"), 3);
        store.SetInteger(QStringLiteral("Setup"), QStringLiteral("Tip"), -1);
        store.SetText(QStringLiteral("Setup"), QStringLiteral("KMDDIR"), QStringLiteral("/opt/kmr/KMD"));
    }
    SetupSettings setup;
    setup.LessonIndex = 0; // no lesson opened in this run
    setup.Tip = 4;         // never written by the main window
    setup.AvtoSave = false;
    setup.WaveExe = QStringLiteral("/usr/bin/viewer, with comma");
    {
        SettingsStore store;
        kmr::WriteSetup(store, setup, "default2.kpj", char(-1));
    }
    SettingsStore store;
    EXPECT_EQ(store.Integer(QStringLiteral("Setup"), QStringLiteral("LessonIndex"), 0), 3);
    EXPECT_EQ(store.Integer(QStringLiteral("Setup"), QStringLiteral("Tip"), 0), -1);
    EXPECT_EQ(store.Text(QStringLiteral("Setup"), QStringLiteral("KMDDIR"), QString()), QStringLiteral("/opt/kmr/KMD"));
    EXPECT_FALSE(store.Boolean(QStringLiteral("Setup"), QStringLiteral("AvtoSave"), true));
    EXPECT_EQ(store.Text(QStringLiteral("Setup"), QStringLiteral("FileName"), QString()), QStringLiteral("default2.kpj"));
    EXPECT_EQ(store.Integer(QStringLiteral("Setup"), QStringLiteral("Lang"), 0), -1);
    EXPECT_EQ(store.Text(QStringLiteral("Setup"), QStringLiteral("WaveExe"), QString()), setup.WaveExe);

    // A lesson number other than 0 replaces the stored one.
    setup.LessonIndex = 5;
    kmr::WriteSetup(store, setup, "default2.kpj", 0);
    EXPECT_EQ(store.Integer(QStringLiteral("Setup"), QStringLiteral("LessonIndex"), 0), 5);
}

} // namespace
