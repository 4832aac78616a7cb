// The print form: a borderless white window showing the picture file of
// the drawing area, whose picture goes to the printer.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

class QPrinter;

namespace kmr {

class TPrintForm : public QWidget {
    Q_OBJECT
public:
    // The form for the picture in `fileName`, a window of the owner whose
    // client area has the picture's size; null when the file is missing or
    // cannot be read as a picture.
    static std::unique_ptr<TPrintForm> Create(QWidget *owner, const QString &fileName);

    const QImage &Bitmap() const { return bitmap_; }

    // Sends the window's picture to `printer`: at the size it has on the
    // screen, made smaller only where it would not fit the page. False when
    // the printer could not be started.
    bool Print(QPrinter &printer);

protected:
    void paintEvent(QPaintEvent *event) override; // FormPaint

private:
    TPrintForm(QWidget *owner, QImage bitmap);

    QImage bitmap_;
};

} // namespace kmr
