#include "Keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QVariant>
#include <QWidget>

#include "Help.h"
#include "Strings.h"
#include "Umain.h"
#include "Wires.h"

namespace kmr {

namespace {

// The main window's help topic.
constexpr int kMainHelpContext = 700;

QString Text(int number) { return QString::fromUtf8(GetString(number)); }

// Scan codes of the physical letter keys of the table, as X11 and Wayland
// number them (evdev codes + 8), for layouts whose letters are not Latin.
int LetterOfScanCode(quint32 code) {
    switch (code) {
    case 38: return Qt::Key_A;
    case 41: return Qt::Key_F;
    case 28: return Qt::Key_T;
    case 55: return Qt::Key_V;
    case 53: return Qt::Key_X;
    case 54: return Qt::Key_C;
    default: return 0;
    }
}

bool IsTableKey(int key) {
    switch (key) {
    case Qt::Key_F11:
    case Qt::Key_F5:
    case Qt::Key_F8:
    case Qt::Key_Delete:
    case Qt::Key_A:
    case Qt::Key_F:
    case Qt::Key_T:
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_C:
        return true;
    default:
        return false;
    }
}

} // namespace

void SetHelpContext(QWidget *widget, int topic) {
    if (widget) widget->setProperty(kHelpContextProperty, topic);
}

int HelpContextOf(const QWidget *widget) {
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant topic = w->property(kHelpContextProperty);
        if (topic.isValid() && topic.toInt() != 0) return topic.toInt();
        // A window's help is its own; it does not come from its owner.
        if (w->isWindow()) break;
    }
    return 0;
}

int CommandKey(const QKeyEvent &event) {
    const int key = event.key();
    // Letters outside Latin (and keys the layout does not name) are
    // printable codes from 0xA0 up; the special keys start at 0x01000000.
    const bool otherAlphabet = key == 0 || key == Qt::Key_unknown || (key >= 0xA0 && key < 0x01000000);
    if (otherAlphabet) {
        if (const int letter = LetterOfScanCode(event.nativeScanCode())) return letter;
    }
    return key;
}

KeyCommands::KeyCommands(TFMain &window) : QObject(&window), w_(window) {
    SetHelpContext(&w_, kMainHelpContext);
    qApp->installEventFilter(this);
}

KeyCommands::~KeyCommands() { qApp->removeEventFilter(this); }

void KeyCommands::SetInspectorWindow(QWidget *inspector) { inspector_ = inspector; }

void KeyCommands::SetPictureExport(std::function<void()> exportPicture) { exportPicture_ = std::move(exportPicture); }

bool KeyCommands::GestureInProgress() const {
    const EditModes &ed = *w_.Editor;
    return ed.placing || ed.moving != 0 || (w_.Wiring && (w_.Wiring->Laying() || w_.Wiring->Dragging()));
}

bool KeyCommands::eventFilter(QObject *watched, QEvent *event) {
    // A key reaches the window system's window first and then the focused
    // widget; it is taken once, at the widget.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const auto *widget = static_cast<QWidget *>(watched);

    if (key->key() == Qt::Key_F1 || key->key() == Qt::Key_Help) {
        const int topic = HelpContextOf(widget);
        if (topic == 0) return false;
        ShowHelpTopic(topic);
        return true;
    }
    if (widget->window() != &w_) return false;
    return FormKeyDown(CommandKey(*key), key->modifiers());
}

bool KeyCommands::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    if (!IsTableKey(key)) return false;
    // While a calculation runs the schematic is its own: not one key acts.
    if (w_.EditingLocked()) return true;

    EditModes &ed = *w_.Editor;
    EditorEngine &e = w_.Engine();
    const QPoint p = ed.LastMouse;
    const CPOINT at{p.x(), p.y()};
    const bool ctrl = shift.testFlag(Qt::ControlModifier);
    const bool busy = GestureInProgress();

    switch (key) {
    case Qt::Key_F11:
        if (inspector_ && inspector_->isVisible()) {
            inspector_->hide();
            return true;
        }
        if (e.Scheme.CountInstances() == 0) return true;
        if (const int slot = e.Scheme.FindAt(at)) {
            w_.StatusText->setText(Text(4) + QString::number(slot));
            ed.ModuleCtx = slot;
        }
        if (ed.ModuleCtx == 0) ed.ModuleCtx = 1;
        ed.pmInspClick();
        return true;
    case Qt::Key_F5:
        if (exportPicture_) exportPicture_();
        return true;
    case Qt::Key_F8:
        if (!busy && w_.Wiring) w_.Wiring->DeleteNetCommand(p);
        return true;
    case Qt::Key_Delete:
        if (!busy) ed.DeleteSegmentCommand(p);
        return true;
    case Qt::Key_A:
        if (!busy && w_.Wiring) w_.Wiring->TurnCommand(p);
        return true;
    case Qt::Key_F:
        if (!busy && w_.Wiring) w_.Wiring->SplitCommand(p);
        return true;
    default:
        break;
    }

    // The rest are Ctrl shortcuts; without Ctrl their letters do nothing.
    if (!ctrl) return false;
    switch (key) {
    case Qt::Key_T:
        // Shown once the key has been handled, as the start-up tip is.
        if (e.Params.Lang == 0) QMetaObject::invokeMethod(&w_, [this] { w_.ShowTipOfDay(); }, Qt::QueuedConnection);
        return true;
    case Qt::Key_V:
        if (busy) return true;
        ed.PopupPoint = p;
        ed.pmPasteClick();
        return true;
    case Qt::Key_X:
        if (busy || e.Scheme.CountInstances() == 0) return true;
        if (const int slot = e.Scheme.FindAt(at)) {
            ed.ModuleCtx = slot;
            ed.pmModuleDeleteClick();
        }
        return true;
    case Qt::Key_C:
        if (e.Scheme.CountInstances() == 0) return true;
        if (const int slot = e.Scheme.FindAt(at)) {
            ed.ModuleCtx = slot;
            ed.pmModuleCopyClick();
        }
        return true;
    default:
        return false;
    }
}

} // namespace kmr
