#include "platform/qt/design_size.h"

#include <QWidget>

#include "platform/qt/wayland.h"

namespace md5z {
namespace {

int limitFor(int size) {
    return onWeston() ? QWIDGETSIZE_MAX : size;
}

}  // namespace

bool holdWidth(QWidget& window, int width) {
    if (window.minimumWidth() != width || window.maximumWidth() != limitFor(width)) {
        window.setMinimumWidth(width);
        window.setMaximumWidth(limitFor(width));
        window.resize(width, window.height());
        return true;
    }
    if (window.width() != width) {
        window.resize(width, window.height());
    }
    return false;
}

bool holdHeight(QWidget& window, int height) {
    if (window.minimumHeight() != height || window.maximumHeight() != limitFor(height)) {
        window.setMinimumHeight(height);
        window.setMaximumHeight(limitFor(height));
        window.resize(window.width(), height);
        return true;
    }
    if (window.height() != height) {
        window.resize(window.width(), height);
    }
    return false;
}

}  // namespace md5z
