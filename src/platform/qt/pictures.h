#pragma once

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "window/controls.h"

namespace md5z {

// The program's pictures, read from the resources built into the program.
QIcon programIcon();
QPixmap programIconPixmap();
// The background picture stretched to `size` pixels. The file's picture is
// dropped once stretched, so a caller that keeps the result keeps one copy.
QImage backgroundPicture(QSize size);
// The mouse pointer a control takes for a picture: the command pointer with
// the hot spot its file records, the program icon with its centre as hot
// spot. Picture::None has no pointer of its own.
QCursor pointerOf(Picture picture);

}  // namespace md5z
