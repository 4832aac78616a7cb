// The module inspector driven through its grid and list: the rows of an
// instance, what leaving a cell and Enter store, the list of instances, the
// window's size and place, that it lets go of instances before they change
// under it, and an edited frequency heard in the calculated wave file.
#include "CanvasTest.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <cstring>
#include <functional>

#include "Cp1251.h"
#include "Netedit.h"
#include "Uinsp.h"

namespace {

using edtest::Text;

QString FromCp1251(const char *bytes) { return QString::fromStdString(kmr::Cp1251ToUtf8(bytes)); }

class InspTest : public edtest::CanvasFixture {
protected:
    kmr::TInsp &Insp() { return *W().Insp; }
    const DESCRIPTOR &Row(int row) { return engine->Descr[row - 1]; }

    void Select(int row) { Insp().StringGrid->setCurrentCell(row - 1, 1); }
    // The cell editor that selecting a value cell opened.
    QLineEdit *CellEditor() {
        for (QLineEdit *e : Insp().StringGrid->viewport()->findChildren<QLineEdit *>())
            if (e->isVisible()) return e;
        return nullptr;
    }
    // Selects the value cell of `row` and types `text` over it.
    void TypeInto(int row, const QString &text) {
        Select(row);
        QLineEdit *editor = CellEditor();
        ASSERT_TRUE(editor);
        editor->selectAll();
        bool ascii = true;
        for (QChar c : text) ascii = ascii && c.unicode() < 128;
        if (ascii)
            QTest::keyClicks(editor, text);
        else
            editor->insert(text); // as an input method would

    }
    // Moves to another value cell.
    void Leave(int row) { Select(row == 15 ? 14 : 15); }
    void Enter() {
        QLineEdit *editor = CellEditor();
        ASSERT_TRUE(editor);
        QTest::keyClick(editor, Qt::Key_Return);
    }
    std::vector<QString> ListEntries() {
        std::vector<QString> entries;
        for (int i = 0; i < Insp().ComboBox->count(); ++i) entries.push_back(Insp().ComboBox->itemText(i));
        return entries;
    }
    QString TipOf(const char *file) { return FromCp1251(kmd::ToolTip(engine->Types.GetType(Type(file)))); }
};

TEST_F(InspTest, ANewAdderShowsItsNameAndGain) {
    Start({"Plusbox.kmd"});
    const int slot = Put("Plusbox.kmd", 64, 80);
    ASSERT_FALSE(Insp().isVisible());
    Insp().OpenFor(slot);

    EXPECT_TRUE(Insp().isVisible());
    EXPECT_EQ(Insp().windowTitle(), Text(93));
    EXPECT_EQ(Insp().Cell(0, 0), Text(96));
    EXPECT_EQ(Insp().Cell(1, 0), Text(97));
    EXPECT_EQ(Insp().RowCount(), 2);
    EXPECT_EQ(Insp().Cell(0, 1), Text(94));
    EXPECT_EQ(Insp().Cell(1, 1), QString());
    EXPECT_EQ(Insp().Cell(0, 2), Text(95));
    EXPECT_EQ(Insp().Cell(1, 2), QStringLiteral("100.0000"));
    for (int r = 3; r <= 15; ++r) EXPECT_TRUE(Insp().Cell(0, r).isEmpty() && Insp().Cell(1, r).isEmpty()) << r;
    EXPECT_EQ(ListEntries(), std::vector<QString>{TipOf("Plusbox.kmd") + QStringLiteral(" 1")});
    EXPECT_EQ(Insp().ComboBox->currentIndex(), 0);

    // Another interface language relabels the rows at once.
    const QString before = Insp().Cell(0, 1);
    W().SetLanguage(engine->Params.Lang == 1 ? 0 : 1);
    EXPECT_NE(Insp().Cell(0, 1), before);
    EXPECT_EQ(Insp().Cell(0, 1), Text(94));
    EXPECT_EQ(Insp().windowTitle(), Text(93));
}

TEST_F(InspTest, LeavingACellStoresItsTextAndShowsTheValueAsStored) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Wavsource.kmd"});
    const QString forty = QStringLiteral("abcdefghij").repeated(4);
    struct Case {
        const char *what;
        const char *plugin;
        int row;
        QString typed; // null: the cell is left as it is
        QString shown;
        std::function<void(MODULE *)> check;
        bool modified;
    };
    const auto freqOf = [](MODULE *m) {
        double f;
        std::memcpy(&f, reinterpret_cast<char *>(m) + sizeof(MODULE) + 4, sizeof f);
        return f;
    };
    // Each generator starts at a frequency with more digits than a cell shows.
    const double precise = 523.2511306011972;
    const Case cases[] = {
        {"a 40-character name", "Tonegen.kmd", 1, forty, forty.left(31),
         [&](MODULE *m) { EXPECT_EQ(QString::fromLatin1(m->UserName), forty.left(31)); }, true},
        {"a Cyrillic name", "Tonegen.kmd", 1, QStringLiteral("Микшер"), QStringLiteral("Микшер"),
         [](MODULE *m) { EXPECT_EQ(std::string(m->UserName), kmr::Utf8ToCp1251("Микшер")); }, true},
        {"text in a number row", "Tonegen.kmd", 2, QStringLiteral("abc"), QStringLiteral("0.0000"),
         [](MODULE *m) { EXPECT_EQ(m->amp, 0.0); }, true},
        {"a character row keeps the low byte", "Tonegen.kmd", 3, QStringLiteral("300"), QStringLiteral("44"),
         [](MODULE *m) { EXPECT_EQ(reinterpret_cast<unsigned char *>(m)[sizeof(MODULE) + 2], 44); }, true},
        {"a frequency", "Tonegen.kmd", 4, QStringLiteral("1000"), QStringLiteral("1000.0000"),
         [&](MODULE *m) { EXPECT_EQ(freqOf(m), 1000.0); }, true},
        {"passing through keeps every digit", "Tonegen.kmd", 4, QString(), QStringLiteral("523.2511"),
         [&](MODULE *m) { EXPECT_EQ(freqOf(m), precise); }, false},
        {"a row below the last one", "Tonegen.kmd", 6, QStringLiteral("xyz"), QString(), [](MODULE *) {}, false},
        {"a file name in the system's bytes", "Wavsource.kmd", 3, QStringLiteral("звук.wav"),
         QStringLiteral("звук.wav"),
         [](MODULE *m) { EXPECT_STREQ(reinterpret_cast<char *>(m) + sizeof(MODULE), "звук.wav"); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const int slot = Put(c.plugin, 64 + 48 * (Scheme().CountInstances() % 8), 80);
        ASSERT_GT(slot, 0);
        if (c.plugin == std::string("Tonegen.kmd"))
            std::memcpy(reinterpret_cast<char *>(Scheme().Get(slot)) + sizeof(MODULE) + 4, &precise, sizeof precise);
        Insp().OpenFor(slot);
        w.Modified = false;
        if (c.typed.isNull())
            Select(c.row);
        else
            TypeInto(c.row, c.typed);
        Leave(c.row);
        EXPECT_EQ(Insp().Cell(1, c.row), c.shown);
        c.check(Scheme().Get(slot));
        EXPECT_EQ(w.Modified, c.modified);
    }
}

TEST_F(InspTest, EnterRunsTheRowsAction) {
    kmr::TFMain &w = Start({"Back.kmd", "Wavsource.kmd"});
    const int back = Put("Back.kmd", 64, 80);
    Insp().OpenFor(back);
    ASSERT_EQ(Insp().RowCount(), 3);
    const bool &invert = *static_cast<bool *>(Row(3).Param);
    Select(3);
    EXPECT_EQ(Insp().Cell(1, 3), QStringLiteral("false"));
    Enter();
    EXPECT_EQ(Insp().Cell(1, 3), QStringLiteral("true"));
    EXPECT_EQ(CellEditor()->text(), QStringLiteral("true"));
    EXPECT_TRUE(invert);
    EXPECT_TRUE(w.Modified);
    Enter();
    EXPECT_EQ(Insp().Cell(1, 3), QStringLiteral("false"));
    EXPECT_FALSE(invert);

    // Enter stores a typed number, but keeps the file name as it is.
    TypeInto(2, QStringLiteral("50"));
    Enter();
    EXPECT_EQ(Scheme().Get(back)->amp, 50.0);
    const int source = Put("Wavsource.kmd", 160, 80);
    Insp().OpenFor(source);
    TypeInto(3, QStringLiteral("in.wav"));
    Enter();
    EXPECT_EQ(Insp().Cell(1, 3), QString());
    EXPECT_STREQ(static_cast<char *>(Row(3).Param), "");
    TypeInto(3, QStringLiteral("in.wav"));
    Leave(3);
    EXPECT_STREQ(static_cast<char *>(Row(3).Param), "in.wav");
    // Below the last row Enter only empties the cell.
    TypeInto(8, QStringLiteral("x"));
    Enter();
    EXPECT_EQ(Insp().Cell(1, 8), QString());
}

TEST_F(InspTest, F11ClosesTheWindowFromGridEditorAndList) {
    Start({"Plusbox.kmd"});
    const int slot = Put("Plusbox.kmd", 64, 80);
    const std::pair<const char *, std::function<QWidget *()>> places[] = {
        {"grid", [this] { return static_cast<QWidget *>(Insp().StringGrid); }},
        {"cell editor", [this] { Select(2); return static_cast<QWidget *>(CellEditor()); }},
        {"list", [this] { return static_cast<QWidget *>(Insp().ComboBox->lineEdit()); }},
    };
    for (const auto &[what, place] : places) {
        SCOPED_TRACE(what);
        Insp().OpenFor(slot);
        QWidget *target = place();
        ASSERT_TRUE(target);
        QTest::keyClick(target, Qt::Key_F11);
        EXPECT_FALSE(Insp().isVisible());
    }
}

TEST_F(InspTest, F11OfTheMainWindowOpensAndHidesIt) {
    kmr::TFMain &w = Start({"Plusbox.kmd"});
    Put("Plusbox.kmd", 64, 80);
    const int second = Put("Plusbox.kmd", 160, 80);
    const auto key = [&](int x, int y) {
        Move(x, y);
        QTest::keyClick(w.windowHandle(), Qt::Key_F11);
        QCoreApplication::processEvents();
    };
    key(170, 90);
    EXPECT_TRUE(Insp().isVisible());
    EXPECT_EQ(Insp().SelectedInstance(), second);
    EXPECT_EQ(Insp().RowCount(), 2);
    key(400, 250);
    EXPECT_FALSE(Insp().isVisible());
}

TEST_F(InspTest, TheListNamesEveryInstanceAndSwitchesBetweenThem) {
    Start({"Plusbox.kmd", "Delay.kmd"});
    Put("Plusbox.kmd", 64, 80);
    const int delay = Put("Delay.kmd", 160, 80);
    std::strcpy(Scheme().Get(delay)->UserName, "Mix");
    const int lost = Put("Plusbox.kmd", 256, 80);
    Insp().OpenFor(1);
    EXPECT_EQ(ListEntries(), (std::vector<QString>{TipOf("Plusbox.kmd") + QStringLiteral(" 1"), QStringLiteral("Mix"),
                                                   TipOf("Plusbox.kmd") + QStringLiteral(" 3")}));

    emit Insp().ComboBox->activated(1);
    EXPECT_EQ(Insp().SelectedInstance(), delay);
    EXPECT_EQ(Insp().RowCount(), 3);
    EXPECT_EQ(Insp().Cell(1, 1), QStringLiteral("Mix"));
    EXPECT_EQ(Insp().ComboBox->currentIndex(), 1);

    // An instance whose type is not loaded is listed as "?" and cannot be
    // inspected.
    Scheme().Get(lost)->Index = AVMODULES::kTypeCount - 1;
    Insp().FormActivate();
    EXPECT_EQ(ListEntries().back(), QStringLiteral("?"));
    emit Insp().ComboBox->activated(2);
    Insp().OpenFor(lost);
    EXPECT_EQ(Insp().SelectedInstance(), delay);
    EXPECT_EQ(Insp().RowCount(), 3);
}

TEST_F(InspTest, SizeLimitsAndThePlaceKeptInTheSettings) {
    {
        kmr::SettingsStore store;
        store.SetInteger(QStringLiteral("Insp"), QStringLiteral("Top"), 60);
        store.SetInteger(QStringLiteral("Insp"), QStringLiteral("Left"), 50);
    }
    Start({"Plusbox.kmd"});
    EXPECT_EQ(Insp().pos(), QPoint(50, 60));

    Insp().OpenFor(Put("Plusbox.kmd", 64, 80));
    EXPECT_EQ(Insp().StringGrid->width(), 200);
    EXPECT_EQ(Insp().StringGrid->columnWidth(1), 100);
    Insp().resize(100, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(Insp().size(), QSize(140, 370));
    EXPECT_EQ(Insp().ComboBox->width(), 130);
    EXPECT_EQ(Insp().StringGrid->columnWidth(0), 100);
    EXPECT_EQ(Insp().StringGrid->columnWidth(1), 30);

    Insp().move(70, 80);
    window.reset();
    kmr::SettingsStore store;
    EXPECT_EQ(store.Integer(QStringLiteral("Insp"), QStringLiteral("Top"), 0), 80);
    EXPECT_EQ(store.Integer(QStringLiteral("Insp"), QStringLiteral("Left"), 0), 70);
}

TEST_F(InspTest, LetsGoOfItsInstanceBeforeTheSchematicChanges) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Plusbox.kmd"});
    edtest::MakeProject("other.kpj", "Plusbox.kmd");
    edtest::FakeRun run;
    struct Case {
        const char *what;
        std::function<void(int slot)> change;
    };
    const Case cases[] = {
        {"deleted from its context menu",
         [&](int slot) {
             Ed().ModuleCtx = slot;
             Ed().pmModuleDeleteClick();
         }},
        {"deleted in the Delete mode",
         [&](int slot) {
             w.SetMode(kmr::mdDelete, true);
             Click(Qt::LeftButton, Loc(slot).x + 4, Loc(slot).y + 4);
             w.SetMode(kmr::mdMain, true);
         }},
        {"another project loaded", [&](int) { ASSERT_TRUE(w.LoadProject("other.kpj")); }},
        {"a new project",
         [&](int) {
             modal.answer = [](QDialog &d) {
                 if (auto *files = qobject_cast<QFileDialog *>(&d)) files->selectFile(QStringLiteral("new.kpj"));
                 return int(QDialog::Accepted);
             };
             w.mCreateClick();
             modal.answer = nullptr;
             ASSERT_EQ(Scheme().CountInstances(), 0);
         }},
        {"a run started",
         [&](int) {
             w.SetRun(&run);
             run.running = true;
             w.RunStarted();
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Scheme().ClearAll();
        const int slot = Put("Tonegen.kmd", 64, 80);
        Insp().OpenFor(slot);
        ASSERT_EQ(Insp().RowCount(), 4);
        TypeInto(1, QStringLiteral("pending"));

        c.change(slot);
        EXPECT_EQ(Insp().RowCount(), 0);
        for (int i = 0; i < kDescriptorCount; ++i) EXPECT_EQ(engine->Descr[i].Type, _NONE) << i;
        for (int r = 1; r <= 15; ++r) EXPECT_TRUE(Insp().Cell(0, r).isEmpty() && Insp().Cell(1, r).isEmpty()) << r;

        // Leaving the cell with the typed text writes nowhere.
        w.Modified = false;
        Leave(1);
        EXPECT_EQ(Insp().Cell(1, 1), QString());
        EXPECT_FALSE(w.Modified);
        for (int s = 1; s <= Scheme().CountInstances(); ++s) EXPECT_STREQ(Scheme().Get(s)->UserName, "") << s;

        if (w.RunActive()) {
            // While the calculation runs nothing describes an instance.
            Insp().OpenFor(1);
            emit Insp().ComboBox->activated(0);
            Insp().FormActivate();
            EXPECT_EQ(Insp().RowCount(), 0);
            run.running = false;
            w.RunEnded(kmr::RunEnd::Finished);
            Insp().OpenFor(1);
            EXPECT_EQ(Insp().RowCount(), 4);
        }
    }
}

// The generator's frequency typed into the inspector is the frequency of
// the tone on tape: a sine of f Hz crosses zero 2 f times a second.
TEST_F(InspTest, TheEditedFrequencyIsTheRenderedTone) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Taperec.kmd"});
    engine->Params.Freq = 11025;
    engine->Params.FullTime = 0.5;
    const int gen = Put("Tonegen.kmd", 96, 96);
    const int tape = Put("Taperec.kmd", 192, 96);
    ASSERT_TRUE(kmr::LayWire(Wires(), Scheme(), Pin(gen, 1), Pin(tape, 2)).Laid());
    w.Canvas->Redraw();

    const auto render = [&]() -> int {
        Ed().TBGoClick();
        QElapsedTimer guard;
        guard.start();
        while (w.RunActive() && guard.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_FALSE(w.RunActive());
        const std::string wave = edtest::ReadFile("Taperec00.wav");
        EXPECT_EQ(wave.size(), 44u + 5512u * 2u);
        int crossings = 0;
        int16_t last = 0;
        for (size_t at = 44; at + 1 < wave.size(); at += 2) {
            int16_t s;
            std::memcpy(&s, wave.data() + at, 2);
            if (at > 44 && (s < 0) != (last < 0)) ++crossings;
            last = s;
        }
        return crossings;
    };

    EXPECT_NEAR(render(), 2 * 523.25 * 0.5, 2);
    // The run let go of the generator; the inspector describes it anew.
    Insp().OpenFor(gen);
    ASSERT_EQ(Insp().Cell(1, 4), QStringLiteral("523.2500"));
    TypeInto(4, QStringLiteral("1000"));
    Leave(4);
    EXPECT_EQ(Insp().Cell(1, 4), QStringLiteral("1000.0000"));
    EXPECT_NEAR(render(), 2 * 1000 * 0.5, 2);
}

} // namespace
