// The file commands of the main window with their dialogs answered by the
// test: Open, Save, Save as and New with their questions and fallbacks, a
// schematic made with the mouse and taken through a file and back, the
// picture export, printing, the module wizard and the settings command.
#include "WireTest.h"

#include <QAction>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QStatusBar>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <sys/stat.h>
#include <utime.h>

#include "DebugDump.h"
#include "Project.h"
#include "Ufile.h"
#include "Upform.h"

namespace {

using edtest::Text;
namespace fs = std::filesystem;

constexpr int kYes = 1, kNo = 7, kCancel = 2; // answers of the save question

// A name with a blank and letters beyond ASCII.
const char *const kOddName = "мой проект 1.kpj";

// One dialog the test saw, and how it answered it.
struct Seen {
    QString type, title, text;
};

class FileCommandsTest : public edtest::WireFixture {
protected:
    using Answer = std::function<int(QDialog &)>;

    void SetUp() override {
        WireFixture::SetUp();
        modal.answer = [this](QDialog &dialog) {
            Seen s{QString::fromLatin1(dialog.metaObject()->className()), dialog.windowTitle(), QString()};
            if (auto *box = qobject_cast<QMessageBox *>(&dialog)) s.text = box->text();
            if (auto *label = dialog.findChild<QLabel *>(QStringLiteral("Label1"))) s.text = label->text();
            if (auto *files = qobject_cast<QFileDialog *>(&dialog)) s.text = files->selectedFiles().value(0);
            seen.push_back(s);
            if (script.empty()) return 1;
            Answer next = std::move(script.front());
            script.pop_front();
            return next(dialog);
        };
    }

    // Answers for the coming dialogs, in order.
    void Script(std::initializer_list<Answer> answers) {
        script.assign(answers.begin(), answers.end());
        seen.clear();
    }
    static Answer Reply(int result) {
        return [result](QDialog &) { return result; };
    }
    // Chooses `name` in a file dialog.
    static Answer Choose(const std::string &name) {
        return [name](QDialog &dialog) {
            auto &files = dynamic_cast<QFileDialog &>(dialog);
            files.selectFile(kmr::FileNameText(fs::absolute(name).string()));
            return int(QDialog::Accepted);
        };
    }
    std::vector<QString> Types() const {
        std::vector<QString> types;
        for (const Seen &s : seen) types.push_back(s.type);
        return types;
    }

    // The type file names of the instances, in slot order.
    std::vector<std::string> Instances() {
        std::vector<std::string> names;
        for (int s = 1; s < MODULES::kSlotCount; ++s)
            if (const MODULE *m = Scheme().Get(s)) names.push_back(engine->Types.GetType(m->Index).FileName);
        return names;
    }

    // The picture size of instances of `plugin`.
    CPOINT EndOf(const char *plugin) {
        const int slot = Put(plugin, 0, 0);
        const CPOINT end = Scheme().Get(slot)->end;
        Scheme().DeleteInstance(slot);
        return end;
    }

    // The window as a project "a.kpj" of one Delay was opened in it.
    void OpenA() {
        edtest::MakeProject("a.kpj", "Delay.kmd");
        Script({Choose("a.kpj")});
        W().mOpenClick();
        ASSERT_EQ(Instances(), std::vector<std::string>{"Delay.kmd"});
        ASSERT_FALSE(W().Modified);
    }

