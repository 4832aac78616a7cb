#include "Modes.h"

#include <QAction>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include "Cp1251.h"
#include "Help.h"
#include "ModuleCopy.h"
#include "Strings.h"
#include "Uaboutmo.h"
#include "Umain.h"
#include "Umessage.h"

namespace kmr {

namespace {

QString Text(int number) { return QString::fromUtf8(GetString(number)); }

CPOINT Point(QPoint p) { return CPOINT{p.x(), p.y()}; }

// Labels the user adds carry the language's word for a text.
std::string NewLabelText() { return Utf8ToCp1251(GetString(25)); }

} // namespace

EditModes::EditModes(TFMain &window) : QObject(&window), w_(window) {
    for (MOVEDSEGMENT &m : Moved) m.line.surface = &w_.Canvas->Surface();
    CreateMenus();
    w_.Canvas->SetInput(this);

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &EditModes::Timer1Timer);
    Timer1->start();
}

EditModes::~EditModes() = default;

void EditModes::SetWireGestures(WireGestures *gestures) { wires_ = gestures ? gestures : &noWires_; }

bool EditModes::Locked() const { return w_.RunActive(); }

void EditModes::Changed() { w_.Canvas->update(); }

void EditModes::ShowSlot(int slot) { w_.StatusText->setText(Text(4) + QString::number(slot)); }

void EditModes::SetupInstance(int slot) {
    MODULES &scheme = w_.Engine().Scheme;
    MODULE *m = scheme.Get(slot);
    if (!m) return;
    const MODULE_TYPE &type = scheme.Types().GetType(m->Index);
    if (type.Loaded()) kmd::Setup(type, m);
}

// ---------------------------------------------------------------------------
// Mouse

void EditModes::FormMouseDown(Qt::MouseButton button, QPoint p) {
    // Nothing the calculation uses may change under it: not even a
    // highlight ends (that would redraw the scheme it compacts).
    if (Locked()) return;
    ResetHighlight();
    EditorEngine &e = w_.Engine();
    const CPOINT at = Point(p);

    if (button == Qt::RightButton) {
        // A gesture in progress ends as cancelled, and that is all.
        if (placing) {
            EndPlacing(p, true);
            return;
        }
        if (moving) {
            EndMove(p, true);
            return;
        }
        if (wires_->Laying()) {
            wires_->EndLaying(p, true);
            return;
        }
        if (wires_->Dragging()) {
            wires_->EndDrag(p, true);
            return;
        }
        if (const int slot = e.Scheme.FindAt(at)) {
            ShowSlot(slot);
            ModuleCtx = slot;
            PopupMenuModule->popup(w_.Canvas->mapToGlobal(p));
        } else {
            PopupPoint = p;
            PopupMenuMain->popup(w_.Canvas->mapToGlobal(p));
        }
        return;
    }

    // The instance's own type sees the press first and may keep it.
    if (const int slot = e.Scheme.FindAt(at)) {
        MODULE *m = e.Scheme.Get(slot);
        const MODULE_TYPE &type = e.Types.GetType(m->Index);
        if (type.Loaded() && kmd::MouseDown(type, m, KmdPackPoint(at.x - m->loc.x, at.y - m->loc.y))) return;
    }

    switch (w_.Mode) {
    case mdMain:
        MainModeClick(p);
        break;
    case mdDelete:
        if (const int slot = e.Scheme.FindAt(at)) {
            w_.Modified = true;
            w_.InstancesAboutToChange();
            e.Scheme.DeleteInstance(slot);
            e.Wires.DrawAllSegments();
        } else {
            DeleteSegmentCommand(p);
        }
        break;
    case mdMove:
        if (moving) {
            EndMove(p, false);
        } else if (const int slot = e.Scheme.FindAt(at)) {
            StartMove(p, slot);
        } else if (wires_->Dragging()) {
            wires_->EndDrag(p, false);
        } else {
            wires_->StartJunctionDrag(Snap8(at));
        }
        break;
    case mdSolder:
        wires_->StartLaying(p);
        break;
    case mdAsk:
        AskModeClick(p);
        break;
    default: // Go: the button starts a calculation, the area does nothing
        break;
    }
}

