#include "platform/qt/pictures.h"

#include <QFile>
#include <QImage>
#include <QtEndian>

namespace md5z {
namespace {

const char* const kIconPath = ":/assets/md5zevrin.ico";
const char* const kCommandPointerPath = ":/assets/command.cur";
const char* const kBackgroundPath = ":/assets/background.bmp";

// A cursor file's first directory entry keeps the hot spot where an icon
// keeps its planes and bit count: two little-endian 16-bit words.
constexpr qsizetype kHotSpotOffset = 6 + 4;

QCursor commandPointer() {
    QFile file(QString::fromLatin1(kCommandPointerPath));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    const QImage image = QImage::fromData(data, "cur");
    if (image.isNull() || data.size() < kHotSpotOffset + 4) {
        return {};
    }
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const int hotX = qFromLittleEndian<quint16>(bytes + kHotSpotOffset);
    const int hotY = qFromLittleEndian<quint16>(bytes + kHotSpotOffset + 2);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace

QIcon programIcon() {
    return QIcon(QString::fromLatin1(kIconPath));
}

QPixmap programIconPixmap() {
    return QPixmap(QString::fromLatin1(kIconPath));
}

QImage backgroundPicture(QSize size) {
    QImage stretched = QImage(QString::fromLatin1(kBackgroundPath))
                           .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // The picture is opaque: three bytes a pixel hold all of it, a quarter
    // less than the four of the file's own format.
    if (!stretched.hasAlphaChannel()) {
        stretched.convertTo(QImage::Format_RGB888);
    }
    return stretched;
}

QCursor pointerOf(Picture picture) {
    switch (picture) {
        case Picture::CommandPointer:
            return commandPointer();
        case Picture::ProgramIcon: {
            const QPixmap icon = programIconPixmap();
            return QCursor(icon, icon.width() / 2, icon.height() / 2);
        }
        case Picture::None:
            break;
    }
    return QCursor(Qt::ArrowCursor);
}

}  // namespace md5z
