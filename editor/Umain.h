// The main window of the program: the schematic's drawing area under the
// toolbar of modes and modules, the menus and the status bar; its start-up
// (FormCreate), its close (FormClose) and its end (FormDestroy), the
// interface language of its captions, the settings it reads and writes, the
// module panel, and the end of a calculation.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QStringList>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Canvas.h"
#include "Globals.h"
#include "Modes.h"
#include "Settings.h"
#include "Ugo.h"
#include "Utbctrl.h"

class QAction;
class QActionGroup;
class QLabel;
class QMenu;

namespace kmr {

class KeyCommands;
class TInsp;
class WireEditing;

// Editing modes, as `Mode` holds them.
enum : int32_t { mdMain = 0, mdDelete = 1, mdMove = 2, mdSolder = 3, mdAsk = 4, mdGo = 5 };

class TFMain : public QMainWindow {
    Q_OBJECT
public:
    struct StartOptions {
        QStringList arguments;           // the command line after the program's name
        bool refreshMimeDatabase = true; // refresh the user's mime database when the type changed
    };

    // Makes the window and runs its start-up; the window is not shown yet.
    TFMain(EditorEngine &engine, const StartOptions &options, QWidget *parent = nullptr);
    ~TFMain() override; // FormDestroy

    // --- State kept for the whole run ---------------------------------
    std::string ProjectFileName; // as typed or chosen; empty: no name
    std::string StartDir;        // the current folder at start-up, with a trailing "/"
    bool Modified = false;
    bool ReadOnly = false;
    int32_t Mode = mdMain;
    int32_t SelectedType = 0;
    bool ErrorShown = false;     // the last Go left a refusal or failure on the screen
    SetupSettings Setup;         // section "Setup" of the settings store

    EditorEngine &Engine() { return engine_; }

    // --- Language ------------------------------------------------------
    // Loads the language table of PARAMS.Lang and sets every caption.
    void ApplyLanguage();
    // Changes to language n when its table loads; otherwise nothing changes.
    void SetLanguage(int n);

    // --- Settings ------------------------------------------------------
    void ReadSettings();
    void WriteSettings();

    // --- Projects (Ufile.cpp) -------------------------------------------
    // Replaces the schematic by the project in `name`; a name other than
    // ProjectFileName empties ProjectFileName, which the caller sets after
    // success. A file that does not read to its end changes nothing (it is
    // read once aside before it replaces anything). The window grows to
    // show what was loaded. Modified is left as it is.
    bool LoadProject(const std::string &name);
    // Saves the schematic as `name`, asking first for a read-only project;
    // false also when the user declined. Modified is left as it is.
    bool SaveProject(const std::string &name);
    // Before the schematic would be lost: asks whether to save a modified
    // project that has a name. True when the caller may go on; false for
    // cancel and after a save that failed (which is reported).
    bool AskSave();
    // False for a name of spaces only; otherwise whether the file can be
    // opened for reading.
    static bool CanOpenFile(const std::string &name);

    // --- File commands (Ufile.cpp) -------------------------------------
    // While a calculation runs, or a gesture holds an instance, they do
    // nothing; the menu entries of Open, Save, Save as and New are disabled
    // during a calculation.
    void mOpenClick();   // Open, F3
    void mJSaveClick();  // Save, F2
    void mSaveClick();   // Save as
    void mCreateClick(); // New
    void mPrintClick();
    // The picture of the drawing area into "FormImg.bmp": false when no
    // picture could be had, or it could not be written (that is reported).
    bool SaveFormPicture();
    // F5: SaveFormPicture, and a message when it is done.
    void PictureClick();
    // Writes the module folder for the module wizard into the settings and
    // starts it; a wizard that cannot be started is reported.
    void mWizardClick();
    // The settings dialog, shown modally by its own unit with this window as
    // owner: it answers its result and, for OK (1), the duration and the
    // sample rate chosen. The Settings entry is enabled once one is set.
    using SettingsDialog = std::function<int(double &fullTime, int32_t &freq)>;
    void SetSettingsDialog(SettingsDialog dialog);
    void mParamsClick();

