// The editing modes of the drawing area: what presses, moves and releases of
// the mouse do in each mode (placing, moving and deleting instances, the Ask
// mode), the three context menus and their commands, dragging text labels,
// temporary highlights ended by the 100 ms timer, the status texts, and the
// Go command with the handling of a calculation's end.
//
// The editor only turns gestures into engine calls and paints; what a
// placement, a move or a deletion does to instances, segments and nets is
// the engine's. While a calculation runs (until its end has been reported)
// nothing here changes the scheme, the wires or the labels: presses, moves
// of labels and every changing command do nothing.
#pragma once

#include <QObject>
#include <QPoint>
#include <array>
#include <functional>

#include "Canvas.h"
#include "Cpoint.h"
#include "Netedit.h"
#include "Rubline.h"
#include "Run.h"
#include "Wire.h"

class QAction;
class QMenu;
class QTimer;

namespace kmr {

class TFMain;

// The wire gestures of the Solder and Move modes. The drawing area hands
// them over at the moments named below; this base does nothing, so until
// wire editing is attached a Solder-mode press lays nothing and no junction
// can be dragged.
class WireGestures {
public:
    virtual ~WireGestures() = default;
    // Solder mode: a press at p starts laying a wire.
    virtual void StartLaying(QPoint /*p*/) {}
    virtual bool Laying() const { return false; }
    virtual void LayingMove(QPoint /*p*/) {}
    // The release at r, or a right-button press (cancelled), ends laying.
    virtual void EndLaying(QPoint /*r*/, bool /*cancelled*/) {}
    // Move mode: a press away from every instance, at p already snapped to
    // the 8-grid. Answers whether a junction drag started (a segment ends
    // there).
    virtual bool StartJunctionDrag(CPOINT /*p*/) { return false; }
    virtual bool Dragging() const { return false; }
    virtual void DragMove(QPoint /*p*/) {}
    virtual void EndDrag(QPoint /*r*/, bool /*cancelled*/) {}
};

// One segment end that follows a moved instance: a copy of the segment with
// its moving end as end a, its slot (0: the record is free), the pin of the
// moved instance the end follows, and the white rubber line that shows the
// segment during the move.
struct MOVEDSEGMENT {
    SEGMENT segment{};
    int32_t slot = 0;
    int32_t pin = 0;
    RUBBERLINE line;
};

class EditModes : public QObject, public CanvasInput {
    Q_OBJECT
public:
    explicit EditModes(TFMain &window);
    ~EditModes() override;

    void SetWireGestures(WireGestures *gestures);

    // --- Mouse on the drawing area (FormMouseDown/Move/Up) ---------------
    void FormMouseDown(Qt::MouseButton button, QPoint p);
    void FormMouseMove(QPoint p);
    void FormMouseUp(Qt::MouseButton button, QPoint p);

    // --- Highlights, timer, modes ---------------------------------------
    // Ends a temporary highlight: marks cleared, segments and instances
    // drawn normally.
    void ResetHighlight();
    // Every 100 ms: ends a highlight after its ticks; shows the progress of
    // a running calculation.
    void Timer1Timer();
    // The mode buttons Main .. Ask.
    void ModeButtonClick(int mode);

    // --- Calculation -----------------------------------------------------
    // The Go command: the run check, its message and help, or the start.
    void TBGoClick();
    // The end of a run as reported (after the window took the run back):
    // mode, status text, highlights, and for a refused start the message.
    // `quiet` leaves out the message (the window is closing).
    void GoEnded(RunEnd end, int64_t elapsedMs, bool quiet);

    // --- Placing rules -----------------------------------------------------
    bool CanPlaceAt(CPOINT p) const;
    bool CanPutPoint(CPOINT p) const;
    // Pins of the instance in `slot` join the segments under them; each
    // joined net flashes yellow with the instance selected.
    void ConnectPins(int slot);
    // Deletes the segment at p (Delete mode; the same as the delete key).
    void DeleteSegmentCommand(QPoint p);

    // --- Commands of the context menus and the main menu -------------------
    void pmModuleSetupClick();
    void pmModuleDeleteClick();
    void pmModuleCopyClick();
    void pmInspClick();
    void pmModuleHelpClick();
    void pmModuleAboutClick();
    void pmPasteClick();
    void pmAddTextClick();
    void mAddTextClick();
    void pmLabelEditClick();
    void pmLabelDeleteClick();
    void mWInspClick();

    // Windows of other parts of the program, attached when they exist: the
    // inspector for an instance slot, the label editor for a label placed
    // near a screen point. Their menu entries are enabled only then.
    void SetInspector(std::function<void(int slot)> open);
    void SetLabelEditor(std::function<void(int label, QPoint global)> open);

    // --- State -------------------------------------------------------------
    bool placing = false;
    CPOINT ghost{-1, -1};   // where the picture that follows the mouse is
    int moving = 0;         // slot of the instance being moved, 0 none
    CPOINT moveStart{-1, -1};
    CPOINT grab{0, 0};      // mouse point minus loc at the press
    bool wiresFollow = false;
    std::array<MOVEDSEGMENT, kMaxMovedEnds> Moved;
    int32_t HighlightCountdown = 0;
    bool HighlightPending = false;
    int32_t ModuleCtx = 0;
    QPoint PopupPoint;
    int32_t LabelCtx = -1;
    int32_t DragLabel = -1;
    QPoint LastMouse;
    int32_t PendingHelp = 0;

    QTimer *Timer1;
    QMenu *PopupMenuModule, *PopupMenuMain, *PopupMenuLabel;
    QAction *pmModuleSetup, *pmModuleDelete, *pmModuleCopy, *pmInsp, *pmModuleHelp, *pmModuleAbout;
    QAction *pmPaste, *pmAddText;
    QAction *pmLabelEdit, *pmLabelDelete;

protected:
    // CanvasInput
    void CanvasMouseDown(Qt::MouseButton button, QPoint p) override { FormMouseDown(button, p); }
    void CanvasMouseMove(QPoint p) override { FormMouseMove(p); }
    void CanvasMouseUp(Qt::MouseButton button, QPoint p) override { FormMouseUp(button, p); }
    void LabelMouseDown(int slot, Qt::MouseButton button, QPoint at, QPoint global) override;
    void LabelMouseMove(int slot, QPoint global) override;
    void LabelMouseUp(int slot) override;

private:
    void CreateMenus();
    void MainModeClick(QPoint p);
    void AskModeClick(QPoint p);
    void EndPlacing(QPoint p, bool cancelled);
    void StartMove(QPoint p, int slot);
    void EndMove(QPoint p, bool cancelled);
    void HideMovedLines();
    void ShowMovedLines();
    void SetupInstance(int slot);
    void ShowSlot(int slot);
    void AddLabel(QPoint at);
    // The instance in ModuleCtx, null when the slot is empty.
    MODULE *ContextInstance() const;
    // True while a calculation owns the scheme.
    bool Locked() const;
    void Changed();

    TFMain &w_;
    WireGestures noWires_;
    WireGestures *wires_ = &noWires_;
    int placingType_ = -1;      // the type whose picture follows the mouse
    MOVEDEND movedEnds_[kMaxMovedEnds];
    int movedCount_ = 0;
    bool labelDragging_ = false;
    bool labelMoved_ = false;
    QPoint labelGrab_;
    std::function<void(int)> inspector_;
    std::function<void(int, QPoint)> labelEditor_;
};

} // namespace kmr
