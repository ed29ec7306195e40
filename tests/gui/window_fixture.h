#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "platform/qt/fonts.h"
#include "platform/qt/qt_platform.h"
#include "window/form.h"

namespace md5z::test {

// What a modal box showed before it was accepted.
struct CaughtBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QPixmap iconPixmap;
};

// Runs `action`, accepting the first modal message box it shows and
// returning what the box showed (nothing if no box appeared).
inline std::optional<CaughtBox> catchBox(const std::function<void()>& action) {
    std::optional<CaughtBox> caught;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || caught) {
            return;
        }
        caught = CaughtBox{box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                           box->iconPixmap()};
        box->accept();
    });
    poll.start();
    action();
    return caught;
}

// Keeps the single-instance lock of the windows under test away from a
// real md5zevrin the user may be running. Call before any window is made.
inline void isolateRuntimeDirectory(const QTemporaryDir& directory) {
    qputenv("XDG_RUNTIME_DIR", directory.path().toLocal8Bit());
}

// Types `text` into `box`: Latin-1 characters as key presses, anything else
// (Chinese) committed by an input method, as it reaches the box on a desktop.
inline void typeInto(QWidget* box, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x100) {
            QTest::keyClick(box, c.toLatin1());
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(box, &commit);
        }
    }
}

inline QString qText(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The window as the program starts it: built, loaded (its notice accepted)
// and shown.
struct Window {
    QtPlatform platform;
    Form1 form{platform};
    std::optional<CaughtBox> notice;

    Window() {
        platform.attach(form);
        notice = catchBox([this] { platform.load(); });
        if (!platform.ended()) {
            platform.showWindow();
            (void)QTest::qWaitForWindowExposed(&platform.window());
        }
    }

    QWidget* control(ControlId id) const { return platform.control(id); }
    QLabel* label(ControlId id) const { return qobject_cast<QLabel*>(control(id)); }
    QLineEdit* input() const { return qobject_cast<QLineEdit*>(control(ControlId::Text1)); }
    QWidget* client() const { return control(ControlId::Form1); }
    QString caption(ControlId id) const { return label(id)->text(); }
};

}  // namespace md5z::test