    std::deque<Answer> script;
    std::vector<Seen> seen;
};

const QString kAsk = QStringLiteral("kmr::TAskSave"), kFiles = QStringLiteral("QFileDialog"),
              kMessage = QStringLiteral("kmr::TFormMessage"), kBox = QStringLiteral("QMessageBox");

// ---------------------------------------------------------------------------
// Open

TEST_F(FileCommandsTest, OpenAsksAboutChangesFirst) {
    struct Case {
        const char *what;
        bool modified;
        std::string name; // ProjectFileName before the Open
        std::vector<Answer> answers;
        std::vector<QString> windows;
        bool opened, saved; // b.kpj loaded; the old project saved first
    };
    const Case cases[] = {
        {"cancel stops", true, "a.kpj", {Reply(kCancel)}, {kAsk}, false, false},
        {"no loads without saving", true, "a.kpj", {Reply(kNo), Choose("b.kpj")}, {kAsk, kFiles}, true, false},
        {"yes saves, then loads", true, "a.kpj", {Reply(kYes), Choose("b.kpj")}, {kAsk, kFiles}, true, true},
        {"no name: no question", true, "", {Choose("b.kpj")}, {kFiles}, true, false},
        {"unchanged: no question", false, "a.kpj", {Choose("b.kpj")}, {kFiles}, true, false},
        {"the dialog cancelled", false, "a.kpj", {Reply(QDialog::Rejected)}, {kFiles}, false, false},
    };
    Start({"Delay.kmd", "Plusbox.kmd"});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        edtest::MakeProject("a.kpj", "Delay.kmd");
        edtest::MakeProject("b.kpj", "Plusbox.kmd");
        const std::string before = edtest::ReadFile("a.kpj");
        Scheme().ClearAll();
        Put("Delay.kmd", 64, 80);
        Put("Delay.kmd", 160, 80); // the change
        W().ProjectFileName = c.name;
        W().Modified = c.modified;
        script.assign(c.answers.begin(), c.answers.end());
        seen.clear();
        W().mOpenClick();
        EXPECT_EQ(Types(), c.windows);
        if (c.opened) {
            EXPECT_EQ(Instances(), std::vector<std::string>{"Plusbox.kmd"});
            EXPECT_EQ(W().ProjectFileName, fs::absolute("b.kpj").string());
            EXPECT_EQ(W().StatusFileName->text(), kmr::FileNameText(W().ProjectFileName));
            EXPECT_FALSE(W().Modified);
        } else {
            EXPECT_EQ(Instances().size(), 2u);
            EXPECT_EQ(W().Modified, c.modified);
        }
        EXPECT_EQ(edtest::ReadFile("a.kpj") != before, c.saved);
    }
    // The dialog starts at the project's own file and is captioned string 22.
    edtest::MakeProject(kOddName, "Delay.kmd");
    W().Modified = false;
    Script({Choose(kOddName)});
    W().mOpenClick();
    EXPECT_EQ(W().StatusFileName->text(), kmr::FileNameText(fs::absolute(kOddName).string()));
    Script({Reply(QDialog::Rejected)});
    W().mOpenClick();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, Text(22));
    EXPECT_EQ(seen[0].text, kmr::FileNameText(fs::absolute(kOddName).string()));
}

TEST_F(FileCommandsTest, DamagedFileLeavesThePreviousProject) {
    Start({"Delay.kmd", "Plusbox.kmd"});
    OpenA();
    const std::string aName = W().ProjectFileName;
    const QString aStatus = W().StatusFileName->text();
    const std::string good = edtest::ReadFile("a.kpj");
    // A project of a type that is not installed here.
    std::string unknown = good;
    const size_t type = 26 + 14 + 1 + 4;
    unknown.replace(type, 11, "Nothere.kmd");

    struct Case {
        const char *what;
        std::string bytes;
        std::vector<QString> windows;
    };
    const Case cases[] = {
        {"not a project", "not a project at all", {kFiles, kMessage}},
        {"cut in the module record", good.substr(0, 100), {kFiles, kMessage}},
        {"cut in the labels section", good.substr(0, good.size() - 2), {kFiles, kMessage}},
        {"a type not installed", unknown, {kFiles, kMessage, kMessage}},
        {"no such file", "", {kFiles, kMessage}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove("bad.kpj");
        if (!c.bytes.empty()) edtest::WriteFile("bad.kpj", c.bytes);
        Script({Choose("bad.kpj")});
        W().mOpenClick();
        EXPECT_EQ(Types(), c.windows);
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back().text, Text(23));
        EXPECT_EQ(seen.back().title, Text(24));
        EXPECT_EQ(Instances(), std::vector<std::string>{"Delay.kmd"});
        EXPECT_EQ(Scheme().Get(1)->loc, (CPOINT{64, 80}));
        EXPECT_EQ(W().ProjectFileName, aName);
        EXPECT_EQ(W().StatusFileName->text(), aStatus);
        EXPECT_FALSE(W().Modified);
        if (c.windows.size() == 3) {
            EXPECT_EQ(seen[1].text, Text(131));
            EXPECT_EQ(seen[1].title, QStringLiteral("Nothere.kmd"));
        }
    }

    // Changes the user chose not to save are still there when the file that
    // was to replace them does not load.
    Put("Plusbox.kmd", 160, 80);
    W().Modified = true;
    edtest::WriteFile("bad.kpj", "not a project at all");
    Script({Reply(kNo), Choose("bad.kpj")});
    W().mOpenClick();
    EXPECT_EQ(Instances(), (std::vector<std::string>{"Delay.kmd", "Plusbox.kmd"}));
    EXPECT_TRUE(W().Modified);
    EXPECT_EQ(edtest::ReadFile("a.kpj"), good);
}

