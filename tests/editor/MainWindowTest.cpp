// The main window from start-up to close: settings, the first project, the
// start-up log, the module panel, the language, and closing with unsaved
// changes or during a calculation.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QToolButton>
#include <filesystem>
#include <map>
#include <memory>

#include "EditorTest.h"
#include "Settings.h"
#include "Strings.h"
#include "Umain.h"

namespace {

using kmr::TFMain;

QString Text(int number) { return QString::fromUtf8(GetString(number)); }

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { edtest::ClearSettings(); }
    void TearDown() override {
        window.reset();
        engine.reset();
        edtest::ClearSettings();
    }

    static void Store(const QString &section, const QString &name, const QVariant &value) {
        kmr::SettingsStore store;
        if (value.typeId() == QMetaType::Bool)
            store.SetBoolean(section, name, value.toBool());
        else if (value.typeId() == QMetaType::Int)
            store.SetInteger(section, name, value.toInt());
        else
            store.SetText(section, name, value.toString());
    }
    static QString Stored(const QString &section, const QString &name) {
        kmr::SettingsStore store;
        return store.Text(section, name, QStringLiteral("<absent>"));
    }

    TFMain &Start(const QStringList &arguments = {}) {
        window.reset();
        engine = std::make_unique<kmr::EditorEngine>(folder.Path());
        window = std::make_unique<TFMain>(*engine, TFMain::StartOptions{arguments, false});
        window->show();
        QCoreApplication::processEvents(); // the posted tip of the day
        return *window;
    }

    // The index of the type loaded from `fileName`.
    int TypeOf(const char *fileName) const { return engine->Types.FindByFileName(fileName); }

    // Puts an instance of type 0 into the scheme.
    void AddInstance() {
        const int slot = engine->Scheme.AddInstance(engine->Types.GetType(0), 0);
        ASSERT_GT(slot, 0);
        engine->Scheme.Get(slot)->loc = CPOINT{64, 80};
    }

    edtest::TempFolder folder;
    edtest::ModalRecorder modal;
    std::unique_ptr<kmr::EditorEngine> engine;
    std::unique_ptr<TFMain> window;
};

TEST_F(MainWindowTest, EmptyStoreGivesTheDesignedWindowAndDefaults) {
    edtest::AddPlugin("Delay.kmd");
    TFMain &w = Start();
    EXPECT_EQ(w.pos(), QPoint(182, 99));
    EXPECT_EQ(w.size(), QSize(554, 381));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Kelmora 4.0"));
    EXPECT_EQ(w.Panel1->height(), 46);
    EXPECT_EQ(w.StatusFileName->width(), 300);
    EXPECT_EQ(w.StatusText->width(), 100);

    EXPECT_TRUE(w.Setup.AvtoSave);
    EXPECT_FALSE(w.Setup.AvtoLoad);
    EXPECT_TRUE(w.Setup.Hints && w.mHints->isChecked());
    EXPECT_TRUE(w.Setup.Flat);
    EXPECT_FALSE(w.mFlat->isChecked());
    EXPECT_TRUE(static_cast<QToolButton *>(w.Panel1->Control(0))->autoRaise());
    EXPECT_FALSE(w.mCont->isEnabled());
    EXPECT_TRUE(w.Setup.SegConvertion);
    EXPECT_FALSE(w.Setup.ExtWave);
    EXPECT_EQ(w.Engine().Params.Lang, 0);
    EXPECT_EQ(w.mFile->title(), Text(37));
    EXPECT_FALSE(w.mDebug->menuAction()->isVisible());
    EXPECT_EQ(w.ProjectFileName, "default.kpj");
    EXPECT_EQ(w.StatusFileName->text(), QStringLiteral("default.kpj"));
    EXPECT_EQ(w.Engine().Scheme.CountInstances(), 0);
    EXPECT_EQ(w.Mode, kmr::mdMain);
    EXPECT_TRUE(w.Panel1->Pressed(0));
    EXPECT_EQ(w.Engine().Params.Freq, 44100);
    EXPECT_EQ(w.Engine().Params.FullTime, 5.0);
    EXPECT_EQ(w.StartDir, folder.Path() + "/");
    // Language 0 and tip 0: the tip of the day comes once the window runs.
    EXPECT_EQ(modal.Count(QStringLiteral("kmr::TTipOfDay")), 1);

    ASSERT_TRUE(w.close());
    EXPECT_EQ(Stored(QStringLiteral("Window"), QStringLiteral("Left")), QStringLiteral("182"));
    EXPECT_EQ(Stored(QStringLiteral("Window"), QStringLiteral("Height")), QStringLiteral("381"));
    EXPECT_EQ(Stored(QStringLiteral("Setup"), QStringLiteral("FileName")), QStringLiteral("default.kpj"));
    EXPECT_EQ(Stored(QStringLiteral("Setup"), QStringLiteral("Tip")), QStringLiteral("1"));
    EXPECT_EQ(Stored(QStringLiteral("Setup"), QStringLiteral("LessonIndex")), QStringLiteral("<absent>"));
}

