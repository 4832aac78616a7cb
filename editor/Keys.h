// The keyboard of the main window: the key table of FormKeyDown, whose
// commands act at the last mouse position over the drawing area, and the
// help key, which opens the help topic of whichever window has the focus.
//
// The table, tested in this order, the first match done:
//   0  any key while a calculation runs: nothing
//   1  F11        inspector: hide it when shown, else open it for the
//                 instance under the mouse (or the last one named)
//   2  F5         picture export
//   3  F8         delete the net of the wire under the mouse
//   4  Delete     delete the wire segment under the mouse
//   5  A          turn the slanted segment under the mouse
//   6  F          split or bend the segment under the mouse
//   7  Ctrl+T     the tip of the day (Russian interface only)
//   8  Ctrl+V     paste at the mouse
//   9  Ctrl+X     delete the instance under the mouse
//  10  Ctrl+C     copy the instance under the mouse
// Shift, Alt and Ctrl do not matter for rows 1 to 6. Letters are the
// physical keys: with a non-Latin keyboard layout the key that carries the
// Latin letter still gives the command.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QKeyEvent;
class QWidget;

namespace kmr {

class TFMain;

class KeyCommands : public QObject {
    Q_OBJECT
public:
    // Watches the keys of the whole program: the table for the main window,
    // the help key for every window.
    explicit KeyCommands(TFMain &window);
    ~KeyCommands() override;

    // One key of the main window, `key` a Qt key code (letters upper-case).
    // Answers whether it is a key of the table.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);

    // The inspector window, which F11 hides when it is shown; until it is
    // attached F11 only opens it (EditModes::SetInspector).
    void SetInspectorWindow(QWidget *inspector);
    // The picture export F5 runs; without one F5 does nothing.
    void SetPictureExport(std::function<void()> exportPicture);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // True while a mouse gesture holds wires or an instance (placing, moving
    // an instance, laying a wire, dragging a junction): the keys that change
    // the schematic wait for its end, which still refers to them.
    bool GestureInProgress() const;

    TFMain &w_;
    QPointer<QWidget> inspector_;
    std::function<void()> exportPicture_;
};

// The help key's topic of a window: set on a window (or on a control of one,
// such as a page of a dialog), it holds for that widget and every widget
// inside it that has none of its own. 0 means none. The topic is the widget
// property of this name, so a window that cannot call SetHelpContext (one a
// plug-in makes) sets the property itself.
inline constexpr const char *kHelpContextProperty = "kmrHelpContext";
void SetHelpContext(QWidget *widget, int topic);
// The topic for a widget: its own, else that of the nearest widget around
// it within the same window; 0 when none is set.
int HelpContextOf(const QWidget *widget);

// The key code a key event stands for in the key table: the letter's own
// code, or for a letter of another alphabet the Latin letter of the same
// physical key.
int CommandKey(const QKeyEvent &event);

} // namespace kmr