TEST_F(FileCommandsTest, TheWindowGrowsToShowALoadedProject) {
    Start({"Delay.kmd"});
    const CPOINT end = EndOf("Delay.kmd");
    edtest::MakeProject("wide.kpj", "Delay.kmd", CPOINT{800 - end.x, 500 - end.y}, 22050, 2.5);
    ASSERT_LT(W().width(), 824);
    Script({Choose("wide.kpj")});
    W().mOpenClick();
    EXPECT_GE(W().width(), 824);
    EXPECT_GE(W().height(), 566);
    EXPECT_GE(W().x(), 0);
    EXPECT_GE(W().y(), 0);
    EXPECT_EQ(engine->Params.Freq, 22050);
    EXPECT_EQ(engine->Params.FullTime, 2.5);
}

// ---------------------------------------------------------------------------
// Save and Save as

TEST_F(FileCommandsTest, Save) {
    struct Case {
        const char *what;
        std::string name;
        bool readOnly;
        std::vector<Answer> answers;
        std::vector<QString> windows;
        bool written;
    };
    const Case cases[] = {
        {"saves", "p.kpj", false, {}, {}, true},
        {"read-only, answered no", "p.kpj", true, {Reply(kNo)}, {kAsk}, false},
        {"read-only, closed", "p.kpj", true, {Reply(kCancel)}, {kAsk}, false},
        {"read-only, answered yes", "p.kpj", true, {Reply(kYes)}, {kAsk}, true},
        {"a folder that is not there", "nowhere/p.kpj", false, {}, {kMessage}, false},
    };
    Start({"Delay.kmd"});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        edtest::MakeProject("p.kpj", "Plusbox.kmd");
        const std::string before = edtest::ReadFile("p.kpj");
        struct stat old;
        ASSERT_EQ(stat("p.kpj", &old), 0);
        utimbuf past{old.st_atime - 100, old.st_mtime - 100};
        ASSERT_EQ(utime("p.kpj", &past), 0);
        Scheme().ClearAll();
        Put("Delay.kmd", 96, 96);
        W().ProjectFileName = c.name;
        W().ReadOnly = c.readOnly;
        W().Modified = true;
        W().StatusFileName->clear();
        script.assign(c.answers.begin(), c.answers.end());
        seen.clear();
        W().mJSaveClick();
        EXPECT_EQ(Types(), c.windows);
        if (!c.windows.empty() && c.windows.back() == kAsk) {
            EXPECT_EQ(seen.back().text, Text(125));
        }
        if (!c.windows.empty() && c.windows.back() == kMessage) {
            EXPECT_EQ(seen.back().text, Text(47));
            EXPECT_EQ(seen.back().title, Text(48));
        }
        struct stat now;
        ASSERT_EQ(stat("p.kpj", &now), 0);
        if (c.written) {
            EXPECT_NE(edtest::ReadFile("p.kpj"), before);
            EXPECT_FALSE(W().Modified);
            EXPECT_EQ(W().StatusFileName->text(), QStringLiteral("p.kpj"));
            EXPECT_EQ(edtest::ReadFile("p.kpj")[40], c.readOnly ? 1 : 0); // the flag stays with the project
        } else {
            EXPECT_EQ(edtest::ReadFile("p.kpj"), before);
            EXPECT_EQ(now.st_mtime, past.modtime);
            EXPECT_TRUE(W().Modified);
        }
        EXPECT_EQ(W().ReadOnly, c.readOnly);
    }
}