void EditModes::FormMouseMove(QPoint p) {
    LastMouse = p;
    if (Locked()) return;
    EditorEngine &e = w_.Engine();
    Surface *surface = &w_.Canvas->Surface();
    if (w_.Mode == mdMain && placing) {
        e.Types.DrawTypePicture(placingType_, surface, ghost.x, ghost.y, RasterOp::Invert);
        ghost = Point(p);
        e.Types.DrawTypePicture(placingType_, surface, ghost.x, ghost.y, RasterOp::Invert);
    } else if (w_.Mode == mdMove && moving) {
        MODULE *m = e.Scheme.Get(moving);
        DrawInstance(m, surface, RasterOp::Invert);
        m->loc = Point(p) - grab;
        if (wiresFollow) {
            HideMovedLines();
            ShowMovedLines();
        }
        DrawInstance(m, surface, RasterOp::Invert);
    } else if (w_.Mode == mdMove && wires_->Dragging()) {
        wires_->DragMove(p);
    } else if (w_.Mode == mdSolder && wires_->Laying()) {
        wires_->LayingMove(p);
    }
}

void EditModes::FormMouseUp(Qt::MouseButton, QPoint p) {
    if (Locked()) return;
    if (moving) EndMove(p, false);
    if (wires_->Dragging()) wires_->EndDrag(p, false);
    if (placing) EndPlacing(p, false);
    if (wires_->Laying()) wires_->EndLaying(p, false);
}

void EditModes::MainModeClick(QPoint p) {
    EditorEngine &e = w_.Engine();
    if (!e.Types.TypeExists(w_.SelectedType) || placing) return;
    if (const int slot = e.Scheme.FindAt(Point(p))) {
        ShowSlot(slot);
        SetupInstance(slot);
        return;
    }
    // The type is kept for the whole gesture, so the picture that is removed
    // is always the one that was drawn.
    placingType_ = w_.SelectedType;
    ghost = Point(p);
    e.Types.DrawTypePicture(placingType_, &w_.Canvas->Surface(), ghost.x, ghost.y, RasterOp::Invert);
    placing = true;
}

void EditModes::EndPlacing(QPoint p, bool cancelled) {
    EditorEngine &e = w_.Engine();
    placing = false;
    e.Types.DrawTypePicture(placingType_, &w_.Canvas->Surface(), ghost.x, ghost.y, RasterOp::Invert);
    if (cancelled) return;
    const CPOINT at = Point(p);
    const CPOINT q = Snap16(at);
    if (!CanPlaceAt(q)) return;
    const MODULE_TYPE &type = e.Types.GetType(placingType_);
    if (!type.Bitmap || type.Bitmap->Empty()) return;
    const int32_t w = type.Bitmap->width, h = type.Bitmap->height;
    for (const CPOINT corner : {at, q + CPOINT{0, h}, q + CPOINT{w, 0}, q + CPOINT{w, h}})
        if (e.Scheme.FindAt(corner)) return;
    w_.Modified = true;
    const int slot = e.Scheme.AddInstance(type, placingType_);
    if (!slot) return;
    e.Scheme.Get(slot)->loc = q;
    e.Scheme.DrawOne(slot);
    ConnectPins(slot);
}

void EditModes::StartMove(QPoint p, int slot) {
    EditorEngine &e = w_.Engine();
    Surface *surface = &w_.Canvas->Surface();
    MODULE *m = e.Scheme.Get(slot);
    moving = slot;
    moveStart = m->loc;
    EraseInstance(m, surface);
    grab = Point(p) - m->loc;

    for (MOVEDSEGMENT &r : Moved) r.slot = 0;
    wiresFollow = false;
    // The engine turns each segment so that its end a lies at the pin; only
    // a wire between two pins of this instance moves at both ends.
    movedCount_ = CollectPinEnds(e.Wires, e.Scheme, slot, movedEnds_, kMaxMovedEnds);
    for (int i = 0; i < movedCount_; ++i) {
        const SEGMENT *s = e.Wires.Slot(movedEnds_[i].slot);
        MOVEDSEGMENT &r = Moved[size_t(i)];
        r.segment = *s;
        if (movedEnds_[i].end == 1) std::swap(r.segment.a, r.segment.b);
        r.slot = movedEnds_[i].slot;
        r.pin = movedEnds_[i].pin;
        s->EraseSegment(surface);
        wiresFollow = true;
    }
    ShowMovedLines();
    DrawInstance(m, surface, RasterOp::Invert);
}

