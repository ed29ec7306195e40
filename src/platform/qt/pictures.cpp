#include "platform/qt/pictures.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace md5z {
namespace {

const char* const kIconPath = ":/assets/md5zevrin.ico";
const char* const kCommandPointerPath = ":/assets/command.cur";
const char* const kBackgroundPath = ":/assets/background.bmp";

// A cursor file's first directory entry keeps the hot spot where an icon
// keeps its planes and bit count: two little-endian 16-bit words.
constexpr qsizetype kHotSpotOffset = 6 + 4;

// Renderings of the program icon for screens above the design scale, where
// the build could make them.
const char* const kLargerIconPaths[] = {":/icon/64.png", ":/icon/128.png"};

// The screens' largest device pixel ratio: pointers are made once, for the
// sharpest screen. A pointer's hot spot is given in the pixels of its
// picture, not in the window's.
qreal pointerScale() {
    return std::max<qreal>(1, qApp != nullptr ? qApp->devicePixelRatio() : 1);
}

// A pixel drawing enlarged for a screen of `scale`: whole multiples keep
// every pixel a sharp square, other ratios are smoothed.
QPixmap enlarged(const QImage& image, qreal scale) {
    const bool whole = scale == std::floor(scale);
    QPixmap pixmap =
        QPixmap::fromImage(image.scaled(image.size() * scale, Qt::IgnoreAspectRatio,
                                        whole ? Qt::FastTransformation : Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

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
    const qreal scale = pointerScale();
    return QCursor(enlarged(image, scale), qRound(hotX * scale), qRound(hotY * scale));
}

QCursor iconPointer() {
    const QPixmap design = programIconPixmap();
    const qreal scale = pointerScale();
    QPixmap pointer = programIcon().pixmap(design.size(), scale);
    pointer.setDevicePixelRatio(scale);
    return QCursor(pointer, pointer.width() / 2, pointer.height() / 2);
}

}  // namespace

QIcon programIcon() {
    QIcon icon(QString::fromLatin1(kIconPath));
    for (const char* path : kLargerIconPaths) {
        if (QFile::exists(QString::fromLatin1(path))) {
            icon.addFile(QString::fromLatin1(path));
        }
    }
    return icon;
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
        case Picture::ProgramIcon:
            return iconPointer();
        case Picture::None:
            break;
    }
    return QCursor(Qt::ArrowCursor);
}

}  // namespace md5z
