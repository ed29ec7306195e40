// The window on its real widgets as the window tests build it, and the
// set-up every one of those tests needs first.
#pragma once

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>

#include "platform/qt/fonts.h"
#include "platform/qt/qt_platform.h"

namespace md5z {

inline constexpr ControlId kCopyLabels[] = {ControlId::fz1, ControlId::fz2, ControlId::fz3,
                                            ControlId::fz4};

// Keeps the instance lock in `runtime`, away from a md5zevrin the user may be
// running, and gives the widgets the program's fonts.
inline void prepareWindowTests(const QTemporaryDir& runtime) {
    QVERIFY(runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    setUpFonts();
}

// The window's widgets with its logic attached, not yet loaded or shown.
struct TestWindow {
    QtPlatform platform;
    md5z::Form1 form{platform};

    TestWindow() { platform.attach(form); }
    QMainWindow& main() const { return platform.window(); }
    QWidget* control(ControlId id) const { return platform.control(id); }
    QLabel* label(ControlId id) const { return qobject_cast<QLabel*>(control(id)); }
    QString caption(ControlId id) const { return label(id)->text(); }
    QLineEdit* box() const { return qobject_cast<QLineEdit*>(control(ControlId::Text1)); }
    void click(ControlId id) const { QTest::mouseClick(control(id), Qt::LeftButton); }
    // As an input method hands over what was composed.
    void commit(const QString& text) const {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(box(), &event);
    }
};

}  // namespace md5z
