#include "Canvas.h"

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

ImageSurface::ImageSurface(uint32_t background) : background_(background & 0xFFFFFF) {}

uint32_t ImageSurface::Pixel(int x, int y) const {
    if (!inside(x, y)) return background_;
    return reinterpret_cast<const uint32_t *>(image_.constScanLine(y))[x] & 0xFFFFFF;
}

void ImageSurface::SetPixel(int x, int y, uint32_t colour) {
    if (inside(x, y)) reinterpret_cast<uint32_t *>(image_.scanLine(y))[x] = 0xFF000000 | (colour & 0xFFFFFF);
}

void ImageSurface::Line(int x1, int y1, int x2, int y2, uint32_t colour) {
    // Bresenham, both ends included.
    int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
    int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        SetPixel(x1, y1, colour);
        if (x1 == x2 && y1 == y2) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y1 += sy;
        }
    }
}

void ImageSurface::FillRect(int x1, int y1, int x2, int y2, uint32_t colour) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, Width() - 1);
    y2 = std::min(y2, Height() - 1);
    const uint32_t pixel = 0xFF000000 | (colour & 0xFFFFFF);
    for (int y = y1; y <= y2; ++y) {
        auto *row = reinterpret_cast<uint32_t *>(image_.scanLine(y));
        std::fill(row + x1, row + x2 + 1, pixel);
    }
}

void ImageSurface::DrawPicture(const Picture &picture, int x, int y) {
    if (picture.Empty()) return;
    for (int py = 0; py < picture.height; ++py) {
        const int ty = y + py;
        if (ty < 0 || ty >= Height()) continue;
        auto *row = reinterpret_cast<uint32_t *>(image_.scanLine(ty));
        for (int px = 0; px < picture.width; ++px) {
            const int tx = x + px;
            if (tx < 0 || tx >= Width()) continue;
            const uint32_t src = picture.At(px, py) & 0xFFFFFF;
            uint32_t &dst = row[tx];
            dst = 0xFF000000 | (op_ == RasterOp::Invert ? ((dst ^ src) & 0xFFFFFF) : src);
        }
    }
}

void ImageSurface::Grow(int width, int height) {
    width = std::max(width, Width());
    height = std::max(height, Height());
    if (width == Width() && height == Height()) return;
    QImage grown(width, height, QImage::Format_RGB32);
    grown.fill(QColor::fromRgb(background_));
    if (!image_.isNull()) {
        QPainter p(&grown);
        p.drawImage(0, 0, image_);
    }
    image_ = grown;
}

void ImageSurface::Clear() {
    if (!image_.isNull()) image_.fill(QColor::fromRgb(background_));
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
    surface_.SetBackground(palette().color(QPalette::Window).rgb());
}

void DrawingArea::Redraw() {
    surface_.Clear();
    wires_.DrawAllSegments();
    scheme_.DrawAll();
    update();
}

void DrawingArea::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(surface_.Background()));
    p.drawImage(0, 0, surface_.Image());
}

void DrawingArea::resizeEvent(QResizeEvent *event) {
    const int w = surface_.Width(), h = surface_.Height();
    surface_.Grow(event->size().width(), event->size().height());
    if (surface_.Width() != w || surface_.Height() != h) Redraw();
    QWidget::resizeEvent(event);
}

QLabel *DrawingArea::LabelWidget(int slot) const {
    return slot >= 0 && slot < LABCLASS::kSlots ? labels_[size_t(slot)] : nullptr;
}

void DrawingArea::LabelCreated(int slot, LABEL &label) {
    if (slot < 0 || slot >= LABCLASS::kSlots) return;
    delete labels_[size_t(slot)];
    auto *widget = new QLabel(this);
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
