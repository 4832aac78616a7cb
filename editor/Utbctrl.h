// The module panel: the toolbar Panel1 of the main window with its six mode
// buttons and one button per module type, and the toolbar file "kmr.tbr"
// that keeps the order of the type buttons and which of them live in the
// separate module window, keyed by the types' file names.
//
// "kmr.tbr" is a text file with one line per type in button order: "+" (on
// the toolbar) or "-" (in the module window) followed directly by the
// type's file name. Lines end with a line feed; a carriage return before it
// is dropped when reading.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <string>
#include <vector>

#include "Module.h"

class QFrame;
class QToolButton;

namespace kmr {

constexpr const char *kToolbarFileName = "kmr.tbr";
// A line longer than this ends the reading of the toolbar file.
constexpr size_t kToolbarLineMax = 127;

// Reads the toolbar file into the types' PanelPos and OnPanel. Lines naming
// no loaded type, and lines naming a type an earlier line already placed,
// are skipped and take no position; loaded types the file does not place
// follow in type order, their OnPanel unchanged. False, with nothing
// changed, when the file cannot be opened.
bool LoadToolbarFile(AVMODULES &types, const std::string &path = kToolbarFileName);

// Writes one line per position 0..n-1 (n loaded types): the first type
// holding the position gives "+" or "-" and its file name. The file is
// replaced only once it is completely written; false when it cannot be.
bool SaveToolbarFile(const AVMODULES &types, const std::string &path = kToolbarFileName);

// Tags of the mode buttons (Main, Delete, Move, Solder, Ask, Go) are
// kModeTagBase + mode; the separator has tag -1; a module button's tag is
// its type number.
constexpr int kModeTagBase = 2000;
constexpr int kModeCount = 6;
// Module buttons start at this index among the toolbar's controls.
constexpr int kFirstModuleControl = 7;

// One control of the toolbar, in toolbar order.
struct PanelControl {
    int tag = -1;
    int left = 0, top = 8, width = 32, height = 32;
    int picture = -1; // index into the button picture list; -1 for the separator
    int group = 0;    // 1 the mode buttons, 2 the module buttons
    bool pressed = false;
};

// The controls RebuildPanel makes: the six mode buttons from left 8, the
// separator 8 pixels after them, then, 8 pixels further, a button for each
// type in PanelPos order whose button is not in the module window; the
// button of `selectedType` pressed.
std::vector<PanelControl> PanelLayout(const AVMODULES &types, int selectedType);

// The toolbar Panel1: buttons of 32 by 32 pixels placed as PanelLayout says,
// showing 22 by 22 pictures.
class TModulePanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 46;

    explicit TModulePanel(QWidget *parent = nullptr);

    // Removes every control and makes those of `layout`, each picture taken
    // from `pictures`.
    void Rebuild(const std::vector<PanelControl> &layout, const std::vector<QPixmap> &pictures);
    // Removes every control.
    void Clear();

    int ControlCount() const { return int(controls_.size()); }
    // The control at `index` in toolbar order; null outside.
    QWidget *Control(int index) const;
    int Tag(int index) const;
    bool Pressed(int index) const;
    void SetPressed(int index, bool pressed);
    // The index of the first control with `tag` at or after `from`, or -1.
    int IndexOfTag(int tag, int from = 0) const;

    void SetHint(int index, const QString &hint);
    // Every control with a tag 0 or more becomes flat or raised.
    void SetFlat(bool flat);

signals:
    // A button was clicked (left button).
    void ButtonClicked(int tag);
    // The right button went down on a button; `at` is the press relative to
    // the button.
    void ButtonRightPressed(int tag, QPoint at);
    // The right button went down on the panel itself, between the buttons.
    void BackgroundRightPressed(QPoint at);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    struct Item {
        QWidget *widget = nullptr;
        QToolButton *button = nullptr; // null for the separator
        int tag = -1;
    };
    std::vector<Item> controls_;
    bool flat_ = true;
};

} // namespace kmr