TEST_F(FileCommandsTest, SaveAs) {
    Start({"Delay.kmd"});
    Put("Delay.kmd", 96, 96);

    // A failed save changes neither the name nor the read-only flag.
    W().ProjectFileName = "p.kpj";
    W().ReadOnly = true;
    W().Modified = true;
    Script({Choose("nowhere/q.kpj")});
    W().mSaveClick();
    EXPECT_EQ(Types(), (std::vector<QString>{kFiles, kMessage}));
    EXPECT_EQ(seen[0].title, Text(46));
    EXPECT_EQ(seen[1].text, Text(47));
    EXPECT_EQ(W().ProjectFileName, "p.kpj");
    EXPECT_TRUE(W().ReadOnly);
    EXPECT_TRUE(W().Modified);

    // A read-only project is saved as another file without a question; the
    // copy is no longer read-only.
    Script({Choose(kOddName)});
    W().mSaveClick();
    EXPECT_EQ(Types(), std::vector<QString>{kFiles});
    const std::string chosen = fs::absolute(kOddName).string();
    EXPECT_EQ(W().ProjectFileName, chosen);
    EXPECT_EQ(W().StatusFileName->text(), QString::fromUtf8(chosen.c_str()));
    EXPECT_FALSE(W().ReadOnly);
    EXPECT_FALSE(W().Modified);
    EXPECT_EQ(edtest::ReadFile(kOddName)[40], 0);

    // Cancelled: nothing happens.
    W().Modified = true;
    Script({Reply(QDialog::Rejected)});
    W().mSaveClick();
    EXPECT_TRUE(W().Modified);
    EXPECT_EQ(W().ProjectFileName, chosen);
}

// ---------------------------------------------------------------------------
// New

TEST_F(FileCommandsTest, New) {
    struct Case {
        const char *what;
        bool modified, exists;
        std::vector<Answer> answers;
        std::vector<QString> windows;
        bool emptied;
    };
    const Case cases[] = {
        {"a new name", false, false, {Choose("n.kpj")}, {kFiles}, true},
        {"an existing file, yes", false, true, {Choose("n.kpj"), Reply(QMessageBox::Yes)}, {kFiles, kBox}, true},
        {"an existing file, no", false, true, {Choose("n.kpj"), Reply(QMessageBox::No)}, {kFiles, kBox}, false},
        {"the dialog cancelled", false, false, {Reply(QDialog::Rejected)}, {kFiles}, false},
        {"changes: cancel stops", true, false, {Reply(kCancel)}, {kAsk}, false},
        {"changes: no goes on", true, false, {Reply(kNo), Choose("n.kpj")}, {kAsk, kFiles}, true},
    };
    Start({"Delay.kmd"});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove("n.kpj");
        if (c.exists) edtest::MakeProject("n.kpj", "Delay.kmd");
        const std::string before = edtest::ReadFile("n.kpj");
        Scheme().ClearAll();
        Put("Delay.kmd", 96, 96);
        engine->Labels.CreateLabel(10, 60, "text");
        W().ProjectFileName = "old.kpj";
        W().StatusFileName->setText(QStringLiteral("old.kpj"));
        W().ReadOnly = true;
        W().Modified = c.modified;
        script.assign(c.answers.begin(), c.answers.end());
        seen.clear();
        W().mCreateClick();
        EXPECT_EQ(Types(), c.windows);
        if (!c.windows.empty() && c.windows.back() == kBox) {
            EXPECT_EQ(seen.back().text, Text(27));
            EXPECT_EQ(seen.back().title, kmr::FileNameText(fs::absolute("n.kpj").string()));
        }
        if (c.emptied) {
            EXPECT_EQ(Scheme().CountInstances(), 0);
            EXPECT_EQ(engine->Labels.CountLabels(), 0);
            EXPECT_EQ(W().ProjectFileName, fs::absolute("n.kpj").string());
            EXPECT_EQ(W().StatusFileName->text(), kmr::FileNameText(W().ProjectFileName));
            EXPECT_FALSE(W().ReadOnly);
            EXPECT_FALSE(W().Modified);
        } else {
            EXPECT_EQ(Scheme().CountInstances(), 1);
            EXPECT_EQ(W().ProjectFileName, "old.kpj");
            EXPECT_TRUE(W().ReadOnly);
            EXPECT_EQ(W().Modified, c.modified);
        }
        // New writes nothing.
        EXPECT_EQ(edtest::ReadFile("n.kpj"), before);
        EXPECT_FALSE(fs::exists("old.kpj"));
    }
}

// ---------------------------------------------------------------------------
// The round trip

