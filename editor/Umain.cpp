#include "Umain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

#include "Cp1251.h"
#include "DebugDump.h"
#include "Fileass.h"
#include "Help.h"
#include "Keys.h"
#include "Library.h"
#include "Pictures.h"
#include "Project.h"
#include "Seam.h"
#include "Startup.h"
#include "Strings.h"
#include "Uabout.h"
#include "Uasksave.h"
#include "Ufile.h"
#include "Uinsp.h"
#include "Umessage.h"
#include "Uparams.h"
#include "Utipofda.h"
#include "Wires.h"

namespace kmr {

namespace {

// The event the window posts to itself at start-up to show the tip of the
// day once the message loop runs.
const QEvent::Type kTipOfDayEvent = QEvent::Type(QEvent::registerEventType(QEvent::User + 3026));

// Window sides beyond this are taken for damage (a stored geometry, the
// extent of a loaded schematic), not for a wish.
constexpr int kMaxWindowSide = 8192;

QString Text(int number) { return QString::fromUtf8(GetString(number)); }

// Plug-in texts are Windows-1251; '&' would mark an accelerator in a menu.
QString MenuText(const char *cp1251) {
    QString s = QString::fromStdString(Cp1251ToUtf8(cp1251 ? cp1251 : ""));
    s.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return s;
}

QString TipOf(const MODULE_TYPE &type) {
    const char *tip = kmd::ToolTip(type);
    return QString::fromStdString(Cp1251ToUtf8(tip ? tip : ""));
}

// The window's client area: the drawing area fills it, the toolbar covers
// its top strip.
class ClientArea : public QWidget {
public:
    explicit ClientArea(QWidget *parent) : QWidget(parent) {}
    QWidget *canvas = nullptr;
    QWidget *panel = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override {
        if (canvas) canvas->setGeometry(rect());
        if (panel) panel->setGeometry(0, 0, width(), panel->height());
        QWidget::resizeEvent(event);
    }
};

} // namespace

// ---------------------------------------------------------------------------
// Construction and start-up

TFMain::TFMain(EditorEngine &engine, const StartOptions &options, QWidget *parent)
    : QMainWindow(parent), engine_(engine), threadRun_(engine.Go), run_(&threadRun_) {
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QStringLiteral("Kelmora 4.0"));
    setWindowIcon(QIcon(ProgramPicture(QStringLiteral("icon"))));
    move(182, 99);
    resize(554, 381);

    CreateMenus();
    CreateClientArea();
    ConnectFileCommands();

    auto *bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setFixedHeight(std::max(17, bar->fontMetrics().height() + 6));
    bar->setSizeGripEnabled(false);
    StatusFileName = new QLabel(bar);
    StatusFileName->setObjectName(QStringLiteral("StatusFileName"));
    StatusFileName->setFixedWidth(300);
    StatusFileName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusText = new QLabel(bar);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    StatusText->setFixedWidth(100);
    StatusText->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addWidget(StatusFileName);
    bar->addWidget(StatusText);
    setStatusBar(bar);

    // The six mode pictures open the button picture list.
    for (const char *name : {"main", "delete", "move", "solder", "ask", "go"})
        ImageList1.push_back(ProgramPicture(QString::fromLatin1(name)));

    FormGo = new TFormGo(this, *run_);
    Editor = new EditModes(*this);
    Wiring = new WireEditing(*this);
    Editor->SetWireGestures(Wiring);
    Keys = new KeyCommands(*this);
    Keys->SetPictureExport([this] { PictureClick(); });
    Insp = new TInsp(engine_, this);
    Insp->SetLocked([this] { return EditingLocked(); });
    connect(Insp, &TInsp::InstanceEdited, this, [this] { Modified = true; });
    connect(this, &TFMain::SchematicReplacing, this, &TFMain::InstancesAboutToChange);
    connect(this, &TFMain::LanguageApplied, Insp, &TInsp::LanguageChanged);
    Editor->SetInspector([this](int slot) { Insp->OpenFor(slot); });
    Keys->SetInspectorWindow(Insp);
    SetSettingsDialog([this](double &fullTime, int32_t &freq) {
        TFormParams form(*this);
        const int result = ExecModal(form);
        if (result == TFormParams::kOK) {
            fullTime = form.Duration();
            freq = form.Frequency();
        }
        return result;
    });
    qApp->installEventFilter(this);