TEST_F(MainWindowTest, StoredSettingsApplyAtStartUp) {
    edtest::AddPlugin("Delay.kmd");
    Store(QStringLiteral("Window"), QStringLiteral("Left"), 300);
    Store(QStringLiteral("Window"), QStringLiteral("Top"), 40);
    Store(QStringLiteral("Window"), QStringLiteral("Width"), 700);
    Store(QStringLiteral("Window"), QStringLiteral("Height"), 500);
    Store(QStringLiteral("Setup"), QStringLiteral("Lang"), 1);
    Store(QStringLiteral("Setup"), QStringLiteral("Flat"), false);
    Store(QStringLiteral("Setup"), QStringLiteral("Hints"), false);
    Store(QStringLiteral("Setup"), QStringLiteral("LessonIndex"), 3);
    TFMain &w = Start();
    EXPECT_EQ(w.pos(), QPoint(300, 40));
    EXPECT_EQ(w.size(), QSize(700, 500));
    EXPECT_EQ(w.mFile->title(), QStringLiteral("&File"));
    EXPECT_EQ(modal.Count(QStringLiteral("kmr::TTipOfDay")), 0); // never in another language
    EXPECT_TRUE(w.mFlat->isChecked());
    EXPECT_FALSE(static_cast<QToolButton *>(w.Panel1->Control(0))->autoRaise());
    EXPECT_FALSE(w.mHints->isChecked());
    EXPECT_TRUE(w.mCont->isEnabled());
    ASSERT_TRUE(w.close());
    EXPECT_EQ(Stored(QStringLiteral("Setup"), QStringLiteral("LessonIndex")), QStringLiteral("3"));
    EXPECT_EQ(Stored(QStringLiteral("Setup"), QStringLiteral("Tip")), QStringLiteral("<absent>"));
}

