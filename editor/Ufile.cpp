#include "Ufile.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "Cp1251.h"
#include "Picture.h"
#include "Project.h"
#include "Seam.h"
#include "Settings.h"
#include "Strings.h"
#include "Uasksave.h"
#include "Umain.h"
#include "Umessage.h"
#include "Upform.h"
#include "Wires.h"

namespace kmr {

namespace {

QString Text(int number) { return QString::fromUtf8(GetString(number)); }

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Window sides beyond this are taken for damage in a file, not for a wish.
constexpr int kMaxWindowSide = 8192;

// The text of the picture export's message, and its caption.
const char *const kPictureSavedText = "Form picture is saved as FormImg.bmp...";

// Writes `bytes` into a new file beside `path`, which then takes the place
// of `path`. errno tells why when the answer is false.
bool ReplaceFile(const std::string &path, const std::vector<uint8_t> &bytes) {
    const std::string temp = path + ".saving";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    int error = done == bytes.size() ? 0 : (errno ? errno : EIO);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        errno = error;
        return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Guards

CURDIR::CURDIR() {
    std::error_code ec;
    folder_ = std::filesystem::current_path(ec).string();
}

CURDIR::~CURDIR() {
    if (folder_.empty()) return;
    std::error_code ec;
    std::filesystem::current_path(folder_, ec);
}

TWaitCursor::TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
TWaitCursor::~TWaitCursor() { QApplication::restoreOverrideCursor(); }

// ---------------------------------------------------------------------------
// File names and dialogs

QString FileNameText(const std::string &name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

std::string FileNameBytes(const QString &name) { return QFile::encodeName(name).toStdString(); }

std::string ChooseProjectFile(QWidget *owner, ProjectDialog kind, const QString &title, const std::string &initial) {
    QFileDialog dialog(owner, title);
    dialog.setObjectName(QStringLiteral("ProjectFileDialog"));
    dialog.setNameFilter(QStringLiteral("Kelmora Files (*.kpj)"));
    dialog.setDefaultSuffix(QStringLiteral("kpj"));
    if (kind == ProjectDialog::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // New asks about an existing file itself, with its own question.
        if (kind == ProjectDialog::New) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (!initial.empty()) {
        const QFileInfo info(FileNameText(initial));
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (ExecModal(dialog) != QDialog::Accepted) return std::string();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? std::string() : FileNameBytes(files.first());
}

// ---------------------------------------------------------------------------
// The picture

QImage FormPicture(const QImage &client, int toolbarHeight, int statusHeight) {
    if (client.isNull() || toolbarHeight < 0 || statusHeight < 0) return QImage();
    const QImage image = client.convertToFormat(QImage::Format_RGB32);
    const int width = image.width() - 4, height = image.height() - toolbarHeight - statusHeight;
    if (width <= 0 || height <= 0) return QImage();
    const QRgb background = image.pixel(1, toolbarHeight) & 0xFFFFFF;
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const QRgb *from = reinterpret_cast<const QRgb *>(image.constScanLine(y + toolbarHeight)) + 2;
        QRgb *to = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) to[x] = (from[x] & 0xFFFFFF) == background ? 0xFFFFFFFF : from[x];
    }
    return picture;
}

bool WriteBitmapFile(const QImage &picture, const std::string &path, QString *error) {
    Picture p;
    p.width = picture.width();
    p.height = picture.height();
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    p.pixels.reserve(size_t(p.width) * size_t(std::max(p.height, 0)));
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        p.pixels.insert(p.pixels.end(), row, row + image.width());
    }
    const std::vector<uint8_t> bytes = EncodeBmpFile(p);
    if (bytes.empty()) {
        if (error) *error = SystemError(EINVAL);
        return false;
    }
    if (!ReplaceFile(path, bytes)) {
        if (error) *error = SystemError(errno);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// The main window's file commands

void TFMain::ConnectFileCommands() {
    connect(mOpen, &QAction::triggered, this, &TFMain::mOpenClick);
    connect(mJSave, &QAction::triggered, this, &TFMain::mJSaveClick);
    connect(mSave, &QAction::triggered, this, &TFMain::mSaveClick);
    connect(mCreate, &QAction::triggered, this, &TFMain::mCreateClick);
    connect(mPrint, &QAction::triggered, this, &TFMain::mPrintClick);
    connect(mWizard, &QAction::triggered, this, &TFMain::mWizardClick);
    connect(mParams, &QAction::triggered, this, &TFMain::mParamsClick);
    mParams->setEnabled(false); // until the settings dialog is attached
}

void TFMain::EnableFileCommands() {
    const bool free = !EditingLocked();
    for (QAction *a : {mOpen, mJSave, mSave, mCreate}) a->setEnabled(free);
}

bool TFMain::FileCommandsHeld() const {
    // A calculation works on the schematic, and a gesture in progress still
    // refers to the instance or the wires it holds.
    return EditingLocked() || Editor->placing || Editor->moving != 0 || Wiring->Laying() || Wiring->Dragging();
}

bool TFMain::CanOpenFile(const std::string &name) {
    if (name.find_first_not_of(' ') == std::string::npos) return false;
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    const bool file = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return file;
}

TFMain::LoadOutcome TFMain::Load(const std::string &name) {
    TWaitCursor wait;
    StatusText->clear();

    // The file is read into scratch objects first. Only a file that reads
    // to its end replaces the schematic, so a damaged one leaves the project
    // on the screen as it was, and the schematic never holds half a file
    // that a later save would write back.
    {
        MODULES scheme(engine_.Types);
        WIRES wires;
        LabelHost host;
        LABCLASS labels;
        labels.SetOwner(&host);
        PARAMS params = engine_.Params;
        bool readOnly = false;
        int maxX = 0, maxY = 0;
        const char lang = engine_.Params.Lang;
        const bool ok = kmr::LoadProject(Project{scheme, wires, labels, params, readOnly}, name, maxX, maxY,
                                         [this, lang](const char *fileName) {
                                             MessageWindowForName(this, lang,
                                                                  QString::fromStdString(Cp1251ToUtf8(fileName)));
                                         });
        labels.ClearAll();
        if (!ok) return LoadOutcome::Refused;
    }

    emit SchematicReplacing();
    if (name != ProjectFileName) ProjectFileName.clear();
    int maxX = 0, maxY = 0;
    const Project project{engine_.Scheme, engine_.Wires, engine_.Labels, engine_.Params, ReadOnly};
    const bool ok = kmr::LoadProject(project, name, maxX, maxY);
    Canvas->Redraw();
    if (!ok) return LoadOutcome::Lost;

    // The window grows to show the whole schematic and stays on the screen.
    const int needW = std::min(maxX + 24, kMaxWindowSide), needH = std::min(maxY + 66, kMaxWindowSide);
    resize(std::max(width(), needW), std::max(height(), needH));
    if (const QScreen *s = screen()) {
        const QRect area = s->geometry();
        int left = x(), top = y();
        if (left + width() > area.width()) left = area.width() - width();
        if (top + height() > area.height()) top = area.height() - height();
        move(std::max(left, 0), std::max(top, 0));
    }
    return LoadOutcome::Loaded;
}

bool TFMain::LoadProject(const std::string &name) { return Load(name) == LoadOutcome::Loaded; }

bool TFMain::WriteProject(const std::string &name, bool readOnlyFlag) {
    TWaitCursor wait;
    bool flag = readOnlyFlag;
    return kmr::SaveProject(Project{engine_.Scheme, engine_.Wires, engine_.Labels, engine_.Params, flag}, name);
}

TFMain::SaveOutcome TFMain::Save(const std::string &name) {
    if (ReadOnly) {
        const int answer = AskSaveQuestion(this, Text(125));
        if (answer == TAskSave::kNo) return SaveOutcome::Declined;
        if (answer != TAskSave::kYes) return SaveOutcome::Cancelled;
    }
    return WriteProject(name, ReadOnly) ? SaveOutcome::Saved : SaveOutcome::Failed;
}

bool TFMain::SaveProject(const std::string &name) { return Save(name) == SaveOutcome::Saved; }

bool TFMain::AskSave() {
    if (ProjectFileName.empty() || !Modified) return true;
    const int answer = AskSaveQuestion(this);
    if (answer == TAskSave::kCancel) return false;
    if (answer == TAskSave::kNo) return true;
    // Changes that could not be saved are not given up silently.
    if (!SaveProject(ProjectFileName)) {
        MessageWindowById(this, engine_.Params.Lang, 47, 48);
        return false;
    }
    Modified = false;
    return true;
}

void TFMain::mOpenClick() {
    if (FileCommandsHeld()) return;
    CURDIR curdir;
    if (!AskSave()) return;
    const std::string previous = ProjectFileName;
    const std::string chosen = ChooseProjectFile(this, ProjectDialog::Open, Text(22), ProjectFileName);
    if (chosen.empty()) return;
    const LoadOutcome outcome = Load(chosen);
    if (outcome == LoadOutcome::Loaded) {
        ProjectFileName = chosen;
    } else {
        MessageWindowById(this, engine_.Params.Lang, 23, 24);
        ProjectFileName = previous;
        // A file that did not read left everything as it was, unsaved
        // changes included.
        if (outcome == LoadOutcome::Refused) return;
        // The file failed only when read for real: the previous project
        // comes back from its file, or else the default project.
        if (!(CanOpenFile(ProjectFileName) && LoadProject(ProjectFileName))) {
            ProjectFileName = "default.kpj";
            if (CanOpenFile(ProjectFileName)) LoadProject(ProjectFileName);
        }
    }
    Canvas->Redraw();
    ShowStatusFileName();
    Modified = false;
}

void TFMain::mJSaveClick() {
    if (FileCommandsHeld()) return;
    CURDIR curdir;
    switch (Save(ProjectFileName)) {
    case SaveOutcome::Saved:
        ShowStatusFileName();
        Modified = false;
        break;
    case SaveOutcome::Failed:
        MessageWindowById(this, engine_.Params.Lang, 47, 48);
        break;
    case SaveOutcome::Declined: // not over the read-only file, as the user answered
    case SaveOutcome::Cancelled:
        break;
    }
}

void TFMain::mSaveClick() {
    if (FileCommandsHeld()) return;
    CURDIR curdir;
    const std::string chosen = ChooseProjectFile(this, ProjectDialog::SaveAs, Text(46), ProjectFileName);
    if (chosen.empty()) return;
    // The copy is not read-only; the project becomes so only once it is the
    // copy, so a failed save leaves the flag as it was.
    if (!WriteProject(chosen, false)) {
        MessageWindowById(this, engine_.Params.Lang, 47, 48);
        return;
    }
    ReadOnly = false;
    ProjectFileName = chosen;
    ShowStatusFileName();
    Modified = false;
}

void TFMain::mCreateClick() {
    if (FileCommandsHeld()) return;
    CURDIR curdir;
    if (!AskSave()) return;
    const std::string chosen = ChooseProjectFile(this, ProjectDialog::New, Text(26), ProjectFileName);
    if (chosen.empty()) return;
    if (CanOpenFile(chosen)) {
        QMessageBox question(QMessageBox::Question, FileNameText(chosen), Text(27),
                             QMessageBox::Yes | QMessageBox::No, this);
        if (ExecModal(question) != QMessageBox::Yes) return;
    }
    emit SchematicReplacing();
    engine_.Scheme.ClearAll();
    engine_.Wires.ClearAll();
    engine_.Labels.ClearAll();
    Canvas->Redraw();
    // Nothing is written yet: the next Save makes the file.
    ProjectFileName = chosen;
    ShowStatusFileName();
    ReadOnly = false;
    Modified = false;
}

bool TFMain::SaveFormPicture() {
    TWaitCursor wait;
    // The client area as it shows: toolbar, drawing area and status bar,
    // without the menu bar above them.
    const int top = centralWidget() ? centralWidget()->y() : 0;
    const QRect area(0, top, width(), height() - top);
    if (area.isEmpty()) return false;
    QImage image = grab(area).toImage();
    if (image.isNull()) return false;
    if (image.size() != area.size()) image = image.scaled(area.size()); // a screen with more pixels per point
    const int statusHeight = statusBar()->isVisible() ? statusBar()->height() : 0;
    const QImage picture = FormPicture(image, Panel1->height(), statusHeight);
    if (picture.isNull()) return false;
    QString error;
    if (!WriteBitmapFile(picture, kFormPictureName, &error)) {
        MessageWindow(this, engine_.Params.Lang, error, QString::fromLatin1(kFormPictureName));
        return false;
    }
    return true;
}

void TFMain::PictureClick() {
    if (SaveFormPicture())
        MessageWindow(this, engine_.Params.Lang, QString::fromLatin1(kPictureSavedText),
                      QString::fromLatin1(kFormPictureName));
}

void TFMain::mPrintClick() {
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (ExecModal(dialog) != QDialog::Accepted) return;
    if (!SaveFormPicture()) return;
    TWaitCursor wait;
    std::unique_ptr<TPrintForm> form = TPrintForm::Create(this, QString::fromLatin1(kFormPictureName));
    if (!form) return;
    form->move(x() + 2, y() + Panel1->height() + 32);
    form->show();
    form->Print(printer);
}

void TFMain::mWizardClick() {
    // The wizard reads where new modules go before anything else.
    {
        SettingsStore store;
        store.SetText(QStringLiteral("Setup"), QStringLiteral("KMDDIR"), FileNameText(StartDir + "kmd"));
    }
    std::error_code ec;
    std::filesystem::current_path(StartDir, ec);

    const std::string program = StartDir + "KmdWizard";
    QString error;
    if (::access(program.c_str(), X_OK) != 0) {
        error = SystemError(errno);
    } else {
        QProcess wizard;
        wizard.setProgram(FileNameText(program));
        wizard.setArguments({QString::number(int(engine_.Params.Lang))});
        wizard.setWorkingDirectory(FileNameText(StartDir));
        if (!wizard.startDetached()) error = wizard.errorString();
    }
    if (error.isEmpty()) return;
    QMessageBox box(QMessageBox::Information, Text(119), error, QMessageBox::Ok, this);
    ExecModal(box);
}

void TFMain::SetSettingsDialog(SettingsDialog dialog) {
    settingsDialog_ = std::move(dialog);
    mParams->setEnabled(bool(settingsDialog_));
}

void TFMain::mParamsClick() {
    // The calculation reads the rate and the duration while it runs.
    if (!settingsDialog_ || EditingLocked()) return;
    double fullTime = engine_.Params.FullTime;
    int32_t freq = engine_.Params.Freq;
    if (settingsDialog_(fullTime, freq) != 1) return;
    engine_.Params.FullTime = fullTime;
    engine_.Params.Freq = freq;
}

} // namespace kmr
