// The program's own pictures (mode buttons, icon, window pictures), kept as
// readable text pictures among the program's resources, and the conversion
// of engine pictures for the screen.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

#include "Picture.h"

namespace kmr {

// The engine picture as a 32-bit image; a null image for an empty picture.
QImage ToImage(const Picture &picture);

// The program picture `name` ("main", "delete", "move", "solder", "ask",
// "go", "icon", "tip", "message"); a null pixmap when it is missing.
QPixmap ProgramPicture(const QString &name);

} // namespace kmr