TEST_F(MainWindowTest, FirstProject) {
    struct Case {
        const char *what;
        QStringList arguments;
        bool autoLoad;
        const char *storedName;
        std::string name;  // ProjectFileName afterwards
        QString status;    // the file name panel
        int instances;
        bool debugMenu;
    };
    const Case cases[] = {
        {"default, 0 and 1 taken", {}, false, "mine.kpj", "default2.kpj", "default2.kpj", 0, false},
        {"autoload", {}, true, "mine.kpj", "mine.kpj", "mine.kpj", 1, false},
        {"autoload of a file that is gone", {}, true, "gone.kpj", "gone.kpj", "", 0, false},
        {"-d, then autoload", {"-d"}, true, "mine.kpj", "mine.kpj", "mine.kpj", 1, true},
        {"a project named, the second argument ignored", {"proj.kpj", "-d"}, true, "mine.kpj", "proj.kpj",
         "proj.kpj", 1, false},
        {"a missing project named", {"missing.kpj"}, true, "mine.kpj", "mine.kpj", "mine.kpj", 1, false},
        {"a damaged project named empties the name", {"bad.kpj"}, true, "mine.kpj", "default2.kpj",
         "default2.kpj", 0, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        edtest::TempFolder here;
        edtest::AddPlugin("Delay.kmd");
        edtest::MakeProject("mine.kpj", "Delay.kmd");
        edtest::MakeProject("proj.kpj", "Delay.kmd");
        for (const char *name : {"default.kpj", "default0.kpj", "default1.kpj"}) edtest::MakeProject(name, "Delay.kmd");
        edtest::WriteFile("bad.kpj", "not a project");
        edtest::ClearSettings();
        Store(QStringLiteral("Setup"), QStringLiteral("AvtoLoad"), c.autoLoad);
        Store(QStringLiteral("Setup"), QStringLiteral("FileName"), QString::fromLatin1(c.storedName));
        TFMain &w = Start(c.arguments);
        EXPECT_EQ(w.ProjectFileName, c.name);
        EXPECT_EQ(w.StatusFileName->text(), c.status);
        EXPECT_EQ(w.Engine().Scheme.CountInstances(), c.instances);
        EXPECT_EQ(w.mDebug->menuAction()->isVisible(), c.debugMenu);
        window.reset();
        engine.reset();
    }
}

TEST_F(MainWindowTest, StartupLogListsEveryPluginFile) {
    edtest::AddPlugin("Delay.kmd");
    edtest::WriteFile("kmd/Notaplugin.kmd", "This is no library.\n");
    Start();
    // The tool tip is the English one: the scan runs with language 1 whatever
    // the stored language is.
    const std::vector<std::string> expected = {
        std::string(44, '-'),
        "Загрузка модуля:Delay.kmd",
        "        Добавлен номер 0",
        "        Назначение: Delay",
        std::string(44, '-'),
        "Загрузка модуля:Notaplugin.kmd",
        "        Не удалось добавить...",
        std::string(44, '-'),
    };
    EXPECT_EQ(edtest::ReadLines("Kmr.log"), expected);
    EXPECT_EQ(engine->Types.CountTypes(), 1);
}

TEST_F(MainWindowTest, NoPluginsLeaveTheToolbarEmpty) {
    TFMain &w = Start();
    EXPECT_EQ(w.Panel1->ControlCount(), 0);
    w.SetMode(kmr::mdSolder, true);
    EXPECT_EQ(w.Mode, kmr::mdSolder);
    EXPECT_TRUE(w.mModules->actions().isEmpty());
}

TEST_F(MainWindowTest, ClosingWithChanges) {
    enum Answer { Yes = 1, No = 7, Cancel = 2 };
    struct Case {
        const char *what;
        bool avtoSave, instance, readOnly;
        std::string name;
        std::vector<int> answers; // to the questions, in order
        bool closes, saved;
        std::vector<QString> windows;
    };
    const QString ask = QStringLiteral("kmr::TAskSave"), message = QStringLiteral("kmr::TFormMessage");
    const Case cases[] = {
        {"autosave", true, true, false, "p.kpj", {}, true, true, {}},
        {"no instance, no question", false, false, false, "p.kpj", {}, true, false, {}},
        {"no name, no question", false, true, false, "", {}, true, false, {}},
        {"yes saves", false, true, false, "p.kpj", {Yes}, true, true, {ask}},
        {"no closes without saving", false, true, false, "p.kpj", {No}, true, false, {ask}},
        {"cancel refuses", false, true, false, "p.kpj", {Cancel}, false, false, {ask}},
        {"a failed autosave is reported and refuses", true, true, false, "nowhere/p.kpj", {}, false, false, {message}},
        {"a failed save after yes likewise", false, true, false, "nowhere/p.kpj", {Yes}, false, false, {ask, message}},
        {"read-only: not over it", true, true, true, "p.kpj", {No}, true, false, {ask}},
        {"read-only: cancel refuses quietly", true, true, true, "p.kpj", {Cancel}, false, false, {ask}},
        {"read-only: over it", true, true, true, "p.kpj", {Yes}, true, true, {ask}},
    };
    edtest::AddPlugin("Delay.kmd");
    Store(QStringLiteral("Setup"), QStringLiteral("Tip"), -1);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove("p.kpj");
        Store(QStringLiteral("Setup"), QStringLiteral("AvtoSave"), c.avtoSave);
        TFMain &w = Start();
        if (c.instance) AddInstance();
        w.ProjectFileName = c.name;
        w.Modified = true;
        w.ReadOnly = c.readOnly;
        w.Setup.Hints = false; // a change of this run that must reach the store
        modal.shown.clear();
        size_t next = 0;
        modal.answer = [&](QDialog &) { return next < c.answers.size() ? c.answers[next++] : 1; };
        EXPECT_EQ(w.close(), c.closes);
        EXPECT_EQ(std::filesystem::exists("p.kpj"), c.saved);
        std::vector<QString> windows;
        for (const edtest::Shown &s : modal.shown) windows.push_back(s.type);
        EXPECT_EQ(windows, c.windows);
        if (!c.windows.empty() && c.windows.back() == message) {
            EXPECT_EQ(modal.shown.back().text, Text(47));
        }
        // The settings are written also when the close is refused.
        EXPECT_EQ(Stored(QStringLiteral("Setup"), QStringLiteral("Hints")), QStringLiteral("false"));
        Store(QStringLiteral("Setup"), QStringLiteral("Hints"), true);
        modal.answer = nullptr;
        window.reset();
        engine.reset();
    }
}

