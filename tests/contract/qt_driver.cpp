// The rows on the real Qt window, offscreen, with its own timers: mouse and
// keys go to whatever widget lies under the point or has the focus, colours
// are read from the drawn pixels, durations from the clock.
#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QTest>
#include <QUrl>

#include "contract.h"
#include "platform/qt/fonts.h"
#include "platform/qt/qt_platform.h"
#include "window/layout.h"

namespace md5z::contract {

// Where the window hands addresses to the browser.
class Browser : public QObject {
    Q_OBJECT
  public:
    std::u16string opened;
  public Q_SLOTS:
    void open(const QUrl& address) { opened = address.toString().toStdU16String(); }
};

namespace {

// A window with its logic, its boxes answered as they show.
struct Instance {
    QtPlatform platform;
    Form1 form{platform};
    std::vector<ShownBox> boxes;

    Instance() {
        platform.attach(form);
        platform.answerBoxesWith([this](QMessageBox& box) {
            boxes.push_back({box.windowTitle().toStdU16String(), box.text().toStdU16String()});
            box.accept();
        });
        platform.load();
    }
};

Color rgbOf(QColor c) {
    return rgb(c.red(), c.green(), c.blue());
}

class QtDriver final : public Driver {
  public:
    QtDriver() {
        QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser_, "open");
        first_ = std::make_unique<Instance>();
        QApplication::setActiveWindow(&main());
        (void)QTest::qWaitForWindowActive(&main());
    }
    ~QtDriver() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }

    // Timers tick at most once a display frame.
    Pace pace() const override { return {16, 16}; }

    // Latin-1 as keys, anything else as an input method commits it.
    void type(std::u16string_view text) override {
        for (const char16_t unit : text) {
            if (unit < 0x100) {
                QTest::keyClick(box(), static_cast<char>(unit));
            } else {
                QInputMethodEvent event;
                event.setCommitString(QString(QChar(unit)));
                QApplication::sendEvent(box(), &event);
            }
        }
    }
    void paste(std::u16string_view text) override {
        QGuiApplication::clipboard()->setText(QString::fromStdU16String(std::u16string(text)));
        QTest::keySequence(box(), QKeySequence::Paste);
    }
    // The release goes to the widget pressed, wherever the pointer is.
    void drag(ControlId from, ControlId to) override {
        QWidget* target = widgetAt(centre(from));
        QTest::mousePress(target, Qt::LeftButton, {}, target->mapFrom(client(), centre(from)));
        QTest::mouseRelease(target, Qt::LeftButton, {}, target->mapFrom(client(), centre(to)));
    }
    void press(Key key) override {
        constexpr Qt::Key kKeys[] = {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Tab,
                                     Qt::Key_Backtab, Qt::Key_Space};
        QWidget* focus = main().focusWidget();
        QTest::keyClick(focus != nullptr ? focus : box(), kKeys[static_cast<int>(key)]);
    }
    void hover(ControlId id) override {
        const QPoint at = centre(id);
        QWidget* target = widgetAt(at);
        QTest::mouseMove(target, target->mapFrom(client(), at));
    }
    // By its place in the menu, as a person finds it.
    void choose(MenuId item) override {
        QMenu* menu = main().menuBar()->actions().first()->menu();
        menu->actions().at(static_cast<int>(indexOf(item)) - 1)->trigger();
        QCoreApplication::processEvents();
    }
    void wait(int ms) override { QTest::qWait(ms); }
    void maximize() override { main().showMaximized(); }
    void close() override { main().close(); }
    void startAnother() override { second_ = std::make_unique<Instance>(); }
    void changeUnnoticed(std::u16string_view text) override {
        const QSignalBlocker unnoticed(box());
        box()->setText(QString::fromStdU16String(std::u16string(text)));
    }

