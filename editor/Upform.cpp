#include "Upform.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

namespace kmr {

std::unique_ptr<TPrintForm> TPrintForm::Create(QWidget *owner, const QString &fileName) {
    QImage bitmap(fileName);
    if (bitmap.isNull()) return nullptr;
    return std::unique_ptr<TPrintForm>(new TPrintForm(owner, std::move(bitmap)));
}

TPrintForm::TPrintForm(QWidget *owner, QImage bitmap)
    : QWidget(owner, Qt::Window | Qt::FramelessWindowHint), bitmap_(std::move(bitmap)) {
    setObjectName(QStringLiteral("PrintForm"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setFixedSize(bitmap_.size());
}

void TPrintForm::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.drawImage(0, 0, bitmap_);
}

bool TPrintForm::Print(QPrinter &printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // Screen pixels become printer dots at the screen's size; a picture
    // wider or higher than the page is made to fit it.
    const QRect page = painter.viewport();
    double scale = double(printer.resolution()) / std::max(1, logicalDpiX());
    if (width() * scale > page.width()) scale = double(page.width()) / width();
    if (height() * scale > page.height()) scale = double(page.height()) / height();
    painter.scale(scale, scale);
    render(&painter);
    return painter.end();
}

} // namespace kmr
