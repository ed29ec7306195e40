// The real window, offscreen, under input no one should give it: pastes and
// input-method commits of every kind, clicks as fast as events come, close requests at the worst
// moments, a clipboard that other programs keep taking. After every step
// the five rows must agree with each other and with the copy labels.

#include <openssl/evp.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <memory>
#include <string>
#include <vector>

#include "input/pinyin_initial.h"
#include "platform/code_page.h"
#include "platform/qt/qt_platform.h"
#include "window/form.h"
#include "window/layout.h"

namespace md5z {
namespace {

// The window as the program runs it.
struct RunningWindow {
    QtPlatform platform;
    Form1 form{platform};

    explicit RunningWindow(bool show = true) {
        platform.attach(form);
        if (show) {
            platform.load();
            platform.showWindow();
        }
    }

    QLabel* label(ControlId id) const { return qobject_cast<QLabel*>(platform.control(id)); }
    QString caption(ControlId id) const { return label(id)->text(); }
    QLineEdit* box() const { return qobject_cast<QLineEdit*>(platform.control(ControlId::Text1)); }
    bool enabled(ControlId id) const {
        return !platform.control(id)->testAttribute(Qt::WA_ForceDisabled);
    }

    void paste(const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        box()->setFocus();
        QTest::keySequence(box(), QKeySequence::Paste);
    }
    // As an input method hands over what was composed, e.g. a pinyin phrase.
    void commit(const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(box(), &event);
    }
    void click(ControlId id) { QTest::mouseClick(platform.control(id), Qt::LeftButton); }
};

using enum ControlId;

const QString kPlaceholder = QStringLiteral("Loading...");
const QString kReady = QStringLiteral("复制");
const QString kConfirming = QStringLiteral("已复制");
constexpr ControlId kCopyLabels[] = {fz1, fz2, fz3, fz4};
constexpr int kInputLimit = 30;
constexpr int kConfirmationMs = 2000;

QString qString(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

// The digest the rows must show for an input, from OpenSSL over the code-page
// bytes of its transliteration.
QString expectedDigest(const QString& input) {
    const std::u16string converted = pyText(input.toStdU16String());
    std::string bytes;
    for (const char16_t unit : converted) {
        bytes += static_cast<char>(CodePageValue(unit));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), size).toHex())
        .toUpper();
}

// What holds after every event: the counter and the converted text follow
// the input; the rows show either the placeholder with every copy label
// disabled, or one text and its digest with every copy label enabled.
void checkConsistent(const RunningWindow& w) {
    const QString input = w.box()->text();
    QVERIFY(input.size() <= kInputLimit);
    // The stores keep their layout values until the input first changes.
    if (!input.isEmpty() || w.caption(Label15) != QStringLiteral("@1")) {
        QCOMPARE(w.caption(Label15), qString(pyText(input.toStdU16String())));
        QCOMPARE(w.caption(Label16), QString::number(input.size()));
    }
    QCOMPARE(w.caption(Label17), QString::number(kInputLimit - input.size()));

    const bool placeholder = w.caption(Label12) == kPlaceholder;
    for (const ControlId copy : kCopyLabels) {
        QCOMPARE(w.enabled(copy), !placeholder);
        QVERIFY(w.caption(copy) == kReady || w.caption(copy) == kConfirming);
    }
    if (placeholder) {
        for (const ControlId row : {Label8, Label9, Label10, Label11}) {
            QCOMPARE(w.caption(row), kPlaceholder);
        }
        return;
    }
    const QString digest = expectedDigest(w.caption(Label8));
    QCOMPARE(w.caption(Label12), digest);
    QCOMPARE(w.caption(Label11), digest.toLower());
    QCOMPARE(w.caption(Label10), digest.mid(8, 16));
    QCOMPARE(w.caption(Label9), digest.mid(8, 16).toLower());
}

QString repeated(const QString& piece, int length) {
    QString text;
    while (text.size() < length) {
        text += piece;
    }
    return text.left(length);
}

// Runs the event loop until `condition` holds, checking after every batch
// of events: the fade's 1 ms steps pass too fast for QTRY's 50 ms polls.
template <typename Condition>
bool waitUntil(Condition condition, int timeoutMs = 10000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.hasExpired(timeoutMs)) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Answers the modal box that is up, if any, as the user's OK would.
void dismissModalBox() {
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        box->accept();
    }
}

}  // namespace

class HostileInputTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // The windows' instance lock stays away from a real md5zevrin the user
    // may be running.
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    }
    void init() { qputenv("MD5ZEVRIN_TEST_DISMISS_BOXES", "1"); }

    void pastedTextIsKeptWholeUpToThirtyUnits_data() {
        QTest::addColumn<QString>("pasted");
        QTest::newRow("control characters") << QStringLiteral("a\x01\x07\t\x1b\x7f\u0085z");
        QTest::newRow("lone surrogates")
            << QString(QChar(0xD800)) + QStringLiteral("ab") + QChar(0xDC00) + QChar(0xDBFF);
        QTest::newRow("right-to-left marks")
            << QStringLiteral("\u200F\u202Eabc\u202C\u061C\u0627\u0644");
        QTest::newRow("emoji") << QStringLiteral("😀👍🏽👨‍👩‍👧🇨🇳");
        QTest::newRow("byte-order mark first") << QStringLiteral("\uFEFFabc");
        QTest::newRow("swapped byte-order mark first") << QStringLiteral("\uFFFEN中文");
        QTest::newRow("markup") << QStringLiteral("<b>x</b>&amp;<img src=x>");
        QTest::newRow("line breaks") << QStringLiteral("one\ntwo\r\nthree\rfour\u2028five");
        QTest::newRow("non-characters") << QStringLiteral("\uFFFF\uFDD0\uFFFD");
        QTest::newRow("10,000 characters") << repeated(QStringLiteral("中文abc😀，１"), 10000);
        QTest::newRow("emoji cut at the limit") << QStringLiteral("a").repeated(29) + "😀xyz";
    }
    void pastedTextIsKeptWholeUpToThirtyUnits() {
        QFETCH(QString, pasted);
        RunningWindow w;
        w.paste(pasted);
        QCOMPARE(w.box()->text(), pasted.left(kInputLimit));
        checkConsistent(w);
        w.click(ann1);
        QCOMPARE(w.caption(Label8), w.box()->text());
        QCOMPARE(w.caption(Label12), expectedDigest(w.box()->text()));
        checkConsistent(w);
        for (const ControlId copy : kCopyLabels) {
            w.click(copy);
        }
        QCOMPARE(QGuiApplication::clipboard()->text(), w.caption(Label12));
        const QString first = w.box()->text();
        w.paste(pasted);  // at the end, as far as the limit lets it
        QCOMPARE(w.box()->text(), (first + pasted).left(kInputLimit));
        checkConsistent(w);

        w.click(ann2);
        w.commit(pasted);
        QCOMPARE(w.box()->text(), pasted.left(kInputLimit));
        w.click(ann1);
        QCOMPARE(w.caption(Label8), w.box()->text());
        checkConsistent(w);
    }

    // Every visible label clicked in turn, over and over, with edits and
    // timer ticks in between, as fast as the event loop takes them.
    void rapidClicksOnEveryLabelKeepTheRowsConsistent() {
        RunningWindow w;
        std::vector<ControlId> labels;
        for (const ControlLayout& layout : controlLayouts()) {
            if (w.label(layout.id) != nullptr &&
                w.label(layout.id)->isVisibleTo(&w.platform.window())) {
                labels.push_back(layout.id);
            }
        }
        QVERIFY(labels.size() > 10);
        const QString pieces[] = {QStringLiteral("中文abc"), QStringLiteral("😀"),
                                  QString(QChar(0xD800)), QStringLiteral("\uFFFE1"),
                                  QStringLiteral("x")};
        QRandomGenerator random(6);
        for (int round = 0; round < 40; ++round) {
            for (const ControlId id : labels) {
                w.click(id);
                checkConsistent(w);
                if (QTest::currentTestFailed()) {
                    QFAIL(
                        qPrintable(QStringLiteral("round %1, after a click on %2")
                                       .arg(round)
                                       .arg(QLatin1String(nameOf(id).data(), nameOf(id).size()))));
                }
                if (random.bounded(4) == 0) {
                    w.paste(pieces[random.bounded(5)]);
                }
                if (random.bounded(8) == 0) {
                    QTest::qWait(random.bounded(3));
                }
            }
        }
        QVERIFY(!w.platform.ended());
    }

    // A close request while the start-up notice waits for its OK: the fade
    // runs meanwhile and ends the program, notice or not.
    void closeDuringTheStartUpNoticeEndsThroughTheFade() {
        qunsetenv("MD5ZEVRIN_TEST_DISMISS_BOXES");
        RunningWindow w(false);
        bool noticeWasUp = false;
        QTimer::singleShot(50, [&] {
            noticeWasUp = QApplication::activeModalWidget() != nullptr;
            w.platform.window().close();
            QTimer::singleShot(200, dismissModalBox);  // in case the program still runs
        });
        w.platform.load();
        QVERIFY(noticeWasUp);
        QTRY_VERIFY_WITH_TIMEOUT(w.platform.ended(), 10000);
        QVERIFY(!w.platform.window().isVisible());
    }

    // The close request stays refused during the fade and starts it over;
    // input reaches nothing while it runs, and the program ends on its own.
    void closeRequestsDuringTheFadeRestartItUntilItEnds() {
        RunningWindow w;
        w.paste(QStringLiteral("中文abc"));
        w.click(ann1);
        const QString digest = w.caption(Label12);
        QWindow* handle = w.platform.window().windowHandle();
        QVERIFY(handle != nullptr);

        w.platform.window().close();
        QVERIFY(w.platform.window().isVisible());
        QVERIFY(!w.platform.window().isEnabled());
        QVERIFY(waitUntil([&] { return w.platform.window().windowOpacity() < 0.5; }));
        handle->close();  // as the desktop asks, e.g. at log-out
        QVERIFY(!w.platform.ended());
        QVERIFY(waitUntil([&] { return w.platform.window().windowOpacity() > 0.85; }));
        for (const ControlId id : {ann2, fz1, ann1, fz4}) {
            w.click(id);
        }
        w.paste(QStringLiteral("more"));
        QCOMPARE(w.caption(Label12), digest);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("more"));
        QTRY_VERIFY_WITH_TIMEOUT(w.platform.ended(), 10000);
        QVERIFY(!w.platform.window().isVisible());
        w.platform.window().close();
        w.click(ann1);
        QCOMPARE(w.caption(Label12), digest);
    }

    // With no owner, or with another program's data of another format on
    // the clipboard, or with the clipboard taken back during the
    // confirmation, every copy label confirms for its two seconds.
    void copyConfirmationDoesNotDependOnTheClipboard() {
        RunningWindow w;
        w.paste(QStringLiteral("abc"));
        w.click(ann1);
        QGuiApplication::clipboard()->clear();
        auto* foreign = new QMimeData;
        foreign->setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
        QGuiApplication::clipboard()->setMimeData(foreign);

        w.click(fz1);
        QCOMPARE(w.caption(fz1), kConfirming);
        const QMimeData* held = QGuiApplication::clipboard()->mimeData();
        QVERIFY(held != nullptr);
        QCOMPARE(held->formats(), QStringList{QStringLiteral("text/plain")});
        QCOMPARE(held->text(), w.caption(Label9));

        QGuiApplication::clipboard()->clear();  // another program takes it back
        w.click(fz2);
        QGuiApplication::clipboard()->setText(QStringLiteral("someone else"));
        for (const ControlId copy : {fz1, fz2}) {
            QCOMPARE(w.caption(copy), kConfirming);
        }
        QTRY_COMPARE_WITH_TIMEOUT(w.caption(fz2), kReady, kConfirmationMs + 1000);
        QCOMPARE(w.caption(fz1), kReady);
        checkConsistent(w);
    }

  private:
    QTemporaryDir runtime_;
};

}  // namespace md5z

QTEST_MAIN(md5z::HostileInputTest)
#include "hostile_input_test.moc"
