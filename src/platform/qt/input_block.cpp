#include "platform/qt/input_block.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "platform/qt/event_tap.h"

namespace md5z {
namespace {

// Everything by which a person acts on a window: pointer, keyboard, input
// methods, drops, touch, and the tooltips and menus they call up.
bool isInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::ContextMenu:
        case QEvent::ToolTip:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

}  // namespace

// The filter sits on the application, which sees every event before its
// widget does, and belongs to the window, so it goes when the window goes.
InputBlock::InputBlock(QWidget& window) {
    QWidget* const watchedWindow = &window;
    QCoreApplication::instance()->installEventFilter(new EventTap(
        [blocked = blocked_, watchedWindow](QObject* watched, QEvent* event) {
            if (!*blocked || !isInput(event->type()) || !watched->isWidgetType()) {
                return false;
            }
            return static_cast<QWidget*>(watched)->window() == watchedWindow;
        },
        &window));
}

}  // namespace md5z