TEST_F(FileCommandsTest, MouseMadeSchematicThroughAFileAndBack) {
    kmr::TFMain &w = Start({"Tonegen.kmd", "Filter.kmd", "Taperec.kmd"});
    engine->Params.Freq = 11025;
    engine->Params.FullTime = 0.2;
    const int gen = PlaceWithMouse("Tonegen.kmd", 100, 100), filter = PlaceWithMouse("Filter.kmd", 196, 100),
              rec = PlaceWithMouse("Taperec.kmd", 292, 100);
    ASSERT_EQ(Scheme().CountInstances(), 3);
    ASSERT_TRUE(gen && filter && rec);
    ModeButton(kmr::mdSolder);
    Drag({Pin(gen, 1).x, Pin(gen, 1).y}, {Pin(filter, 2).x, Pin(filter, 2).y});
    // The second wire takes a detour below the modules.
    const CPOINT out = Pin(filter, 1), in = Pin(rec, 2);
    Drag({out.x, out.y}, {out.x, 200});
    Drag({out.x, 200}, {in.x, 200});
    Drag({in.x, 200}, {in.x, in.y});
    ASSERT_EQ(Wires().CountSegments(), 4);
    ASSERT_EQ(PinNetOf(rec, 2), PinNetOf(filter, 1));
    w.mAddText->trigger();
    ASSERT_EQ(engine->Labels.CountLabels(), 1);
    ASSERT_TRUE(w.Modified);

    auto dump = [this](const char *tag) {
        const std::string modules = std::string(tag) + "-modules.dbg", segments = std::string(tag) + "-segments.dbg";
        EXPECT_TRUE(kmr::WriteModulesDump(Scheme(), modules.c_str()));
        EXPECT_TRUE(kmr::WriteSegmentsDump(Wires(), segments.c_str()));
        return edtest::ReadFile(modules) + edtest::ReadFile(segments);
    };
    const std::string made = dump("made");

    Script({Choose(kOddName)});
    w.mSave->trigger();
    EXPECT_FALSE(w.Modified);
    const std::string saved = edtest::ReadFile(kOddName);

    // Whatever holds an instance hears of New and Open while the instances
    // are still there.
    std::vector<int> replacing;
    QObject::connect(&w, &kmr::TFMain::SchematicReplacing, [&] { replacing.push_back(Scheme().CountInstances()); });
    Script({Choose("other.kpj")});
    w.mCreate->trigger();
    EXPECT_EQ(Scheme().CountInstances(), 0);
    EXPECT_EQ(Wires().CountSegments(), 0);
    EXPECT_EQ(engine->Labels.CountLabels(), 0);
    EXPECT_NE(dump("new"), made);
    engine->Params.Freq = 44100;

    // F3 opens, F2 saves.
    Script({Choose(kOddName)});
    KeyAt(400, 250, Qt::Key_F3);
    EXPECT_EQ(Types(), std::vector<QString>{kFiles});
    EXPECT_EQ(w.ProjectFileName, fs::absolute(kOddName).string());
    EXPECT_EQ(dump("loaded"), made);
    EXPECT_EQ(engine->Labels.CountLabels(), 1);
    EXPECT_EQ(engine->Params.Freq, 11025);
    EXPECT_EQ(replacing, (std::vector<int>{3, 0}));
    w.Modified = true;
    fs::remove(kOddName);
    KeyAt(400, 250, Qt::Key_F2);
    EXPECT_FALSE(w.Modified);
    EXPECT_EQ(edtest::ReadFile(kOddName), saved);

    // The renderer calculates the file the editor wrote.
    fs::create_directory("render");
    QProcess render;
    render.start(QStringLiteral(KMR_RENDER),
                 {QStringLiteral("--out"), QStringLiteral("render"), QStringLiteral("--quiet"),
                  kmr::FileNameText(fs::absolute(kOddName).string())});
    ASSERT_TRUE(render.waitForFinished(60000));
    EXPECT_EQ(render.exitCode(), 0) << render.readAllStandardError().toStdString();
    std::error_code ec;
    EXPECT_EQ(fs::file_size("render/Taperec00.wav", ec), 44u + 2205u * 2u);
}

// ---------------------------------------------------------------------------
// During a calculation