void EditModes::ShowMovedLines() {
    const MODULE *m = w_.Engine().Scheme.Get(moving);
    for (size_t i = 0; i < Moved.size() && Moved[i].slot; ++i) {
        MOVEDSEGMENT &r = Moved[i];
        // A segment recorded twice (both ends on this instance) is shown
        // once, between its two pins.
        CPOINT fixed = r.segment.b;
        bool shown = true;
        for (size_t j = 0; j < Moved.size() && Moved[j].slot; ++j) {
            if (j == i || Moved[j].slot != r.slot) continue;
            if (j < i) shown = false;
            fixed = PinPosition(m, Moved[j].pin);
        }
        if (!shown) continue;
        const CPOINT moved = PinPosition(m, r.pin);
        r.line.SetLine(fixed.x, fixed.y, moved.x, moved.y, kWhite);
    }
}

void EditModes::HideMovedLines() {
    for (size_t i = Moved.size(); i-- > 0;) Moved[i].line.Hide();
}

void EditModes::EndMove(QPoint p, bool cancelled) {
    EditorEngine &e = w_.Engine();
    Surface *surface = &w_.Canvas->Surface();
    MODULE *m = e.Scheme.Get(moving);
    CPOINT r = Point(p) - grab;
    DrawInstance(m, surface, RasterOp::Invert);
    if (!cancelled) {
        r = Snap16(r);
        bool refused = true;
        if (CanPlaceAt(r)) {
            m->loc = r;
            w_.Modified = true;
            const CPOINT end = m->end, loc = m->loc;
            refused = false;
            for (const CPOINT corner : {loc, loc + CPOINT{0, end.y}, loc + CPOINT{end.x, 0}, loc + end})
                refused = refused || e.Scheme.FindAtExcept(corner, moving) != 0;
        }
        cancelled = refused;
    }
    // A cancelled or refused move leaves the instance where it started, on
    // the grid, with its wires unchanged.
    if (cancelled) m->loc = moveStart;
    if (wiresFollow) {
        HideMovedLines();
        if (cancelled) {
            for (MOVEDSEGMENT &rec : Moved)
                if (rec.slot) {
                    if (const SEGMENT *s = e.Wires.Slot(rec.slot)) s->DrawSegment(surface, kBlack);
                    rec.slot = 0;
                }
        } else {
            FollowPins(e.Wires, e.Scheme, moving, movedEnds_, movedCount_);
            for (MOVEDSEGMENT &rec : Moved) rec.slot = 0;
        }
    }
    const int slot = moving;
    moving = 0;
    movedCount_ = 0;
    wiresFollow = false;
    e.Scheme.DrawOne(slot);
    e.Wires.DrawAllSegments();
    e.Scheme.DrawAll();
    if (!cancelled) ConnectPins(slot);
}

void EditModes::AskModeClick(QPoint p) {
    EditorEngine &e = w_.Engine();
    w_.StatusText->clear();
    if (const int slot = FindSegmentAt(e.Wires, Point(p))) {
        const int net = e.Wires.Slot(slot)->net;
        e.Wires.DrawNet(net, kWhite);
        if (e.Scheme.SelectOnNet(net) > 0) e.Scheme.DrawAll();
        HighlightPending = true;
        HighlightCountdown = 7;
        w_.StatusText->setText(Text(2) + QString::number(net) + Text(3) + QString::number(slot));
    } else if (const int slot = e.Scheme.FindAt(Point(p))) {
        ShowSlot(slot);
        SetupInstance(slot);
    }
}

void EditModes::DeleteSegmentCommand(QPoint p) {
    if (Locked()) return;
    EditorEngine &e = w_.Engine();
    if (!DeleteSegmentAt(e.Wires, e.Scheme, Point(p))) return;
    w_.Modified = true;
    e.Scheme.DrawAll();
    e.Wires.DrawAllSegments();
    Changed();
}

bool EditModes::CanPlaceAt(CPOINT p) const {
    const int64_t W = w_.width(), H = w_.height(), T = w_.Panel1->height();
    return p.x >= 0 && p.x <= W - 32 && p.y >= 0 && p.y >= T && p.y <= H - T - 24;
}

