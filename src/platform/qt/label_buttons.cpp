#include "platform/qt/label_buttons.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "platform/qt/event_tap.h"
#include "window/accessible_tree.h"

namespace md5z {
namespace {

// Room between a caption and its focus frame, in pixels.
constexpr int kFrameMargin = 2;

// A key or an assistive tool presses a label through the very events of a
// mouse click, so the label's enabled state, the window's and everything the
// click handler checks apply alike.
void clickAsTheMouseDoes(QLabel& label) {
    const QPointF centre = QRectF(label.rect()).center();
    const QPointF global = label.mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&label, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&label, &release);
}

bool blockedByModalBox(const QLabel& label) {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != label.window();
}

bool isPressKey(const QKeyEvent& key) {
    const auto modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier || key.isAutoRepeat()) {
        return false;
    }
    return key.key() == Qt::Key_Space || key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

// The dotted frame around the focused label-button, in its caption's color
// so that it shows on the colored faces of 加密 and 重置 as on the white rows.
// It lies above the label and lets the pointer through.
QWidget* makeFocusFrame(QWidget* client) {
    auto* frame = new QWidget(client);
    frame->setObjectName(QStringLiteral("focusFrame"));
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setFocusPolicy(Qt::NoFocus);
    frame->hide();
    tap(frame, [frame](QObject*, QEvent* event) {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        QPainter painter(frame);
        painter.setPen(QPen(frame->palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(frame->rect().adjusted(0, 0, -1, -1));
        return true;
    });
    return frame;
}

void placeFrameAround(QWidget& frame, const QLabel& label) {
    QPalette palette = frame.palette();
    palette.setColor(QPalette::WindowText, label.palette().color(QPalette::WindowText));
    frame.setPalette(palette);
    frame.setGeometry(
        label.geometry().adjusted(-kFrameMargin, -kFrameMargin, kFrameMargin, kFrameMargin));
    frame.raise();
    frame.show();
    frame.update();
}

void makeLabelButton(QLabel& label, QWidget& frame) {
    label.setFocusPolicy(Qt::TabFocus);
    tap(&label, [&label, &frame](QObject*, QEvent* event) {
        switch (event->type()) {
            case QEvent::KeyPress:
                if (isPressKey(*static_cast<QKeyEvent*>(event))) {
                    clickAsTheMouseDoes(label);
                    return true;
                }
                return false;
            case QEvent::FocusIn:
                placeFrameAround(frame, label);
                return false;
            // A copy label's caption changes width while it has the focus;
            // its color changes with it.
            case QEvent::Resize:
            case QEvent::Move:
            case QEvent::PaletteChange:
                if (label.hasFocus()) {
                    placeFrameAround(frame, label);
                }
                return false;
            case QEvent::FocusOut:
                frame.hide();
                return false;
            default:
                return false;
        }
    });
}

}  // namespace

void makeLabelButtons(const WindowWidgets& widgets) {
    QWidget* frame = makeFocusFrame(widgets.client);
    QWidget* previous = widgets.control(ControlId::Text1);
    for (const ControlId id : kLabelButtons) {
        QLabel* label = widgets.label(id);
        makeLabelButton(*label, *frame);
        QWidget::setTabOrder(previous, label);
        previous = label;
    }
}

void pressLater(QLabel& label) {
    QTimer::singleShot(0, &label, [&label] {
        if (!blockedByModalBox(label)) {
            clickAsTheMouseDoes(label);
        }
    });
}

}  // namespace md5z
