#include "platform/qt/figure.h"

#include <QPainter>
#include <algorithm>

#include "platform/qt/color.h"

namespace md5z {
namespace {

QPoint pixelPoint(int leftTwips, int topTwips) {
    return {pixels(leftTwips), pixels(topTwips)};
}

}  // namespace

QRect pixelBox(const ControlLayout& layout) {
    const auto& g = layout.geometry;
    if (layout.kind != ControlKind::Line) {
        return {pixels(g.left), pixels(g.top), pixels(g.left + g.width) - pixels(g.left),
                pixels(g.top + g.height) - pixels(g.top)};
    }
    const QPoint from = pixelPoint(g.left, g.top);
    const QPoint to = pixelPoint(g.width, g.height);
    const int reach = std::max(layout.penWidth, 1);
    return QRect(QPoint(std::min(from.x(), to.x()) - reach, std::min(from.y(), to.y()) - reach),
                 QPoint(std::max(from.x(), to.x()) + reach, std::max(from.y(), to.y()) + reach));
}

Figure::Figure(const ControlLayout& layout, QWidget* parent)
    : QWidget(parent), layout_(layout), fill_(layout.fillColor) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setObjectName(QString::fromLatin1(nameOf(layout.id)));
    setGeometry(pixelBox(layout));
}

void Figure::setFill(Color color) {
    if (color != fill_) {
        fill_ = color;
        update();
    }
}

void Figure::paintEvent(QPaintEvent*) {
    if (layout_.kind == ControlKind::Line) {
        paintLine();
    } else {
        paintShape();
    }
}

void Figure::paintShape() {
    QPainter painter(this);
    const QColor fill = qColor(fill_, palette());
    if (layout_.rounded) {
        const qreal radius = std::min(width(), height()) / qreal{kCornerDivisor};
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(layout_.penWidth > 0
                           ? QPen(qColor(layout_.foreColor, palette()), layout_.penWidth)
                           : QPen(Qt::NoPen));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), radius, radius);
        return;
    }
    painter.fillRect(rect(), fill);
    if (layout_.penWidth > 0) {
        painter.setPen(QPen(qColor(layout_.foreColor, palette()), 0));
        painter.setBrush(Qt::NoBrush);
        // The border lies inside the box, one pixel-wide ring per pixel of width.
        for (int ring = 0; ring < layout_.penWidth; ++ring) {
            painter.drawRect(rect().adjusted(ring, ring, -1 - ring, -1 - ring));
        }
    }
}

void Figure::paintLine() {
    QPainter painter(this);
    const auto& g = layout_.geometry;
    const QPoint origin = geometry().topLeft();
    painter.setPen(QPen(qColor(layout_.foreColor, palette()), std::max(layout_.penWidth, 1),
                        Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(pixelPoint(g.left, g.top) - origin, pixelPoint(g.width, g.height) - origin);
}

}  // namespace md5z