TEST_F(MainWindowTest, ToolbarFileOrdersTheButtons) {
    for (const char *name : {"Tonegen.kmd", "Delay.kmd", "Plusbox.kmd"}) edtest::AddPlugin(name);
    edtest::WriteFile("kmr.tbr", "-delay.kmd\n+Tonegen.kmd\n");
    TFMain &w = Start();
    const int tonegen = TypeOf("Tonegen.kmd"), plusbox = TypeOf("Plusbox.kmd"), delay = TypeOf("Delay.kmd");
    ASSERT_EQ(w.Panel1->ControlCount(), 9);
    EXPECT_EQ(w.Panel1->Tag(6), -1);
    EXPECT_EQ(w.Panel1->Control(6)->x(), 208);
    EXPECT_EQ(w.Panel1->Tag(7), tonegen);
    EXPECT_EQ(w.Panel1->Control(7)->geometry(), QRect(216, 8, 32, 32));
    EXPECT_EQ(w.Panel1->Tag(8), plusbox);
    EXPECT_EQ(w.Panel1->Control(8)->geometry(), QRect(248, 8, 32, 32));
    // The menu lists every type in button order, the module window's too.
    QStringList menu;
    for (QAction *a : w.mModules->actions()) menu << a->text();
    EXPECT_EQ(menu, (QStringList{QStringLiteral("Задержка сигнала"), QStringLiteral("Генератор сигналов"),
                                 QStringLiteral("Сумматор сигналов")}));
    EXPECT_EQ(w.Panel1->Control(7)->toolTip(), QStringLiteral("Генератор сигналов"));
    EXPECT_EQ(w.Panel1->Control(0)->toolTip(), Text(84));

    // Moving Tonegen's button to the module window writes the file anew, in
    // position order with the names as the types have them.
    w.ButtonCtx = tonegen;
    w.pmButtonToPanelClick();
    EXPECT_EQ(edtest::ReadFile("kmr.tbr"), "-Delay.kmd\n-Tonegen.kmd\n+Plusbox.kmd\n");
    ASSERT_EQ(w.Panel1->ControlCount(), 8);
    EXPECT_EQ(w.Panel1->Tag(7), plusbox);
    EXPECT_EQ(w.Panel1->Control(7)->x(), 216);
    (void)delay;
}

TEST_F(MainWindowTest, ChoosingAModule) {
    for (const char *name : {"Tonegen.kmd", "Delay.kmd", "Plusbox.kmd"}) edtest::AddPlugin(name);
    edtest::WriteFile("kmr.tbr", "-delay.kmd\n+Tonegen.kmd\n");
    Store(QStringLiteral("Setup"), QStringLiteral("Tip"), -1);
    TFMain &w = Start();
    const int plusbox = TypeOf("Plusbox.kmd"), delay = TypeOf("Delay.kmd");
    const int plusboxButton = w.Panel1->IndexOfTag(plusbox, kmr::kFirstModuleControl);

    // From the menu, with the button on the toolbar: back to the Main mode.
    w.SetMode(kmr::mdSolder, true);
    w.ModulesMenuClick(plusbox);
    EXPECT_EQ(w.SelectedType, plusbox);
    EXPECT_EQ(w.Mode, kmr::mdMain);
    EXPECT_TRUE(w.Panel1->Pressed(plusboxButton));
    EXPECT_TRUE(w.Panel1->Pressed(0));
    EXPECT_FALSE(w.Panel1->Pressed(kmr::kFirstModuleControl));

    // With the button in the module window the mode stays.
    w.SetMode(kmr::mdSolder, true);
    w.ModulesMenuClick(delay);
    EXPECT_EQ(w.SelectedType, delay);
    EXPECT_EQ(w.Mode, kmr::mdSolder);
    EXPECT_FALSE(w.Panel1->Pressed(plusboxButton));
    for (QAction *a : w.mModules->actions()) EXPECT_EQ(a->isChecked(), a->data().toInt() == delay);

    // A toolbar button: chosen, Main mode, checked in the menu.
    static_cast<QToolButton *>(w.Panel1->Control(plusboxButton))->click();
    EXPECT_EQ(w.SelectedType, plusbox);
    EXPECT_EQ(w.Mode, kmr::mdMain);
    EXPECT_TRUE(w.Panel1->Pressed(plusboxButton));
    for (QAction *a : w.mModules->actions()) EXPECT_EQ(a->isChecked(), a->data().toInt() == plusbox);

    // The right button opens the button menu on a module button only.
    auto rightPress = [&w](int index) {
        QWidget *button = w.Panel1->Control(index);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                          Qt::RightButton, Qt::RightButton, Qt::NoModifier);
        QCoreApplication::sendEvent(button, &press);
    };
    w.ButtonCtx = -1;
    rightPress(1);
    EXPECT_EQ(w.ButtonCtx, -1);
    EXPECT_FALSE(w.PopupMenuButton->isVisible());
    rightPress(plusboxButton);
    EXPECT_EQ(w.ButtonCtx, plusbox);
    EXPECT_TRUE(w.PopupMenuButton->isVisible());
    EXPECT_EQ(w.pmButtonToPanel->text(), Text(135));
    EXPECT_FALSE(w.pmButtonCfg->isEnabled());
    w.PopupMenuButton->hide();
}

