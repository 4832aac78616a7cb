// The drawing area of the main window: one persistent image that the
// engine draws the schematic on, copied to the screen whenever the window
// is exposed, and the text labels of the schematic as child widgets.
//
// Coordinates are those of the main window's client area below the menu
// bar; the toolbar covers the top strip of it.
#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <array>

#include "Label.h"
#include "PixelSurface.h"

class MODULES;
class WIRES;
class QPainter;

namespace kmr {

// The drawing surface over one QImage of 32-bit pixels. The drawing rules
// are those of every pixel surface; this class only keeps the image.
class ImageSurface : public PixelSurface {
public:
    explicit ImageSurface(uint32_t background = 0xF0F0F0);

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }

    // Makes the image at least `width` by `height`, keeping what is drawn;
    // new pixels have the background colour.
    void Grow(int width, int height);
    void SetBackground(uint32_t colour) { SetBackgroundColour(colour); }
    // A copy of the image as it is now; later drawing does not change it.
    QImage Snapshot() const { return image_.copy(); }
    // Copies the part `area` of the image to the same place of `painter`.
    void PaintOn(QPainter &painter, const QRect &area) const;

protected:
    // Writing through a row detaches the image from any copy first.
    uint32_t *Row(int y) override { return reinterpret_cast<uint32_t *>(image_.scanLine(y)); }
    const uint32_t *Row(int y) const override { return reinterpret_cast<const uint32_t *>(image_.constScanLine(y)); }

private:
    QImage image_;
};

// What the drawing area reports of the mouse: presses, moves and releases
// on the area itself, and on the label widgets.
class CanvasInput {
public:
    virtual ~CanvasInput() = default;
    virtual void CanvasMouseDown(Qt::MouseButton button, QPoint p) = 0;
    virtual void CanvasMouseMove(QPoint p) = 0;
    virtual void CanvasMouseUp(Qt::MouseButton button, QPoint p) = 0;
    // `at` is the point in the label widget; `global` on the screen.
    virtual void LabelMouseDown(int slot, Qt::MouseButton button, QPoint at, QPoint global) = 0;
    virtual void LabelMouseMove(int slot, QPoint global) = 0;
    virtual void LabelMouseUp(int slot) = 0;
};

// Shows a schematic: the surface of the scheme and the segment table, and
// the owner of the label widgets.
class DrawingArea : public QWidget, public LabelHost {
    Q_OBJECT
public:
    DrawingArea(MODULES &scheme, WIRES &wires, QWidget *parent = nullptr);

    ImageSurface &Surface() { return surface_; }

    // Where mouse input goes; null ignores it.
    void SetInput(CanvasInput *input) { input_ = input; }
    // While the schematic must not be read (a calculation uses it), a grown
    // area is left empty instead of being drawn.
    void SetDrawingHeld(bool held) { held_ = held; }

    // Draws the whole schematic anew: the background, every segment, every
    // instance.
    void Redraw();

    // The label widget of `slot`, null when there is none.
    QLabel *LabelWidget(int slot) const;

    void LabelCreated(int slot, LABEL &label) override;
    void LabelChanged(int slot, LABEL &label) override;
    void LabelDeleted(int slot) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyLabel(QLabel *widget, const LABEL &label);
    int slotOf(QObject *widget) const;

    MODULES &scheme_;
    WIRES &wires_;
    ImageSurface surface_;
    CanvasInput *input_ = nullptr;
    bool held_ = false;
    std::array<QLabel *, LABCLASS::kSlots> labels_{};
};

} // namespace kmr
