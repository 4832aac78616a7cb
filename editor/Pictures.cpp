#include "Pictures.h"

#include <QFile>

#include "PicText.h"

namespace kmr {

QImage ToImage(const Picture &picture) {
    if (picture.Empty()) return QImage();
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y) {
        auto *row = reinterpret_cast<uint32_t *>(image.scanLine(y));
        for (int x = 0; x < picture.width; ++x) row[x] = 0xFF000000 | picture.At(x, y);
    }
    return image;
}

QPixmap ProgramPicture(const QString &name) {
    QFile file(QStringLiteral(":/pictures/") + name + QStringLiteral(".pic"));
    if (!file.open(QIODevice::ReadOnly)) return QPixmap();
    const QByteArray text = file.readAll();
    Picture picture;
    if (!ParsePicText(std::string_view(text.constData(), size_t(text.size())), picture)) return QPixmap();
    return QPixmap::fromImage(ToImage(picture));
}

} // namespace kmr