bool EditModes::CanPutPoint(CPOINT p) const {
    const int64_t W = w_.width(), H = w_.height(), T = w_.Panel1->height();
    return p.x >= 0 && p.x <= W && p.y >= 0 && p.y >= T && p.y <= H - T;
}

void EditModes::ConnectPins(int slot) {
    EditorEngine &e = w_.Engine();
    const PinConnections joined = kmr::ConnectPins(e.Wires, e.Scheme, slot);
    for (int i = 0; i < joined.count; ++i) {
        e.Scheme.Select(slot);
        e.Wires.DrawNet(joined.net[i], kYellow);
        HighlightPending = true;
        HighlightCountdown = 7;
    }
}

// ---------------------------------------------------------------------------
// Labels

void EditModes::LabelMouseDown(int slot, Qt::MouseButton button, QPoint, QPoint global) {
    if (Locked()) return;
    LABCLASS &labels = w_.Engine().Labels;
    if (button == Qt::RightButton) {
        LabelCtx = slot;
        labels.MenuLabel = slot;
        PopupMenuLabel->popup(global);
        return;
    }
    QLabel *widget = w_.Canvas->LabelWidget(slot);
    if (!widget) return;
    DragLabel = slot;
    labels.DraggedLabel = slot;
    // The pointer takes the label by its top-left corner, which then
    // follows it.
    labelGrab_ = widget->mapToGlobal(QPoint(0, 0));
    QCursor::setPos(labelGrab_);
    widget->raise();
    labelDragging_ = true;
    labelMoved_ = false;
}

void EditModes::LabelMouseMove(int slot, QPoint global) {
    if (!labelDragging_ || slot != DragLabel || Locked()) return;
    if (!labelMoved_ && (global - labelGrab_).manhattanLength() < 2) return;
    labelMoved_ = true;
    LABEL *label = w_.Engine().Labels.Get(slot);
    QLabel *widget = w_.Canvas->LabelWidget(slot);
    if (!label || !widget) return;
    const QPoint corner = w_.Canvas->mapFromGlobal(global);
    label->Left = corner.x();
    label->Top = corner.y();
    widget->move(corner);
    // The label's place is part of the project.
    w_.Modified = true;
}

void EditModes::LabelMouseUp(int) { labelDragging_ = false; }

// ---------------------------------------------------------------------------
// Highlights, timer and modes

void EditModes::ResetHighlight() {
    if (!HighlightPending || Locked()) return;
    EditorEngine &e = w_.Engine();
    HighlightCountdown = 0;
    HighlightPending = false;
    e.Scheme.DeselectAll();
    e.Wires.DrawAllSegments();
    e.Scheme.DrawAll();
    Changed();
}

void EditModes::Timer1Timer() {
    if (w_.RunActive()) {
        // The countdown waits: ending a highlight would redraw the scheme.
        const int progress = w_.Run().Progress();
        if (w_.Run().Running() && progress != -1)
            w_.StatusText->setText(Text(6) + QString::number(progress) + QStringLiteral(" %"));
        return;
    }
    if (HighlightCountdown != 0 && --HighlightCountdown == 0) {
        w_.Engine().Scheme.DeselectAll();
        ResetHighlight();
        Changed();
    }
}

void EditModes::ModeButtonClick(int mode) {
    w_.SetMode(mode, true);
    if (w_.ErrorShown) {
        w_.ErrorShown = false;
        HighlightCountdown = 1;
    }
}

// ---------------------------------------------------------------------------
// Calculation

void EditModes::TBGoClick() {
    EditorEngine &e = w_.Engine();
    if (w_.RunActive() || e.Go.Running()) return;
    w_.SetMode(mdGo, true);
    if (w_.ErrorShown) {
        w_.ErrorShown = false;
        HighlightCountdown = 1;
    }
    const RunCheck check = e.Go.Go(PostRunEndTo(&w_));
    if (check.ok) {
        w_.RunStarted();
        return;
    }
    if (check.message == 0) return; // a run is still going
    if (check.redraw) e.Scheme.DrawAll();
    Changed();
    MessageWindow(&w_, e.Params.Lang, QString::fromStdString(CheckMessage(check)), Text(check.caption));
    if (check.mode != EditMode::Unchanged) w_.SetMode(int(check.mode), check.resetHighlight);
    PendingHelp = check.help;
    if (PendingHelp != 0) ShowHelpTopic(PendingHelp);
    PendingHelp = 0;
    w_.ErrorShown = true;
    // What the refusal marks and colours stays until the next press or mode
    // button, which ends it like any highlight.
    HighlightPending = true;
    HighlightCountdown = 0;
}