TEST_F(FileCommandsTest, NothingReplacesTheSchematicDuringACalculation) {
    Start({"Delay.kmd"});
    edtest::FakeRun run;
    W().SetRun(&run);
    Put("Delay.kmd", 96, 96);
    W().ProjectFileName = "p.kpj";
    W().RunStarted();
    for (QAction *a : {W().mOpen, W().mJSave, W().mSave, W().mCreate}) EXPECT_FALSE(a->isEnabled());
    Script({});
    W().mOpenClick();
    W().mCreateClick();
    W().mJSaveClick();
    W().mSaveClick();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(Scheme().CountInstances(), 1);
    EXPECT_FALSE(fs::exists("p.kpj"));
    run.running = false;
    W().RunEnded(kmr::RunEnd::Finished);
    for (QAction *a : {W().mOpen, W().mJSave, W().mSave, W().mCreate}) EXPECT_TRUE(a->isEnabled());
    W().SetRun(nullptr);
}

// ---------------------------------------------------------------------------
// Picture and printing

TEST_F(FileCommandsTest, PictureOfTheDrawingArea) {
    Start({"Delay.kmd"});
    // The designed client area of 546 by 335 with its 46-pixel toolbar and
    // 17-pixel status bar.
    W().statusBar()->setFixedHeight(17);
    W().resize(546, 335 + W().centralWidget()->y());
    QCoreApplication::processEvents();
    ASSERT_EQ(W().Panel1->height(), 46);
    const int slot = Put("Delay.kmd", 96, 96);
    const CPOINT end = Scheme().Get(slot)->end;
    W().Canvas->update();

    Script({});
    W().PictureClick();
    ASSERT_EQ(Types(), std::vector<QString>{kMessage});
    EXPECT_EQ(seen[0].text, QStringLiteral("Form picture is saved as FormImg.bmp..."));
    EXPECT_EQ(seen[0].title, QStringLiteral("FormImg.bmp"));

    const QImage picture(QStringLiteral("FormImg.bmp"));
    ASSERT_EQ(picture.size(), QSize(542, 272));
    EXPECT_EQ(edtest::ReadFile("FormImg.bmp").substr(0, 2), "BM");
    // The background is white; the instance is there, moved by the cut:
    // picture (x, y) is drawing area (x + 2, y + 46).
    for (QPoint p : {QPoint(0, 0), QPoint(541, 271), QPoint(300, 200)}) EXPECT_EQ(picture.pixel(p) & 0xFFFFFF, 0xFFFFFFu);
    const QImage area = Pixels();
    int same = 0, dark = 0;
    for (int y = 96; y < 96 + end.y; ++y)
        for (int x = 96; x < 96 + end.x; ++x) {
            const QRgb drawn = area.pixel(x, y), shown = picture.pixel(x - 2, y - 46);
            same += (drawn & 0xFFFFFF) == (shown & 0xFFFFFF) || (shown & 0xFFFFFF) == 0xFFFFFF;
            dark += qGray(shown) < 128;
        }
    EXPECT_EQ(same, end.x * end.y);
    EXPECT_GT(dark, 0);

    // A picture file that cannot be written is reported, not announced.
    fs::remove("FormImg.bmp");
    fs::create_directory("FormImg.bmp");
    Script({});
    EXPECT_FALSE(W().SaveFormPicture());
    ASSERT_EQ(Types(), std::vector<QString>{kMessage});
    EXPECT_EQ(seen[0].title, QStringLiteral("FormImg.bmp"));
    EXPECT_EQ(seen[0].text, QString::fromLocal8Bit(std::strerror(EISDIR)));
}