    FormCreate(options);
}

void TFMain::CreateMenus() {
    auto item = [this](QMenu *menu, const char *caption, int number, QKeySequence key = {}) {
        QAction *a = menu->addAction(QString::fromUtf8(caption));
        if (!key.isEmpty()) a->setShortcut(key);
        if (number > 0) captions_.emplace_back(a, number);
        return a;
    };
    auto menu = [this](const char *caption, int number) {
        QMenu *m = menuBar()->addMenu(QString::fromUtf8(caption));
        if (number > 0) captions_.emplace_back(m->menuAction(), number);
        return m;
    };

    mFile = menu("&Файл", 37);
    mOpen = item(mFile, "&Открыть", 28, Qt::Key_F3);
    mJSave = item(mFile, "Записать", 126, Qt::Key_F2);
    mSave = item(mFile, "Записать &как...", 29);
    mCreate = item(mFile, "&Создать", 30);
    mFile->addSeparator();
    mPrint = item(mFile, "&Печать", 132);
    mFile->addSeparator();
    mExit = item(mFile, "&Выход ", 31);
    connect(mExit, &QAction::triggered, this, &QWidget::close);

    mModules = menu("&Модули", 32);

    mSetup = menu("&Установки", 33);
    mParams = item(mSetup, "&Параметры", 134);
    mSetup->addSeparator();
    mFlat = item(mSetup, "&Кнопки в панели управления", 133);
    mFlat->setCheckable(true);
    connect(mFlat, &QAction::triggered, this, [this] {
        Setup.Flat = !mFlat->isChecked();
        ApplyFlat();
    });

    // Shown only when the program is started with "-d"; its captions stay.
    mDebug = menu("&Отладчик", 0);
    mDebModukes = item(mDebug, "&Модули", 0);
    mDebSeg = item(mDebug, "&Сегменты", 0);
    mDebLib = item(mDebug, "&Библиотеки", 0);
    connect(mDebModukes, &QAction::triggered, this, [this] { WriteModulesDump(engine_.Scheme, kModulesDumpName); });
    connect(mDebSeg, &QAction::triggered, this, [this] { WriteSegmentsDump(engine_.Wires, kSegmentsDumpName); });
    mDebug->menuAction()->setVisible(false);

    mDescription = menu("О&формление", 38);
    mAddText = item(mDescription, "&Добавить текст", 39);

    mWindow = menu("&Окно", 101);
    mWModules = item(mWindow, "&Модули", 32, Qt::Key_F12);
    mWInsp = item(mWindow, "&Инспектор модулей", 100);
    mWindow->addSeparator();
    mWizard = item(mWindow, "&Волшебник модулей", 117);
    mWindow->addSeparator();
    mTeach = mWindow->addMenu(QStringLiteral("&Обучение"));
    captions_.emplace_back(mTeach->menuAction(), 127);
    mBegin = item(mTeach, "&Начать", 128);
    mCont = item(mTeach, "&Продолжить", 129);
    mCont->setEnabled(false);

    mHelp = menu("&Помощь", 40);
    mContents = item(mHelp, "&Содержание", 118);
    connect(mContents, &QAction::triggered, this, [] { ShowHelpContents(); });
    mHints = item(mHelp, "&Подсказки", 41);
    mHints->setCheckable(true);
    connect(mHints, &QAction::triggered, this, [this] {
        Setup.Hints = !Setup.Hints;
        mHints->setChecked(Setup.Hints);
    });
    mHelp->addSeparator();
    mAbout = item(mHelp, "&О программе", 42);
    connect(mAbout, &QAction::triggered, this, [this] { ShowAbout(this); });

    // The context menu of a module button.
    PopupMenuButton = new QMenu(this);
    pmButtonCfg = PopupMenuButton->addAction(QString());
    pmButtonCfg->setEnabled(false); // the panel configuration dialog is not built yet
    pmButtonToPanel = PopupMenuButton->addAction(QString());
    pmButtonHelp = PopupMenuButton->addAction(QString());
    connect(PopupMenuButton, &QMenu::aboutToShow, this, [this] {
        pmButtonCfg->setText(Text(99));
        pmButtonToPanel->setText(Text(135));
        pmButtonHelp->setText(Text(106));
    });
    connect(pmButtonToPanel, &QAction::triggered, this, &TFMain::pmButtonToPanelClick);
    connect(pmButtonHelp, &QAction::triggered, this, &TFMain::pmButtonHelpClick);
}