    std::u16string caption(ControlId id) override { return first_->platform.caption(id); }
    std::u16string input() override { return box()->displayText().toStdU16String(); }
    std::u16string clipboard() override {
        return QGuiApplication::clipboard()->text().toStdU16String();
    }
    // System colours are the desktop's: greyed text and the highlight.
    bool drawn(ControlId id, Color color) override {
        const QImage image = client()->grab().toImage();
        const QPalette& palette = control(id)->palette();
        const QColor system = color == kGreyedText
                                  ? palette.color(QPalette::Disabled, QPalette::WindowText)
                                  : palette.color(QPalette::Active, QPalette::Highlight);
        const QRect box = control(id)->geometry() & image.rect();
        return shows(
            id, (color & kSystemColorFlag) != 0 ? rgbOf(system) : color, box.width(), box.height(),
            [&](int x, int y) { return rgbOf(image.pixelColor(box.topLeft() + QPoint(x, y))); });
    }
    int opacity() override { return qRound(main().windowOpacity() * 255); }
    bool ended() override { return first_->platform.ended() && !main().isVisible(); }
    ShownBox lastBox() override {
        return first_->boxes.empty() ? ShownBox{} : first_->boxes.back();
    }
    std::u16string opened() override { return browser_.opened; }
    bool focused(ControlId id) override { return main().focusWidget() == control(id); }
    Accessible accessible(ControlId id) override {
        QAccessibleInterface* seen = QAccessible::queryAccessibleInterface(control(id));
        const QAccessible::Role role = seen->role();
        const Spoken as = role == QAccessible::Button         ? Spoken::Button
                          : role == QAccessible::StaticText   ? Spoken::Text
                          : role == QAccessible::EditableText ? Spoken::Entry
                                                              : static_cast<Spoken>(role);
        return {as, seen->text(QAccessible::Name).toStdU16String(),
                seen->text(QAccessible::Value).toStdU16String(), !seen->state().disabled,
                seen->text(QAccessible::Description).toStdU16String()};
    }
    bool atDesignSize() override {
        return main().windowState() == Qt::WindowNoState &&
               !(main().windowFlags() & Qt::WindowMaximizeButtonHint) &&
               main().size() == main().minimumSize() && main().size() == main().maximumSize() &&
               client()->size() ==
                   QSize(pixels(kFormLayout.clientWidth), pixels(kFormLayout.clientHeight));
    }
    bool idle() override { return !first_->platform.housekeepingAwake(); }
    bool anotherEndedUnseen() override {
        return second_->platform.ended() && !second_->platform.window().isVisible() &&
               second_->boxes.empty() && !ended() && main().isVisible();
    }

  private:
    QMainWindow& main() const { return first_->platform.window(); }
    QWidget* control(ControlId id) const { return first_->platform.control(id); }
    QWidget* client() const { return control(ControlId::Form1); }
    QLineEdit* box() const { return qobject_cast<QLineEdit*>(control(ControlId::Text1)); }
    // Where a person points at a control: its centre, or where it shows.
    QPoint centre(ControlId id) const {
        const QRect box = control(id)->geometry();
        QPoint at = box.center();
        for (int y = box.top(); y <= box.bottom() && widgetAt(at) != control(id); ++y) {
            for (int x = box.left(); x <= box.right() && widgetAt(at) != control(id); ++x) {
                at = {x, y};
            }
        }
        return at;
    }
    // The widget a person points at there: the topmost.
    QWidget* widgetAt(QPoint at) const {
        QWidget* found = client()->childAt(at);
        return found != nullptr ? found : client();
    }

    Browser browser_;
    std::unique_ptr<Instance> first_;
    std::unique_ptr<Instance> second_;
};

}  // namespace

const unsigned kDriverCapabilities = kWidgets | kBrowser;

std::unique_ptr<Driver> makeDriver() {
    return std::make_unique<QtDriver>();
}

}  // namespace md5z::contract

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    md5z::setUpFonts();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "qt_driver.moc"
