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
#include "Surface.h"

class MODULES;
class WIRES;

namespace kmr {

// A drawing surface over a QImage of 32-bit pixels.
class ImageSurface : public Surface {
public:
    explicit ImageSurface(uint32_t background = 0xF0F0F0);

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    uint32_t Background() const override { return background_; }
    uint32_t Pixel(int x, int y) const override;
    void SetPixel(int x, int y, uint32_t colour) override;
    void Line(int x1, int y1, int x2, int y2, uint32_t colour) override;
    void FillRect(int x1, int y1, int x2, int y2, uint32_t colour) override;
    RasterOp Op() const override { return op_; }
    void SetOp(RasterOp op) override { op_ = op; }
    void DrawPicture(const Picture &picture, int x, int y) override;

    // Makes the image at least `width` by `height`, keeping what is drawn;
    // new pixels have the background colour.
    void Grow(int width, int height);
    void SetBackground(uint32_t colour) { background_ = colour & 0xFFFFFF; }
    // Fills the whole image with the background.
    void Clear();
    const QImage &Image() const { return image_; }

private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < image_.width() && y < image_.height(); }

    QImage image_;
    uint32_t background_;
    RasterOp op_ = RasterOp::Copy;
};

// Shows a schematic: the surface of the scheme and the segment table, and
// the owner of the label widgets.
class DrawingArea : public QWidget, public LabelHost {
    Q_OBJECT
public:
    DrawingArea(MODULES &scheme, WIRES &wires, QWidget *parent = nullptr);

    ImageSurface &Surface() { return surface_; }

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

private:
    void applyLabel(QLabel *widget, const LABEL &label);

    MODULES &scheme_;
    WIRES &wires_;
    ImageSurface surface_;
    std::array<QLabel *, LABCLASS::kSlots> labels_{};
};

} // namespace kmr
