// Wire editing on the drawing area: laying a wire in the Solder mode behind
// the green rubber line, dragging wire junctions and ends in the Move mode,
// and the wire commands the keys call at the mouse position (delete a whole
// net, split or bend a segment, turn a slanted one). What a gesture does to
// segments and net numbers is the engine's (Netedit.h); this follows the
// mouse, asks the join question, paints and marks the project changed.
#pragma once

#include <QObject>
#include <QPoint>
#include <array>

#include "Modes.h"

namespace kmr {

class TFMain;

class WireEditing : public QObject, public WireGestures {
    Q_OBJECT
public:
    // Lives as long as the window's editing modes, which hand it the gestures.
    explicit WireEditing(TFMain &window);
    ~WireEditing() override;

    // --- Solder mode ------------------------------------------------------
    // The press at p (snapped to the 8-grid) starts the wire: the net under
    // it is shown green, an instance with a pin there selected.
    void StartLaying(QPoint p) override;
    bool Laying() const override { return laying; }
    // The rubber line's free end follows the mouse, unsnapped.
    void LayingMove(QPoint p) override;
    // The release at r lays the wire (asking before two nets are joined);
    // a cancel only takes the rubber line away.
    void EndLaying(QPoint r, bool cancelled) override;

    // --- Move mode --------------------------------------------------------
    // Takes up to 32 segment ends lying at p; false when none does.
    bool StartJunctionDrag(CPOINT p) override;
    bool Dragging() const override { return dragging; }
    void DragMove(QPoint p) override;
    // The release at r drops the ends on r's grid point or on the pin near
    // it; dropped outside the area or on an instance away from its pins, or
    // cancelled, they stay where they were.
    void EndDrag(QPoint r, bool cancelled) override;

    // --- Commands at a point ---------------------------------------------
    // Each acts on the segment at p (the nearest within reach, else the one
    // on p's grid point) and does nothing without one or while a
    // calculation runs. Deleting one segment is EditModes::DeleteSegmentCommand.
    // Deletes the segment's whole net and disconnects its pins.
    void DeleteNetCommand(QPoint p);
    // Splits the segment at p's grid point, or bends it there.
    void SplitCommand(QPoint p);
    // Turns a slanted segment into horizontal, vertical, horizontal when
    // both its extents are 16 or more and no instance is at a new corner.
    void TurnCommand(QPoint p);

    // --- State ------------------------------------------------------------
    bool laying = false;
    RUBBERLINE LayingLine;     // first end the start point, second the mouse
    int32_t StartNet = 0;      // net under the start point, 0 none
    int32_t StartInstance = 0; // instance with a pin at the start point, 0 none
    bool dragging = false;
    std::array<MOVEDSEGMENT, kMaxMovedEnds> Dragged; // end a is the dragged end

private:
    bool AskJoin();
    void HideDraggedLines();
    void ShowDraggedLines();
    // After a command changed the wires: the project is changed and the
    // schematic drawn anew.
    void WiresChanged();

    TFMain &w_;
    MOVEDEND ends_[kMaxMovedEnds];
    int count_ = 0;
    CPOINT junction_{-1, -1}; // where the dragged ends were taken up
};

} // namespace kmr