// Every caption that comes from the language table, by its action.
std::map<QAction *, QString> LanguageCaptions(TFMain &w) {
    std::map<QAction *, QString> captions;
    std::function<void(QMenu *)> walk = [&](QMenu *menu) {
        captions[menu->menuAction()] = menu->title();
        if (menu == w.mModules) return; // the types' own texts
        for (QAction *a : menu->actions()) {
            if (a->isSeparator()) continue;
            if (a->menu())
                walk(a->menu());
            else
                captions[a] = a->text();
        }
    };
    for (QAction *a : w.menuBar()->actions())
        if (a->menu() && a->menu() != w.mDebug) walk(a->menu());
    return captions;
}

TEST_F(MainWindowTest, SwitchingToEnglishChangesEveryCaption) {
    edtest::AddPlugin("Delay.kmd");
    Store(QStringLiteral("Setup"), QStringLiteral("Tip"), -1);
    TFMain &w = Start();
    const std::map<QAction *, QString> russian = LanguageCaptions(w);
    ASSERT_EQ(russian.size(), 24u);

    w.SetLanguage(1);
    EXPECT_EQ(w.Engine().Params.Lang, 1);
    for (const auto &[action, text] : LanguageCaptions(w)) {
        EXPECT_NE(text, russian.at(action)) << text.toStdString();
        EXPECT_FALSE(text.isEmpty());
    }
    EXPECT_EQ(w.mFile->title(), QStringLiteral("&File"));
    EXPECT_EQ(w.mExit->text(), QStringLiteral("E&xit"));
    EXPECT_EQ(w.Panel1->Control(0)->toolTip(), Text(84));
    EXPECT_EQ(w.mModules->actions().at(0)->text(), QStringLiteral("Delay")); // the plug-in follows the language

    // A language without its table changes nothing.
    const std::map<QAction *, QString> english = LanguageCaptions(w);
    w.SetLanguage(9);
    EXPECT_EQ(w.Engine().Params.Lang, 1);
    EXPECT_EQ(LanguageCaptions(w), english);
}

TEST_F(MainWindowTest, CalculationEndAndCloseDuringARun) {
    edtest::AddPlugin("Delay.kmd");
    Store(QStringLiteral("Setup"), QStringLiteral("Tip"), -1);
    Store(QStringLiteral("Setup"), QStringLiteral("Lang"), 1);
    TFMain &w = Start();
    edtest::FakeRun run;
    w.SetRun(&run);

    w.RunStarted();
    EXPECT_FALSE(w.Panel1->isEnabled());
    EXPECT_TRUE(w.FormGo->isVisible());
    EXPECT_EQ(w.StatusText->text(), Text(5));
    run.running = false;
    run.elapsed = 2005;
    QCoreApplication::postEvent(&w, new kmr::RunEndEvent(kmr::RunEnd::Finished));
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.Panel1->isEnabled());
    EXPECT_FALSE(w.FormGo->isVisible());
    EXPECT_EQ(w.Mode, kmr::mdAsk);
    EXPECT_EQ(w.StatusText->text(), Text(18) + QStringLiteral("2.005") + Text(74));

    // Closing during a run cancels it; the window goes once the end is told.
    run.running = true;
    w.RunStarted();
    EXPECT_FALSE(w.close());
    EXPECT_EQ(run.cancels, 1);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(Stored(QStringLiteral("Window"), QStringLiteral("Left")), QStringLiteral("<absent>"));
    run.running = false;
    QCoreApplication::postEvent(&w, new kmr::RunEndEvent(kmr::RunEnd::Cancelled));
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Mode, kmr::mdMain);
    EXPECT_EQ(w.StatusText->text(), Text(19));
    EXPECT_EQ(Stored(QStringLiteral("Window"), QStringLiteral("Left")), QStringLiteral("182"));
}

} // namespace
