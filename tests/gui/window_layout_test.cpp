// The window as it appears: geometry, stacking, captions, menu, fonts,
// pointers and the start-up state.

#include <QFontDatabase>
#include <QFontInfo>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolTip>
#include <cstdlib>

#include "platform/qt/figure.h"
#include "window_fixture.h"

using namespace md5z;
using namespace md5z::test;
using enum ControlId;

class WindowLayoutTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

  private Q_SLOTS:
    void initTestCase() {
        isolateRuntimeDirectory(runtime_);
        substituteMissingFaces();
    }

    void startsWithTheNoticeAndTheDesignState() {
        Window window;
        QVERIFY(window.notice);
        QCOMPARE(window.notice->title, QStringLiteral("提示"));
        QCOMPARE(window.notice->text,
                 QStringLiteral("MD5并不支持加密中文, 如输入了中文会自动转换成缩写并加密"));
        QCOMPARE(window.notice->icon, QMessageBox::Information);
        QCOMPARE(window.notice->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

        QCOMPARE(window.platform.window().windowTitle(), QStringLiteral("MD5Zevrin"));
        QVERIFY(!window.platform.window().windowIcon().isNull());
        QCOMPARE(qRound(window.platform.window().windowOpacity() * 255), 235);
        QCOMPARE(window.input()->echoMode(), QLineEdit::Normal);
        QCOMPARE(window.platform.window().focusWidget(), window.input());
        for (const ControlId row : {Label8, Label9, Label10, Label11, Label12}) {
            QCOMPARE(window.caption(row), QStringLiteral("Loading..."));
        }
        QCOMPARE(window.caption(Label17), QStringLiteral("30"));
        for (const ControlId copy : {fz1, fz2, fz3, fz4}) {
            QVERIFY(!window.label(copy)->isEnabled());
        }
        QVERIFY(window.label(Label14)->isHidden());
    }

    void holdsItsDesignSizeWithoutMaximizeButton() {
        Window window;
        QMainWindow& main = window.platform.window();
        QCOMPARE(window.client()->size(), QSize(639, 335));
        QCOMPARE(main.minimumSize(), main.maximumSize());
        QCOMPARE(main.size(), main.minimumSize());
        QCOMPARE(main.height(), 335 + main.menuBar()->height());
        QVERIFY(!(main.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(main.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(main.windowFlags() & Qt::WindowCloseButtonHint);
        // The background picture reaches past the client area, which clips it.
        QCOMPARE(window.control(Image2)->geometry(), QRect(0, 0, 641, 337));
    }

    // Every pair of overlapping controls is stacked as the catalogue lists
    // them, first entry on top.
    void stacksTheControlsInCatalogueOrder() {
        Window window;
        const QObjectList stack = window.client()->children();  // bottom first
        const auto depth = [&](ControlId id) { return stack.indexOf(window.control(id)); };
        const auto catalogue = controlLayouts();
        for (std::size_t upper = 0; upper < catalogue.size(); ++upper) {
            for (std::size_t lower = upper + 1; lower < catalogue.size(); ++lower) {
                const QWidget* a = window.control(catalogue[upper].id);
                const QWidget* b = window.control(catalogue[lower].id);
                if (a->geometry().intersects(b->geometry())) {
                    QVERIFY2(depth(catalogue[upper].id) > depth(catalogue[lower].id),
                             qPrintable(a->objectName() + " under " + b->objectName()));
                }
            }
        }
    }

    void findsTheTopControlAtOverlappingPoints_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("control");
        QTest::newRow("ann1 over Shape3") << QPoint(7460, 1540) << "ann1";
        QTest::newRow("ann2 over Shape4") << QPoint(8060, 1540) << "ann2";
        QTest::newRow("Text1 over hidden Label15") << QPoint(3200, 1450) << "Text1";
        QTest::newRow("Label8 over Shape1") << QPoint(2250, 2500) << "Label8";
        QTest::newRow("Label3 over Shape2") << QPoint(1350, 2500) << "Label3";
        // Shapes and lines let the pointer through to the background.
        QTest::newRow("Shape3's margin") << QPoint(7215, 1560) << "Image2";
        QTest::newRow("Line2") << QPoint(4000, 2760) << "Image2";
        QTest::newRow("Shape1") << QPoint(6000, 2500) << "Image2";
    }

    void findsTheTopControlAtOverlappingPoints() {
        QFETCH(QPoint, point);
        QFETCH(QString, control);
        Window window;
        const QWidget* found = window.client()->childAt(pixels(point.x()), pixels(point.y()));
        QVERIFY(found != nullptr);
        QCOMPARE(found->objectName(), control);
    }

    void paintsShapesAboveTheBackground() {
        Window window;
        const QImage shot = window.client()->grab().toImage();
        const QPalette palette = window.client()->palette();
        QCOMPARE(shot.pixelColor(pixels(7215), pixels(1560)), palette.color(QPalette::Highlight));
        QCOMPARE(shot.pixelColor(pixels(7815), pixels(1560)), QColor(0x00, 0xC0, 0x00));
        QCOMPARE(shot.pixelColor(pixels(6000), pixels(2500)), palette.color(QPalette::Base));
        QCOMPARE(shot.pixelColor(pixels(1000), pixels(2800)), QColor(0xE0, 0xE0, 0xE0));
        QCOMPARE(shot.pixelColor(pixels(720), pixels(3000)), QColor(0x80, 0x80, 0x80));
        QCOMPARE(shot.pixelColor(pixels(4000), pixels(2760)), QColor(0x80, 0x80, 0x80));
    }

    void keepsTheHiddenStoresHidden() {
        Window window;
        typeInto(window.input(), "abc");
        for (const ControlId store : {Label13, Label15, Label16}) {
            QVERIFY(window.label(store)->isHidden());
            QVERIFY(!window.label(store)->isVisible());
        }
        QCOMPARE(window.caption(Label15), QStringLiteral("ABC"));
    }

    void labelsAreTransparentPlainText() {
        Window window;
        for (const auto& layout : controlLayouts()) {
            if (layout.kind == ControlKind::Label) {
                QVERIFY(!window.label(layout.id)->autoFillBackground());
                QCOMPARE(window.label(layout.id)->textFormat(), Qt::PlainText);
            }
        }
    }

    void carriesTheTooltipsAndAccessibleNames() {
        Window window;
        for (const auto& layout : controlLayouts()) {
            QCOMPARE(window.control(layout.id)->toolTip(), qText(layout.toolTip));
        }
        for (const ControlId command : {ann1, ann2, fz1, fz2, fz3, fz4}) {
            QCOMPARE(window.control(command)->accessibleName(), qText(layoutOf(command).toolTip));
        }
    }

    void showsTheTooltipOfAnEnabledCopyLabel() {
        Window window;
        typeInto(window.input(), "a");
        QTest::keyClick(window.input(), Qt::Key_Return);
        QLabel* copy = window.label(fz2);
        QVERIFY(copy->isEnabled());
        QHelpEvent help(QEvent::ToolTip, copy->rect().center(),
                        copy->mapToGlobal(copy->rect().center()));
        QApplication::sendEvent(copy, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("点击以复制左边的字符串"));
        QToolTip::hideText();
    }

    void offersTheMenuInOrder() {
        Window window;
        const auto menus = window.platform.window().menuBar()->actions();
        QCOMPARE(menus.size(), 1);
        QCOMPARE(menus[0]->text(), QStringLiteral("关于(&G)"));
        QCOMPARE(QKeySequence::mnemonic(menus[0]->text()), QKeySequence(Qt::ALT | Qt::Key_G));
        const auto items = menus[0]->menu()->actions();
        const QStringList expected{"MD5是什么?", "Zevrin官网",    "进入示例软件站", "知识产权法 ->",
                                   "",           "联系开发者...", "(C)程序版权"};
        QCOMPARE(items.size(), expected.size());
        for (int i = 0; i < items.size(); ++i) {
            QCOMPARE(items[i]->text(), expected[i]);
            QCOMPARE(items[i]->isSeparator(), i == 4);
            QVERIFY(items[i]->isEnabled() && items[i]->isVisible());
        }
    }

    void usesTheFacesByNameAtExactSizes() {
        Window window;
        const QFont title = window.label(Label1)->font();
        QCOMPARE(title.family(), QStringLiteral("微软雅黑"));
        QCOMPARE(title.pointSizeF(), 27.75);
        const QFont copy = window.label(fz1)->font();
        QCOMPARE(copy.family(), QStringLiteral("宋体"));
        QCOMPARE(copy.pointSizeF(), 10.5);
        QVERIFY(copy.italic() && copy.underline());
        QVERIFY(window.label(Label14)->font().bold());
        QCOMPARE(window.input()->font().pointSizeF(), 12.0);
        // Missing faces resolve to an installed Chinese face, not to a
        // Latin fallback.
        for (const QString& face : {QStringLiteral("宋体"), QStringLiteral("微软雅黑")}) {
            const QString shown = QFontInfo(QFont(face)).family();
            QVERIFY2(
                QFontDatabase::writingSystems(shown).contains(QFontDatabase::SimplifiedChinese),
                qPrintable(face + " shows as " + shown));
        }
    }

    void givesTheLabelsTheirPointers() {
        Window window;
        for (const ControlId id : {ann1, ann2, fz1, fz2, fz3, fz4}) {
            const QCursor pointer = window.control(id)->cursor();
            QCOMPARE(pointer.shape(), Qt::BitmapCursor);
            QCOMPARE(pointer.hotSpot(), QPoint(12, 2));
            QCOMPARE(pointer.pixmap().size(), QSize(32, 32));
        }
        const QCursor title = window.control(Label1)->cursor();
        QCOMPARE(title.shape(), Qt::BitmapCursor);
        QCOMPARE(title.hotSpot(), QPoint(16, 16));
        QCOMPARE(window.control(Label2)->cursor().shape(), Qt::ArrowCursor);
    }

    // Auto-size labels follow their captions and keep the edge their
    // alignment names.
    void fitsAutoSizeLabelsToTheirCaptions() {
        Window window;
        QLabel* left = window.label(Label8);
        QLabel* right = window.label(fz1);
        QLabel* centred = window.label(ann1);
        const int leftEdge = left->geometry().left();
        const int rightEdge = right->geometry().right();
        const int centre = centred->geometry().center().x();
        const int width = left->width();
        window.platform.setCaption(Label8, u"a much longer caption than Loading...");
        window.platform.setCaption(fz1, u"已复制");
        window.platform.setCaption(ann1, u"加密加密");
        QVERIFY(left->width() > width);
        QCOMPARE(left->geometry().left(), leftEdge);
        QCOMPARE(right->geometry().right(), rightEdge);
        QVERIFY(std::abs(centred->geometry().center().x() - centre) <= 1);
        QCOMPARE(left->width(), left->sizeHint().width());
    }

    void greysDisabledLabels() {
        Window window;
        const QPalette palette = window.label(fz1)->palette();
        QCOMPARE(palette.color(QPalette::Active, QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(palette.color(QPalette::Disabled, QPalette::WindowText) != QColor(0, 0, 255));
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