TEST_F(FileCommandsTest, FormPictureCut) {
    // Client area: toolbar 3 rows, status bar 2 rows; background 0x102030.
    QImage client(10, 9, QImage::Format_RGB32);
    client.fill(0x102030);
    client.setPixel(5, 4, 0x00FF00);
    client.setPixel(2, 3, 0x0000FF);
    client.setPixel(0, 4, 0xFF0000); // left of the cut
    const QImage picture = kmr::FormPicture(client, 3, 2);
    ASSERT_EQ(picture.size(), QSize(6, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            QRgb expected = 0xFFFFFF;
            if (x == 3 && y == 1) expected = 0x00FF00;
            if (x == 0 && y == 0) expected = 0x0000FF;
            EXPECT_EQ(picture.pixel(x, y) & 0xFFFFFF, expected) << x << "," << y;
        }
    EXPECT_TRUE(kmr::FormPicture(client, 5, 4).isNull());
    EXPECT_TRUE(kmr::FormPicture(QImage(4, 9, QImage::Format_RGB32), 3, 2).isNull());
}

TEST_F(FileCommandsTest, PrintForm) {
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(kmr::WriteBitmapFile(picture, "FormImg.bmp"));
    std::unique_ptr<kmr::TPrintForm> form = kmr::TPrintForm::Create(nullptr, QStringLiteral("FormImg.bmp"));
    ASSERT_TRUE(form);
    EXPECT_EQ(form->size(), QSize(640, 480));
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    form.reset();
    edtest::WriteFile("FormImg.bmp", "BM, and nothing else");
    EXPECT_FALSE(kmr::TPrintForm::Create(nullptr, QStringLiteral("FormImg.bmp")));
    fs::remove("FormImg.bmp");
    EXPECT_FALSE(kmr::TPrintForm::Create(nullptr, QStringLiteral("FormImg.bmp")));
}

TEST_F(FileCommandsTest, PrintingToPdf) {
    Start({"Delay.kmd"});
    Put("Delay.kmd", 96, 96);
    auto toPdf = [](const std::string &name) {
        return [name](QDialog &dialog) {
            QPrinter *printer = dynamic_cast<QPrintDialog &>(dialog).printer();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(kmr::FileNameText(fs::absolute(name).string()));
            return int(QDialog::Accepted);
        };
    };
    // Cancelled: neither a picture nor a print.
    Script({Reply(QDialog::Rejected)});
    W().mPrintClick();
    EXPECT_FALSE(fs::exists("FormImg.bmp"));

    Script({toPdf("print 1.pdf")});
    W().mPrintClick();
    EXPECT_EQ(Types(), std::vector<QString>{QStringLiteral("QPrintDialog")});
    EXPECT_TRUE(fs::exists("FormImg.bmp"));
    const std::string pdf = edtest::ReadFile("print 1.pdf");
    ASSERT_GT(pdf.size(), 100u);
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    // The print form is gone with the command.
    EXPECT_FALSE(W().findChild<kmr::TPrintForm *>());
}

// ---------------------------------------------------------------------------
// The module wizard and the settings dialog

TEST_F(FileCommandsTest, ModuleWizard) {
    Start({"Delay.kmd"});
    fs::create_directory("elsewhere");
    fs::current_path("elsewhere");

    // Not there: the system's text, captioned string 119.
    Script({});
    W().mWizardClick();
    ASSERT_EQ(Types(), std::vector<QString>{kBox});
    EXPECT_EQ(seen[0].title, Text(119));
    EXPECT_EQ(seen[0].text, QString::fromLocal8Bit(std::strerror(ENOENT)));
    EXPECT_EQ(fs::current_path().string() + "/", W().StartDir);
    kmr::SettingsStore store;
    EXPECT_EQ(store.Text(QStringLiteral("Setup"), QStringLiteral("KMDDIR"), QString()),
              kmr::FileNameText(W().StartDir + "kmd"));

    // There: started in the program folder with the language number, and
    // not waited for.
    edtest::WriteFile("KmdWizard", "#!/bin/sh\necho \"$# $1 $(pwd)\" > wizard.tmp && mv wizard.tmp wizard.txt\n");
    fs::permissions("KmdWizard", fs::perms::owner_all);
    engine->Params.Lang = 3;
    Script({});
    W().mWizardClick();
    EXPECT_TRUE(seen.empty());
    for (int i = 0; i < 200 && !fs::exists("wizard.txt"); ++i) QTest::qWait(50);
    EXPECT_EQ(edtest::ReadFile("wizard.txt"), "1 3 " + fs::current_path().string() + "\n");
}

TEST_F(FileCommandsTest, SettingsCommand) {
    Start({"Delay.kmd"});
    EXPECT_TRUE(W().mParams->isEnabled()); // the window attaches its settings dialog
    int result = 1;
    W().SetSettingsDialog([&result](double &fullTime, int32_t &freq) {
        fullTime = 12.5;
        freq = 11025;
        return result;
    });
    EXPECT_TRUE(W().mParams->isEnabled());
    result = 2;
    W().mParams->trigger();
    EXPECT_EQ(engine->Params.Freq, 44100);
    EXPECT_EQ(engine->Params.FullTime, 5.0);
    result = 1;
    W().mParams->trigger();
    EXPECT_EQ(engine->Params.Freq, 11025);
    EXPECT_EQ(engine->Params.FullTime, 12.5);
}

} // namespace
