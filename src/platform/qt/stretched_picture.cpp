#include "platform/qt/stretched_picture.h"

#include <QPainter>

#include "platform/qt/pictures.h"

namespace md5z {

StretchedPicture::StretchedPicture(const QRect& box, QWidget* parent) : QWidget(parent) {
    setGeometry(box);
    stretchToCover();
}

void StretchedPicture::stretchToCover() {
    const qreal ratio = devicePixelRatioF();
    const QSize covered = (QSizeF(size()) * ratio).toSize();
    if (stretched_.size() != covered) {
        stretched_ = backgroundPicture(covered);
        stretched_.setDevicePixelRatio(ratio);
    }
}

void StretchedPicture::paintEvent(QPaintEvent*) {
    stretchToCover();
    QPainter(this).drawImage(QPoint(0, 0), stretched_);
}

}  // namespace md5z