void EditModes::GoEnded(RunEnd end, int64_t elapsedMs, bool quiet) {
    EditorEngine &e = w_.Engine();
    HighlightCountdown = 0;
    switch (end) {
    case RunEnd::Finished: {
        w_.SetMode(mdAsk, true);
        const int64_t ms = std::max<int64_t>(elapsedMs, 0);
        w_.StatusText->setText(Text(18) + QString::number(ms / 1000) + QLatin1Char('.') +
                               QStringLiteral("%1").arg(int(ms % 1000), 3, 10, QLatin1Char('0')) + Text(74));
        break;
    }
    case RunEnd::Cancelled:
        w_.SetMode(mdMain, true);
        w_.StatusText->setText(Text(19));
        break;
    case RunEnd::StartFailed:
        PendingHelp = kHelpStartFailed;
        HighlightPending = false;
        w_.SetMode(mdAsk, true);
        break;
    }
    // The calculation marked the instance that refused to start and those
    // whose stop failed; they are shown selected until the next press.
    w_.Canvas->Redraw();
    for (int s = 1; s < MODULES::kSlotCount; ++s) HighlightPending = HighlightPending || e.Scheme.Selected(s);
    if (end == RunEnd::StartFailed) {
        if (!quiet) {
            MessageWindowById(&w_, e.Params.Lang, kMsgStartFailed, kMsgStartFailedCaption);
            w_.ErrorShown = true;
            ShowHelpTopic(PendingHelp);
        }
        PendingHelp = 0;
    }
}

// ---------------------------------------------------------------------------
// Context menus and their commands

void EditModes::CreateMenus() {
    auto entry = [this](QMenu *menu, void (EditModes::*handler)()) {
        QAction *a = menu->addAction(QString());
        connect(a, &QAction::triggered, this, handler);
        return a;
    };

    PopupMenuModule = new QMenu(&w_);
    PopupMenuModule->setObjectName(QStringLiteral("PopupMenuModule"));
    pmModuleSetup = entry(PopupMenuModule, &EditModes::pmModuleSetupClick);
    pmModuleDelete = entry(PopupMenuModule, &EditModes::pmModuleDeleteClick);
    pmModuleCopy = entry(PopupMenuModule, &EditModes::pmModuleCopyClick);
    pmInsp = entry(PopupMenuModule, &EditModes::pmInspClick);
    pmModuleHelp = entry(PopupMenuModule, &EditModes::pmModuleHelpClick);
    pmModuleAbout = entry(PopupMenuModule, &EditModes::pmModuleAboutClick);
    connect(PopupMenuModule, &QMenu::aboutToShow, this, [this] {
        pmModuleSetup->setText(Text(43));
        pmModuleDelete->setText(Text(44));
        pmModuleCopy->setText(Text(102));
        pmInsp->setText(Text(103) + QStringLiteral("  F11"));
        pmModuleHelp->setText(Text(106));
        pmModuleAbout->setText(Text(107));
    });

    PopupMenuMain = new QMenu(&w_);
    PopupMenuMain->setObjectName(QStringLiteral("PopupMenuMain"));
    pmPaste = entry(PopupMenuMain, &EditModes::pmPasteClick);
    pmAddText = entry(PopupMenuMain, &EditModes::pmAddTextClick);
    connect(PopupMenuMain, &QMenu::aboutToShow, this, [this] {
        // Offered only once something has been copied.
        pmPaste->setEnabled(w_.Engine().ModuleCopy.CanPaste());
        pmPaste->setText(Text(104));
        pmAddText->setText(Text(39));
    });

    PopupMenuLabel = new QMenu(&w_);
    PopupMenuLabel->setObjectName(QStringLiteral("PopupMenuLabel"));
    pmLabelEdit = entry(PopupMenuLabel, &EditModes::pmLabelEditClick);
    pmLabelDelete = entry(PopupMenuLabel, &EditModes::pmLabelDeleteClick);
    connect(PopupMenuLabel, &QMenu::aboutToShow, this, [this] {
        pmLabelEdit->setText(Text(45));
        pmLabelDelete->setText(Text(44));
    });

    connect(w_.mAddText, &QAction::triggered, this, &EditModes::mAddTextClick);
    connect(w_.mWInsp, &QAction::triggered, this, &EditModes::mWInspClick);
    connect(&w_, &TFMain::LanguageApplied, this, [this] { pmInsp->setText(Text(92)); });
    SetInspector({});
    SetLabelEditor({});
}

