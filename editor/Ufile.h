// The pieces of the file commands that need no main window: the two guards
// every command holds (the current folder and the hourglass), the project
// file dialogs, the picture of the drawing area and its bitmap file.
//
// The commands themselves (Open, Save, Save as, New, Print, the picture
// export, the module wizard and the settings dialog) are members of TFMain,
// implemented in Ufile.cpp beside these helpers.
#pragma once

#include <QImage>
#include <QString>
#include <string>

class QWidget;

namespace kmr {

// The picture file of the drawing area, in the current folder.
constexpr const char *kFormPictureName = "FormImg.bmp";

// Remembers the current folder when made and goes back to it when it goes,
// whichever way the command that holds it ends.
class CURDIR {
public:
    CURDIR();
    ~CURDIR();
    CURDIR(const CURDIR &) = delete;
    CURDIR &operator=(const CURDIR &) = delete;

private:
    std::string folder_;
};

// The hourglass pointer while it lives; the previous pointer afterwards.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};

// What a project file dialog is for.
enum class ProjectDialog {
    Open,   // an existing file to read
    SaveAs, // a name to write; replacing a file is confirmed in the dialog
    New,    // a name for a new project; the caller asks about an existing file
};

// Shows a project file dialog ("*.kpj") modally through the dialog seam,
// captioned `title`, starting at `initial` (a file name, relative to the
// current folder or absolute). Answers the chosen name in the system's
// bytes, empty when the dialog was cancelled.
std::string ChooseProjectFile(QWidget *owner, ProjectDialog kind, const QString &title, const std::string &initial);

// The file name in the system's bytes as text for the screen, and back.
QString FileNameText(const std::string &name);
std::string FileNameBytes(const QString &name);

// The picture of the drawing area cut from an image of the main window's
// client area (toolbar on top, status bar at the bottom): every pixel of
// the drawing area's background colour, which the pixel at (1, toolbar)
// has, turns white, and the picture is the image from (2, toolbar) on,
// 4 pixels narrower and without toolbar and status bar. A null image when
// nothing is left.
QImage FormPicture(const QImage &client, int toolbarHeight, int statusHeight);

// Writes `picture` as an uncompressed bitmap file; an older file of that
// name is replaced only once the new one is complete. On failure answers
// false, with the system's text for the error in `error`.
bool WriteBitmapFile(const QImage &picture, const std::string &path, QString *error = nullptr);

} // namespace kmr