void TFMain::CreateClientArea() {
    auto *client = new ClientArea(this);
    Canvas = new DrawingArea(engine_.Scheme, engine_.Wires, client);
    Canvas->setObjectName(QStringLiteral("DrawingArea"));
    Panel1 = new TModulePanel(client);
    Panel1->raise();
    client->canvas = Canvas;
    client->panel = Panel1;
    setCentralWidget(client);
    connect(Panel1, &TModulePanel::ButtonClicked, this, &TFMain::ButtonClick);
    connect(Panel1, &TModulePanel::ButtonRightPressed, this, &TFMain::SpeedButtonMouseDown);
}

int TFMain::AddButtonPicture(const Picture &picture) {
    QImage image = ToImage(picture);
    if (image.isNull()) return -1;
    if (image.size() != QSize(22, 22)) image = image.scaled(22, 22);
    ImageList1.push_back(QPixmap::fromImage(image));
    return int(ImageList1.size()) - 1;
}

void TFMain::FormCreate(const StartOptions &options) {
    PARAMS &params = engine_.Params;

    // 1. The splash window, when its library is there.
    using ShowForm = void (*)(char);
    void *splash = LoadLibrary(engine_.ProgramFolder + "/Start.so");
    ShowForm showForm = splash ? reinterpret_cast<ShowForm>(FindSymbol(splash, "ShowForm")) : nullptr;
    if (splash) {
        if (showForm) showForm(1);
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 200) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
        }
    }

    // 2.-4. The engine draws on this window and its plug-ins know it.
    engine_.Scheme.SetSurface(&Canvas->Surface());
    engine_.Wires.SetSurface(&Canvas->Surface());
    params.MainForm = this;
    engine_.Oscilla.SetOwner(this);
    params.Lang = 1;
    params.WaveShow = WaveShowHook;
    params.SpectrumShow = SpectrumShowHook;
    params.Descr = engine_.Descr;
    engine_.Labels.SetOwner(Canvas);

    // 6.-9. The plug-ins, the start-up log and the toolbar.
    const int n = ScanModules(engine_.Types, kStartupLogName,
                              [this](const Picture &tool) { return AddButtonPicture(tool); });
    LoadToolbarFile(engine_.Types);
    if (n != 0) RebuildPanel();

    // 10.-13.
    SetMode(mdMain, true);
    params.Freq = 44100;
    params.FullTime = 5.0;
    ReadSettings();
    StartDir = QDir::currentPath().toStdString();
    if (StartDir.empty() || StartDir.back() != '/') StartDir += '/';

    // 14. The help.
    SetHelpFile(FindHelpFile());

    // 15. Project files open with this program.
    RegisterFileType(options.refreshMimeDatabase);

    // 16. The first project.
    FirstProject(options.arguments);

    // 17. The tip of the day, once the message loop runs.
    if (params.Lang == 0 && Setup.Tip >= 0) QCoreApplication::postEvent(this, new QEvent(kTipOfDayEvent));

    // 18.
    if (showForm) showForm(0);
    UnloadLibrary(splash);
}