void EditModes::SetInspector(std::function<void(int)> open) {
    inspector_ = std::move(open);
    pmInsp->setEnabled(bool(inspector_));
    w_.mWInsp->setEnabled(bool(inspector_));
}

void EditModes::SetLabelEditor(std::function<void(int, QPoint)> open) {
    labelEditor_ = std::move(open);
    pmLabelEdit->setEnabled(bool(labelEditor_));
}

MODULE *EditModes::ContextInstance() const { return w_.Engine().Scheme.Get(ModuleCtx); }

void EditModes::pmModuleSetupClick() {
    if (!Locked()) SetupInstance(ModuleCtx);
}

void EditModes::pmModuleDeleteClick() {
    if (Locked() || ModuleCtx == 0) return;
    EditorEngine &e = w_.Engine();
    // A deletion is a change of the project like any other, so it is not
    // lost silently when the window closes.
    if (e.Scheme.Get(ModuleCtx)) w_.Modified = true;
    w_.InstancesAboutToChange();
    e.Scheme.DeleteInstance(ModuleCtx);
    e.Wires.DrawAllSegments();
    Changed();
}

void EditModes::pmModuleCopyClick() {
    if (!Locked() && ContextInstance()) w_.Engine().ModuleCopy.CopyModule(w_.Engine().Scheme, ModuleCtx);
}

void EditModes::pmInspClick() {
    MODULE *m = ContextInstance();
    if (Locked() || !m || !inspector_ || !w_.Engine().Types.GetType(m->Index).Loaded()) return;
    inspector_(ModuleCtx);
}

void EditModes::mWInspClick() {
    if (w_.Engine().Scheme.CountInstances() == 0) return;
    ModuleCtx = 1;
    pmInspClick();
}

void EditModes::pmModuleHelpClick() {
    if (MODULE *m = ContextInstance()) kmd::Help(w_.Engine().Types.GetType(m->Index));
}

void EditModes::pmModuleAboutClick() {
    if (MODULE *m = ContextInstance()) ShowModuleAbout(&w_, w_.Engine().Types.GetType(m->Index));
}

void EditModes::pmPasteClick() {
    if (Locked()) return;
    EditorEngine &e = w_.Engine();
    const MODULECOPY::PasteResult pasted = e.ModuleCopy.PasteModule(e.Scheme, e.Wires, Point(PopupPoint));
    if (pasted.changed) w_.Modified = true;
    for (int i = 0; i < pasted.nets.count; ++i) {
        e.Scheme.Select(pasted.slot);
        e.Wires.DrawNet(pasted.nets.net[i], kYellow);
        HighlightPending = true;
        HighlightCountdown = 7;
    }
    Changed();
}

void EditModes::AddLabel(QPoint at) {
    if (w_.Engine().Labels.CreateLabel(at.x(), at.y(), NewLabelText())) w_.Modified = true;
}

void EditModes::pmAddTextClick() {
    if (Locked()) return;
    w_.Modified = true;
    AddLabel(PopupPoint);
}

void EditModes::mAddTextClick() {
    if (!Locked()) AddLabel(QPoint(10, 50));
}

void EditModes::pmLabelEditClick() {
    if (Locked() || !labelEditor_ || !w_.Engine().Labels.Get(LabelCtx)) return;
    w_.Modified = true;
    labelEditor_(LabelCtx, QCursor::pos());
}

void EditModes::pmLabelDeleteClick() {
    if (Locked()) return;
    if (w_.Engine().Labels.DeleteLabel(LabelCtx)) w_.Modified = true;
}

} // namespace kmr
