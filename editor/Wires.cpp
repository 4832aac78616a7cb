#include "Wires.h"

#include <QMessageBox>
#include <QPushButton>

#include "Seam.h"
#include "Strings.h"
#include "Umain.h"

namespace kmr {

namespace {

QString Text(int number) { return QString::fromUtf8(GetString(number)); }

CPOINT Point(QPoint p) { return CPOINT{p.x(), p.y()}; }

int NetAt(const WIRES &wires, CPOINT p) {
    const SEGMENT *s = wires.Slot(wires.FindOn(p));
    return s ? s->net : 0;
}

// Draws an instance the way its mark asks for.
void Redraw(MODULES &scheme, int slot) {
    if (scheme.Selected(slot))
        scheme.DrawSelected(slot);
    else
        scheme.DrawOne(slot);
}

} // namespace

WireEditing::WireEditing(TFMain &window) : QObject(window.Editor), w_(window) {
    LayingLine.surface = &w_.Canvas->Surface();
    for (MOVEDSEGMENT &r : Dragged) r.line.surface = &w_.Canvas->Surface();
}

WireEditing::~WireEditing() = default;

// ---------------------------------------------------------------------------
// Laying a wire

void WireEditing::StartLaying(QPoint p) {
    EditorEngine &e = w_.Engine();
    const CPOINT start = Snap8(Point(p));
    StartNet = NetAt(e.Wires, start);
    if (StartNet) e.Wires.DrawNet(StartNet, kGreen);
    LayingLine.x1 = LayingLine.x2 = start.x;
    LayingLine.y1 = LayingLine.y2 = start.y;
    laying = true;
    // Shown selected without being marked: it is the wire's start, not a
    // highlight.
    StartInstance = e.Scheme.FindPinOwner(start);
    if (StartInstance) e.Scheme.DrawSelected(StartInstance);
    w_.Canvas->update();
}

void WireEditing::LayingMove(QPoint p) {
    LayingLine.MoveSecond(p.x(), p.y(), kGreen);
    w_.Canvas->update();
}

bool WireEditing::AskJoin() {
    // The other net is red and the wire green on the image now; the window
    // shows them while the question is open.
    w_.Canvas->update();
    QMessageBox box(QMessageBox::Question, QString(), Text(90), QMessageBox::Yes | QMessageBox::No, &w_);
    box.setObjectName(QStringLiteral("JoinQuestion"));
    box.button(QMessageBox::Yes)->setText(Text(122));
    box.button(QMessageBox::No)->setText(Text(121));
    box.setDefaultButton(QMessageBox::Yes);
    return ExecModal(box) == QMessageBox::Yes;
}

void WireEditing::EndLaying(QPoint r, bool cancelled) {
    EditorEngine &e = w_.Engine();
    EditModes &ed = *w_.Editor;
    LayingLine.Hide();
    const CPOINT a{LayingLine.x1, LayingLine.y1}, b{LayingLine.x2, LayingLine.y2};
    laying = false;

    if (!cancelled && b != a) {
        w_.Modified = true;
        LayOptions options;
        options.askJoin = [this](const JoinQuestion &) { return AskJoin(); };
        options.canPutPoint = [&ed](CPOINT q) { return ed.CanPutPoint(q); };
        options.segConvertion = w_.Setup.SegConvertion;
        const LayResult laid = LayWire(e.Wires, e.Scheme, a, Point(r), options);
        if (laid.Laid() && laid.endInstance) {
            e.Scheme.Select(laid.endInstance);
            ed.HighlightPending = true;
            ed.HighlightCountdown = 7;
        }
        // Erasing (the declined preview, the slanted wire before its turn)
        // may have cut through other wires and pictures.
        e.Wires.DrawAllSegments();
        e.Scheme.DrawAll();
    } else if (StartNet) {
        e.Wires.DrawNet(StartNet, kBlack);
    }
    if (StartInstance) Redraw(e.Scheme, StartInstance);
    StartInstance = 0;
    StartNet = 0;
    w_.Canvas->update();
}

// ---------------------------------------------------------------------------
// Dragging a junction or a wire end

void WireEditing::ShowDraggedLines() {
    for (size_t i = 0; i < Dragged.size() && Dragged[i].slot; ++i) {
        MOVEDSEGMENT &r = Dragged[i];
        r.line.SetLine(r.segment.b.x, r.segment.b.y, r.segment.a.x, r.segment.a.y, kWhite);
    }
}

void WireEditing::HideDraggedLines() {
    for (size_t i = Dragged.size(); i-- > 0;) Dragged[i].line.Hide();
}

bool WireEditing::StartJunctionDrag(CPOINT p) {
    EditorEngine &e = w_.Engine();
    for (MOVEDSEGMENT &r : Dragged) r.slot = 0;
    // The engine turns each segment so that its end a lies at p.
    count_ = CollectEndsAt(e.Wires, p, ends_, kMaxMovedEnds);
    if (count_ == 0) return false;
    junction_ = p;
    for (int i = 0; i < count_; ++i) {
        const SEGMENT *s = e.Wires.Slot(ends_[i].slot);
        MOVEDSEGMENT &r = Dragged[size_t(i)];
        r.segment = *s;
        r.slot = ends_[i].slot;
        s->EraseSegment(&w_.Canvas->Surface());
    }
    dragging = true;
    e.Scheme.DrawAll(); // pictures the erasing cut into
    ShowDraggedLines();
    w_.Canvas->update();
    return true;
}

void WireEditing::DragMove(QPoint p) {
    HideDraggedLines();
    for (size_t i = 0; i < Dragged.size() && Dragged[i].slot; ++i) Dragged[i].segment.a = Point(p);
    ShowDraggedLines();
    w_.Canvas->update();
}

void WireEditing::EndDrag(QPoint r, bool cancelled) {
    EditorEngine &e = w_.Engine();
    EditModes &ed = *w_.Editor;
    CPOINT q{-1, -1};
    if (!cancelled && !ResolveWireEnd(e.Scheme, Point(r), q)) cancelled = true;
    if (!cancelled && !ed.CanPutPoint(q)) cancelled = true;
    HideDraggedLines();

    if (!cancelled) {
        w_.Modified = true;
        // Only ends whose segment is still the one taken up are moved: a slot
        // emptied and reused meanwhile holds another wire.
        MOVEDEND still[kMaxMovedEnds];
        int n = 0;
        for (int i = 0; i < count_; ++i) {
            const SEGMENT *s = e.Wires.Slot(ends_[i].slot);
            const SEGMENT &taken = Dragged[size_t(i)].segment;
            if (s && s->InUse() && s->net == taken.net && s->a == junction_ && s->b == taken.b) still[n++] = ends_[i];
        }
        const EndMoveResult moved = MoveEnds(e.Wires, e.Scheme, still, n, q);
        if (moved.pinOwner) {
            e.Scheme.Select(moved.pinOwner);
            ed.HighlightPending = true;
            ed.HighlightCountdown = 7;
        }
    }
    for (MOVEDSEGMENT &rec : Dragged) rec.slot = 0;
    count_ = 0;
    dragging = false;
    // Cancelled, the segments come back unchanged; either way the wires
    // their erasing cut through are whole again.
    e.Wires.DrawAllSegments();
    e.Scheme.DrawAll();
    w_.Canvas->update();
}

// ---------------------------------------------------------------------------
// Commands

void WireEditing::WiresChanged() {
    EditorEngine &e = w_.Engine();
    // Every change of the segment table is part of the project, so it must
    // not be lost without a question when the window closes.
    w_.Modified = true;
    e.Wires.DrawAllSegments();
    e.Scheme.DrawAll();
    w_.Canvas->update();
}

void WireEditing::DeleteNetCommand(QPoint p) {
    if (w_.EditingLocked()) return;
    EditorEngine &e = w_.Engine();
    if (DeleteNetAt(e.Wires, e.Scheme, Point(p))) WiresChanged();
}

void WireEditing::SplitCommand(QPoint p) {
    if (w_.EditingLocked()) return;
    if (SplitAtPoint(w_.Engine().Wires, Point(p))) WiresChanged();
}

void WireEditing::TurnCommand(QPoint p) {
    if (w_.EditingLocked()) return;
    EditorEngine &e = w_.Engine();
    if (TurnAt(e.Wires, e.Scheme, Point(p))) WiresChanged();
}

} // namespace kmr