void TFMain::RegisterFileType(bool refreshMimeDatabase) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ProgramPicture(QStringLiteral("icon")).save(&buffer, "PNG");
    const std::string program = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    bool changedMime = false;
    RegisterFileAssociation(program, std::vector<uint8_t>(png.begin(), png.end()), &changedMime);
    if (changedMime && refreshMimeDatabase) {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-mime-database"));
        if (!tool.isEmpty())
            QProcess::startDetached(tool, {QFile::decodeName(QByteArray::fromStdString(FileAssociationPaths().mimeFolder))});
    }
}

void TFMain::FirstProject(const QStringList &arguments) {
    if (!arguments.isEmpty()) {
        const QString first = arguments.first();
        if (first == QLatin1String("-d")) {
            mDebug->menuAction()->setVisible(true);
        } else {
            const std::string name = QFile::encodeName(first).toStdString();
            std::error_code ec;
            if (name.size() <= kProjectNameMax && std::filesystem::exists(name, ec)) {
                if (LoadProject(name)) {
                    ProjectFileName = name;
                    ShowStatusFileName();
                    return;
                }
                // A named project that does not load leaves no name behind:
                // the start goes on as if none were stored.
                if (name != ProjectFileName) ProjectFileName.clear();
            }
        }
    }
    if (Setup.AvtoLoad && !ProjectFileName.empty()) {
        if (CanOpenFile(ProjectFileName)) {
            LoadProject(ProjectFileName);
            ShowStatusFileName();
        }
        return;
    }
    ProjectFileName = FreeProjectName();
    ShowStatusFileName();
}

void TFMain::ShowStatusFileName() { StatusFileName->setText(FileNameText(ProjectFileName)); }

// ---------------------------------------------------------------------------
// Close and end

