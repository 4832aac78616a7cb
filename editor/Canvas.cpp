#include "Canvas.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Cp1251.h"
#include "Module.h"
#include "Wire.h"

namespace kmr {

// ---------------------------------------------------------------------------
// ImageSurface

ImageSurface::ImageSurface(uint32_t background) : PixelSurface(background, 0xFF000000) {}

void ImageSurface::Grow(int width, int height) {
    width = std::max(width, Width());
    height = std::max(height, Height());
    if (width == Width() && height == Height()) return;
    QImage grown(width, height, QImage::Format_RGB32);
    grown.fill(QColor::fromRgb(Background()));
    if (!image_.isNull()) {
        QPainter p(&grown);
        p.drawImage(0, 0, image_);
    }
    image_ = grown;
}

void ImageSurface::PaintOn(QPainter &painter, const QRect &area) const {
    painter.drawImage(area.topLeft(), image_, area);
}

// ---------------------------------------------------------------------------
// DrawingArea

namespace {

// A label colour as stored: 0x00BBGGRR, or 0x80000000 plus an index into
// the system's colour scheme, of which the few labels use are mapped onto
// the palette.
QColor LabelColour(uint32_t stored, const QPalette &palette, QPalette::ColorRole fallback) {
    if (stored & 0x80000000u) {
        switch (stored & 0xFF) {
        case 5: return palette.color(QPalette::Base);
        case 8: return palette.color(QPalette::WindowText);
        case 13: return palette.color(QPalette::Highlight);
        case 14: return palette.color(QPalette::HighlightedText);
        case 15: return palette.color(QPalette::Window);
        case 18: return palette.color(QPalette::ButtonText);
        default: return palette.color(fallback);
        }
    }
    return QColor(int(stored & 0xFF), int((stored >> 8) & 0xFF), int((stored >> 16) & 0xFF));
}

// Label texts are Windows-1251 with CR LF line ends.
QString LabelText(const std::string &text) {
    QString s = QString::fromStdString(Cp1251ToUtf8(text));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

} // namespace

DrawingArea::DrawingArea(MODULES &scheme, WIRES &wires, QWidget *parent)
    : QWidget(parent), scheme_(scheme), wires_(wires) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Every move counts, with or without a button: the picture that follows
    // the mouse, and the last mouse position the keys act at.
    setMouseTracking(true);
    surface_.SetBackground(palette().color(QPalette::Window).rgb());
}

void DrawingArea::Redraw() {
    surface_.Clear();
    wires_.DrawAllSegments();
    scheme_.DrawAll();
    update();
}

void DrawingArea::paintEvent(QPaintEvent *event) {
    // An expose only copies the image; the schematic is not drawn again.
    QPainter p(this);
    const QRect area = event->rect();
    p.fillRect(area, QColor::fromRgb(surface_.Background()));
    surface_.PaintOn(p, area.intersected(QRect(0, 0, surface_.Width(), surface_.Height())));
}

void DrawingArea::resizeEvent(QResizeEvent *event) {
    const int w = surface_.Width(), h = surface_.Height();
    surface_.Grow(event->size().width(), event->size().height());
    // What was cut off at the old edges is drawn; the rest of the image,
    // including anything a gesture in progress shows, stays as it is.
    if ((surface_.Width() != w || surface_.Height() != h) && !held_) {
        wires_.DrawAllSegments();
        scheme_.DrawAll();
    }
    QWidget::resizeEvent(event);
}

void DrawingArea::mousePressEvent(QMouseEvent *event) {
    if (input_) input_->CanvasMouseDown(event->button(), event->position().toPoint());
    update();
}

void DrawingArea::mouseMoveEvent(QMouseEvent *event) {
    if (input_) input_->CanvasMouseMove(event->position().toPoint());
    update();
}

void DrawingArea::mouseReleaseEvent(QMouseEvent *event) {
    if (input_) input_->CanvasMouseUp(event->button(), event->position().toPoint());
    update();
}

int DrawingArea::slotOf(QObject *widget) const {
    for (size_t i = 0; i < labels_.size(); ++i)
        if (labels_[i] == widget) return int(i);
    return -1;
}

bool DrawingArea::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    const int slot = slotOf(watched);
    if (slot < 0 || !input_) return QWidget::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    if (type == QEvent::MouseMove)
        input_->LabelMouseMove(slot, global);
    else if (type == QEvent::MouseButtonRelease)
        input_->LabelMouseUp(slot);
    else
        input_->LabelMouseDown(slot, mouse->button(), mouse->position().toPoint(), global);
    update();
    return true;
}

QLabel *DrawingArea::LabelWidget(int slot) const {
    return slot >= 0 && slot < LABCLASS::kSlots ? labels_[size_t(slot)] : nullptr;
}

void DrawingArea::LabelCreated(int slot, LABEL &label) {
    if (slot < 0 || slot >= LABCLASS::kSlots) return;
    delete labels_[size_t(slot)];
    auto *widget = new QLabel(this);
    widget->installEventFilter(this);
    labels_[size_t(slot)] = widget;
    applyLabel(widget, label);
    widget->show();
}

void DrawingArea::LabelChanged(int slot, LABEL &label) {
    if (QLabel *widget = LabelWidget(slot)) applyLabel(widget, label);
}

void DrawingArea::LabelDeleted(int slot) {
    if (slot < 0 || slot >= LABCLASS::kSlots) return;
    delete labels_[size_t(slot)];
    labels_[size_t(slot)] = nullptr;
}

void DrawingArea::applyLabel(QLabel *widget, const LABEL &label) {
    widget->setText(LabelText(label.Text));
    QFont font(QString::fromStdString(Cp1251ToUtf8(std::string(label.FontName, strnlen(label.FontName, sizeof label.FontName)))));
    if (label.FontHeight < 0)
        font.setPixelSize(std::clamp(-label.FontHeight, 1, 500));
    else if (label.FontSize > 0)
        font.setPointSize(std::min(label.FontSize, 500));
    font.setBold(label.FontStyle & StyleBold);
    font.setItalic(label.FontStyle & StyleItalic);
    font.setUnderline(label.FontStyle & StyleUnderline);
    font.setStrikeOut(label.FontStyle & StyleStrikeOut);
    widget->setFont(font);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, LabelColour(label.FontColor, palette, QPalette::WindowText));
    palette.setColor(QPalette::Window, LabelColour(label.Color, palette, QPalette::Window));
    widget->setPalette(palette);
    widget->setAutoFillBackground(!label.Transparent);
    Qt::Alignment align = Qt::AlignTop;
    if (label.Alignment == AlignRight)
        align |= Qt::AlignRight;
    else if (label.Alignment == AlignCenter)
        align |= Qt::AlignHCenter;
    else
        align |= Qt::AlignLeft;
    widget->setAlignment(align);
    widget->move(label.Left, label.Top);
    if (label.AutoSize)
        widget->adjustSize();
    else
        widget->resize(std::max(label.Width, 0), std::max(label.Height, 0));
}

} // namespace kmr
