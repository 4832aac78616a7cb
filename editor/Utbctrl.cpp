#include "Utbctrl.h"

#include <QEvent>
#include <QFrame>
#include <QIcon>
#include <QMouseEvent>
#include <QToolButton>
#include <cstdio>

#include "Resource.h"

namespace kmr {

namespace {

// Reads the next line without its line feed (and a carriage return before
// it). False at the end of the file, and for a line longer than `max`,
// which ends the reading.
bool ReadLine(std::FILE *f, std::string &line, size_t max) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(char(c));
        // One more than the limit is allowed while a carriage return may
        // still be dropped.
        if (line.size() > max + 1) return false;
    }
    if (!any) return false;
    if (c == '\n' && !line.empty() && line.back() == '\r') line.pop_back();
    return line.size() <= max;
}

} // namespace

bool LoadToolbarFile(AVMODULES &types, const std::string &path) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const int n = types.CountTypes();
    for (int t = 0; t < n; ++t) types.GetType(t).PanelPos = -1;
    int pos = 0;
    std::string line;
    while (ReadLine(f, line, kToolbarLineMax)) {
        if (line.empty()) continue;
        const int t = types.FindByFileName(std::string_view(line).substr(1));
        if (t < 0) continue;
        MODULE_TYPE &type = types.GetType(t);
        if (type.PanelPos != -1) continue; // placed by an earlier line
        type.PanelPos = pos++;
        type.OnPanel = line[0] == '-';
    }
    std::fclose(f);
    for (int t = 0; t < n; ++t)
        if (types.GetType(t).PanelPos == -1) types.GetType(t).PanelPos = pos++;
    return true;
}

bool SaveToolbarFile(const AVMODULES &types, const std::string &path) {
    std::string text;
    const int n = types.CountTypes();
    for (int pos = 0; pos < n; ++pos)
        for (int t = 0; t < n; ++t) {
            const MODULE_TYPE &type = types.GetType(t);
            if (type.PanelPos != pos) continue;
            text += type.OnPanel ? '-' : '+';
            text += type.FileName;
            text += '\n';
            break;
        }
    return WriteFileAtomically(path, reinterpret_cast<const uint8_t *>(text.data()), text.size());
}

std::vector<PanelControl> PanelLayout(const AVMODULES &types, int selectedType) {
    std::vector<PanelControl> controls;
    int next = 8;
    for (int k = 0; k < kModeCount; ++k) {
        PanelControl c;
        c.tag = kModeTagBase + k;
        c.left = next;
        c.picture = k;
        c.group = 1;
        controls.push_back(c);
        next += 32;
    }
    PanelControl separator;
    separator.left = next + 8;
    separator.width = 4;
    controls.push_back(separator);
    next = separator.left + 8;
    const int n = types.CountTypes();
    for (int pos = 0; pos < n; ++pos)
        for (int t = 0; t < n; ++t) {
            const MODULE_TYPE &type = types.GetType(t);
            if (type.PanelPos != pos) continue;
            if (!type.OnPanel) {
                PanelControl c;
                c.tag = t;
                c.left = next;
                c.picture = type.ToolImage;
                c.group = 2;
                c.pressed = t == selectedType;
                controls.push_back(c);
                next += 32;
            }
            break;
        }
    return controls;
}

// ---------------------------------------------------------------------------
// TModulePanel

TModulePanel::TModulePanel(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Panel1"));
    setFixedHeight(kHeight);
    setAutoFillBackground(true);
}

void TModulePanel::Clear() {
    // A control may be removed from within its own event (a command of its
    // context menu rebuilds the panel), so it goes away once that is over.
    for (Item &item : controls_) {
        item.widget->hide();
        item.widget->removeEventFilter(this);
        item.widget->deleteLater();
    }
    controls_.clear();
}

void TModulePanel::Rebuild(const std::vector<PanelControl> &layout, const std::vector<QPixmap> &pictures) {
    Clear();
    for (const PanelControl &c : layout) {
        Item item;
        item.tag = c.tag;
        if (c.picture < 0) {
            auto *line = new QFrame(this);
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Raised);
            item.widget = line;
        } else {
            auto *button = new QToolButton(this);
            button->setCheckable(true);
            button->setChecked(c.pressed);
            button->setAutoRaise(flat_);
            button->setIconSize(QSize(22, 22));
            if (c.picture < int(pictures.size())) button->setIcon(QIcon(pictures[size_t(c.picture)]));
            button->installEventFilter(this);
            const int tag = c.tag;
            connect(button, &QToolButton::clicked, this, [this, tag] { emit ButtonClicked(tag); });
            item.widget = button;
            item.button = button;
        }
        item.widget->setGeometry(c.left, c.top, c.width, c.height);
        item.widget->show();
        controls_.push_back(item);
    }
}

QWidget *TModulePanel::Control(int index) const {
    return index >= 0 && index < ControlCount() ? controls_[size_t(index)].widget : nullptr;
}

int TModulePanel::Tag(int index) const { return index >= 0 && index < ControlCount() ? controls_[size_t(index)].tag : -1; }

bool TModulePanel::Pressed(int index) const {
    if (index < 0 || index >= ControlCount()) return false;
    const QToolButton *b = controls_[size_t(index)].button;
    return b && b->isChecked();
}

void TModulePanel::SetPressed(int index, bool pressed) {
    if (index < 0 || index >= ControlCount()) return;
    if (QToolButton *b = controls_[size_t(index)].button) b->setChecked(pressed);
}

int TModulePanel::IndexOfTag(int tag, int from) const {
    for (int i = std::max(from, 0); i < ControlCount(); ++i)
        if (controls_[size_t(i)].tag == tag) return i;
    return -1;
}

void TModulePanel::SetHint(int index, const QString &hint) {
    if (QWidget *w = Control(index)) w->setToolTip(hint);
}

void TModulePanel::SetFlat(bool flat) {
    flat_ = flat;
    for (Item &item : controls_)
        if (item.tag >= 0 && item.button) item.button->setAutoRaise(flat);
}

bool TModulePanel::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton)
            for (const Item &item : controls_)
                if (item.widget == watched) {
                    emit ButtonRightPressed(item.tag, mouse->position().toPoint());
                    return true;
                }
    }
    return QWidget::eventFilter(watched, event);
}

void TModulePanel::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton) emit BackgroundRightPressed(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

} // namespace kmr