void TFMain::closeEvent(QCloseEvent *event) {
    // Nothing goes away under a running calculation: it is cancelled and the
    // close happens once its end has been reported.
    if (runActive_) {
        run_->Cancel();
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    const bool close = SaveOnClose();
    WriteSettings();
    if (close)
        event->accept();
    else
        event->ignore();
}

bool TFMain::SaveOnClose() {
    if (engine_.Scheme.CountInstances() == 0 || ProjectFileName.empty() || !Modified) return true;
    if (!Setup.AvtoSave) {
        const int answer = AskSaveQuestion(this);
        if (answer == TAskSave::kCancel) return false;
        if (answer == TAskSave::kNo) return true;
    }
    switch (Save(ProjectFileName)) {
    case SaveOutcome::Saved:
        Modified = false;
        return true;
    case SaveOutcome::Declined: // not over the read-only file, as the user answered
        return true;
    case SaveOutcome::Cancelled:
        return false;
    case SaveOutcome::Failed:
        break;
    }
    MessageWindowById(this, engine_.Params.Lang, 47, 48);
    return false;
}

TFMain::~TFMain() {
    qApp->removeEventFilter(this);
    Editor->Timer1->stop();
    Canvas->SetInput(nullptr);
    // A calculation must not outlive the drawing surface it may draw on.
    if (runActive_) {
        run_->Cancel();
        engine_.Go.Wait();
    }
    engine_.Labels.ClearAll();
    engine_.Labels.SetOwner(nullptr);
    engine_.Scheme.SetSurface(nullptr);
    engine_.Wires.SetSurface(nullptr);
    engine_.Params.MainForm = nullptr;
    engine_.Oscilla.SetOwner(nullptr);
    Language.UnloadLanguage();
}

// ---------------------------------------------------------------------------
// Language

void TFMain::ApplyLanguage() {
    Language.LoadLanguage(engine_.Params.Lang);
    ApplyCaptions();
}

void TFMain::SetLanguage(int n) {
    if (!Language.SwitchLanguage(n)) return;
    engine_.Params.Lang = char(n);
    ApplyCaptions();
}

void TFMain::ApplyCaptions() {
    for (auto &[action, number] : captions_) action->setText(Text(number));
    SetPanelHints();
    BuildModulesMenu();
    emit LanguageApplied();
}

// ---------------------------------------------------------------------------
// Settings

void TFMain::ReadSettings() {
    std::string fileName;
    char lang = 0;
    {
        SettingsStore store;
        const WindowPlace place = ReadWindowPlace(store, WindowPlace{y(), x(), height(), width()});
        move(place.Left, place.Top);
        resize(std::clamp(place.Width, 1, kMaxWindowSide), std::clamp(place.Height, 1, kMaxWindowSide));
        ReadSetup(store, Setup, fileName, lang);
        engine_.Params.Lang = lang;
        mCont->setEnabled(Setup.LessonIndex != 0);
    }
    ProjectFileName = fileName;
    update();
    mHints->setChecked(Setup.Hints);
    ApplyLanguage();
    mFlat->setChecked(!Setup.Flat);
    ApplyFlat();
}

void TFMain::WriteSettings() {
    SettingsStore store;
    WriteWindowPlace(store, WindowPlace{y(), x(), height(), width()});
    WriteSetup(store, Setup, ProjectFileName, engine_.Params.Lang);
}

bool TFMain::eventFilter(QObject *watched, QEvent *event) {
    // Tool tips of this window follow the "Hints" setting.
    if (event->type() == QEvent::ToolTip && !Setup.Hints && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->window() == this)
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Modes and the module panel

void TFMain::SetMode(int mode, bool reset) {
    Mode = mode;
    const int index = Panel1->IndexOfTag(kModeTagBase + mode);
    if (index >= 0 && index < kModeCount)
        for (int k = 0; k < kModeCount; ++k) Panel1->SetPressed(k, k == index);
    if (reset) {
        if (Editor) Editor->ResetHighlight();
        emit HighlightReset();
    }
}

void TFMain::RebuildPanel() {
    Panel1->SetFlat(Setup.Flat);
    Panel1->Rebuild(PanelLayout(engine_.Types, SelectedType), ImageList1);
    SetPanelHints();
}

void TFMain::SetPanelHints() {
    const int types = engine_.Types.CountTypes();
    for (int i = 0; i < Panel1->ControlCount(); ++i) {
        const int tag = Panel1->Tag(i);
        if (tag >= kModeTagBase && tag < kModeTagBase + kModeCount)
            Panel1->SetHint(i, Text(84 + tag - kModeTagBase));
        else if (tag >= 0 && tag < types)
            Panel1->SetHint(i, TipOf(engine_.Types.GetType(tag)));
    }
}

void TFMain::BuildModulesMenu() {
    mModules->clear();
    delete modulesGroup_;
    modulesGroup_ = new QActionGroup(this);
    modulesGroup_->setExclusive(true);
    const int n = engine_.Types.CountTypes();
    for (int pos = 0; pos < n; ++pos)
        for (int t = 0; t < n; ++t) {
            const MODULE_TYPE &type = engine_.Types.GetType(t);
            if (type.PanelPos != pos) continue;
            QAction *a = mModules->addAction(MenuText(kmd::ToolTip(type)));
            a->setCheckable(true);
            a->setData(t);
            modulesGroup_->addAction(a);
            connect(a, &QAction::triggered, this, [this, t] { ModulesMenuClick(t); });
        }
    CheckModulesMenu();
}

void TFMain::CheckModulesMenu() {
    for (QAction *a : mModules->actions())
        if (a->data().toInt() == SelectedType) {
            a->setChecked(true);
            return;
        }
}

void TFMain::SyncSelection() {
    int found = -1;
    for (int i = kFirstModuleControl; i < Panel1->ControlCount(); ++i)
        if (found < 0 && Panel1->Tag(i) == SelectedType) found = i;
    for (int i = kFirstModuleControl; i < Panel1->ControlCount(); ++i) Panel1->SetPressed(i, i == found);
    if (found >= 0 && Mode != mdMain) SetMode(mdMain, true);
}

void TFMain::ReleaseModuleButtons() {
    for (int i = kFirstModuleControl; i < Panel1->ControlCount(); ++i) Panel1->SetPressed(i, false);
}

void TFMain::ApplyFlat() { Panel1->SetFlat(Setup.Flat); }

void TFMain::ButtonClick(int tag) {
    if (tag >= kModeTagBase && tag < kModeTagBase + mdGo) {
        Editor->ModeButtonClick(tag - kModeTagBase);
        return;
    }
    if (tag == kModeTagBase + mdGo) {
        Editor->TBGoClick();
        return;
    }
    if (tag < 0 || tag >= engine_.Types.CountTypes()) return;
    SelectedType = tag;
    const int index = Panel1->IndexOfTag(tag, kFirstModuleControl);
    for (int i = kFirstModuleControl; i < Panel1->ControlCount(); ++i) Panel1->SetPressed(i, i == index);
    if (Mode != mdMain) SetMode(mdMain, true);
    CheckModulesMenu();
}

void TFMain::ModulesMenuClick(int type) {
    SelectedType = type;
    CheckModulesMenu();
    SyncSelection();
}

void TFMain::SpeedButtonMouseDown(int tag, QPoint at) {
    if (tag < 0 || tag >= kModeTagBase) return;
    ButtonCtx = tag;
    const int index = Panel1->IndexOfTag(tag, kFirstModuleControl);
    const QWidget *button = Panel1->Control(index);
    PopupMenuButton->popup(button ? button->mapToGlobal(at) : QCursor::pos());
}

void TFMain::pmButtonToPanelClick() {
    if (ButtonCtx < 0 || ButtonCtx >= engine_.Types.CountTypes()) return;
    engine_.Types.GetType(ButtonCtx).OnPanel = true;
    RebuildPanel();
    SaveToolbarFile(engine_.Types);
}

void TFMain::pmButtonHelpClick() {
    if (ButtonCtx < 0 || ButtonCtx >= engine_.Types.CountTypes()) return;
    const MODULE_TYPE &type = engine_.Types.GetType(ButtonCtx);
    if (type.Loaded()) kmd::Help(type);
}

// ---------------------------------------------------------------------------
// Calculation

void TFMain::SetRun(GoRun *run) {
    run_ = run ? run : &threadRun_;
    FormGo->SetRun(*run_);
}

void TFMain::RunStarted() {
    InstancesAboutToChange();
    runActive_ = true;
    Canvas->SetDrawingHeld(true);
    Panel1->setEnabled(false);
    EnableFileCommands();
    StatusText->setText(Text(5));
    FormGo->Show(engine_.Scheme.CountInstances(), engine_.Wires.CountNets(), engine_.Wires.CountSegments());
}

void TFMain::RunEnded(RunEnd end) {
    runActive_ = false;
    Canvas->SetDrawingHeld(false);
    Panel1->setEnabled(true);
    EnableFileCommands();
    FormGo->Timer1->stop();
    FormGo->hide();
    Editor->GoEnded(end, run_->Elapsed(), closeAfterRun_);
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

// ---------------------------------------------------------------------------
// Inspector

void TFMain::InstancesAboutToChange() { Insp->Clear(); }

// ---------------------------------------------------------------------------
// Events

void TFMain::ShowTipOfDay() {
    if (engine_.Params.Lang == 0) kmr::ShowTipOfDay(this);
}

bool TFMain::event(QEvent *event) {
    if (event->type() == kTipOfDayEvent) {
        kmr::ShowTipOfDay(this);
        return true;
    }
    if (event->type() == RunEndEvent::kType) {
        RunEnded(static_cast<RunEndEvent *>(event)->End());
        return true;
    }
    return QMainWindow::event(event);
}

} // namespace kmr