    // --- Modes and the module panel -----------------------------------
    // Mode = mode, its button pressed; `reset` ends temporary highlights.
    void SetMode(int mode, bool reset);
    void RebuildPanel();
    void SetPanelHints();
    void BuildModulesMenu();
    void CheckModulesMenu();
    void SyncSelection();
    void ReleaseModuleButtons();
    void ApplyFlat();
    // A click on a toolbar button with `tag`.
    void ButtonClick(int tag);
    // A click on the Modules menu item of type `type`.
    void ModulesMenuClick(int type);
    void pmButtonToPanelClick();
    void pmButtonHelpClick();

    // --- Calculation ---------------------------------------------------
    // The Go command calls this once the calculation thread runs: the
    // toolbar stops reacting and the progress window shows.
    void RunStarted();
    // The end of the run as the calculation thread reported it.
    void RunEnded(RunEnd end);
    bool RunActive() const { return runActive_; }
    // True from the start of a calculation until its end has been reported:
    // nothing may then change the scheme, the wires or the labels.
    bool EditingLocked() const { return runActive_; }
    // Replaces how the window sees the calculation (tests).
    void SetRun(GoRun *run);
    GoRun &Run() { return *run_; }

    void ShowTipOfDay();

    // --- Inspector -----------------------------------------------------
    // Instances are about to be removed or the whole schematic replaced:
    // the inspector lets go of the instance it shows. Every deletion, the
    // start of a calculation and SchematicReplacing call this first.
    void InstancesAboutToChange();

    // --- Controls ------------------------------------------------------
    QMenu *mFile, *mModules, *mSetup, *mDebug, *mDescription, *mWindow, *mTeach, *mHelp;
    QAction *mOpen, *mJSave, *mSave, *mCreate, *mPrint, *mExit;
    QAction *mParams, *mFlat;
    QAction *mDebModukes, *mDebSeg, *mDebLib;
    QAction *mAddText;
    QAction *mWModules, *mWInsp, *mWizard, *mBegin, *mCont;
    QAction *mContents, *mHints, *mAbout;
    QMenu *PopupMenuButton;
    QAction *pmButtonCfg, *pmButtonToPanel, *pmButtonHelp;
    int ButtonCtx = -1;

    TModulePanel *Panel1;
    DrawingArea *Canvas;
    // The editing modes of the drawing area, its context menus and the Go
    // command.
    EditModes *Editor = nullptr;
    // Wire gestures and commands, and the keys.
    WireEditing *Wiring = nullptr;
    KeyCommands *Keys = nullptr;
    QLabel *StatusFileName, *StatusText;
    TFormGo *FormGo;
    // The module inspector, made hidden with the window.
    TInsp *Insp;
    // The button pictures: the six mode pictures, then each type's.
    std::vector<QPixmap> ImageList1;

signals:
    // Temporary highlights of the drawing area are to end.
    void HighlightReset();
    // The captions were set anew from the language table.
    void LanguageApplied();
    // The scheme, the wires and the labels are about to be emptied or
    // replaced by another project: whatever holds one of them lets go.
    void SchematicReplacing();

protected:
    void closeEvent(QCloseEvent *event) override; // FormClose
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class SaveOutcome { Saved, Declined, Cancelled, Failed };
    // Loaded; Refused: the file did not read and nothing was changed; Lost:
    // the file failed only when read for real, the schematic is empty.
    enum class LoadOutcome { Loaded, Refused, Lost };

    void CreateMenus();
    void CreateClientArea();
    void FormCreate(const StartOptions &options);
    void FirstProject(const QStringList &arguments);
    void RegisterFileType(bool refreshMimeDatabase);
    void ApplyCaptions();
    int AddButtonPicture(const Picture &picture);
    SaveOutcome Save(const std::string &name);
    LoadOutcome Load(const std::string &name);
    // Writes the project as `name` with `readOnlyFlag` as its read-only flag.
    bool WriteProject(const std::string &name, bool readOnlyFlag);
    void ConnectFileCommands();
    void EnableFileCommands();
    bool FileCommandsHeld() const;
    bool SaveOnClose();
    void SpeedButtonMouseDown(int tag, QPoint at);
    void ShowStatusFileName();

    EditorEngine &engine_;
    ThreadGoRun threadRun_;
    GoRun *run_;
    bool runActive_ = false;
    bool closeAfterRun_ = false;
    QActionGroup *modulesGroup_ = nullptr;
    SettingsDialog settingsDialog_;
    // Menu entries and their language text numbers.
    std::vector<std::pair<QAction *, int>> captions_;
};

} // namespace kmr
