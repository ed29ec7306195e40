// The background picture as the window draws it: stretched smoothly to the
// image control's box, with every pixel of the bitmap's colors, from one
// copy of three bytes a pixel.
#include <QImage>
#include <QTest>

#include "platform/qt/figure.h"
#include "platform/qt/pictures.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/stretched_picture.h"
#include "window/form.h"
#include "window/layout.h"

namespace md5z {
namespace {

const QString kBitmap = QStringLiteral(":/assets/background.bmp");
constexpr int kOpaqueBytesPerPixel = 3;

// What stretching the bitmap to `size` shows, in the screen's pixel format.
QImage expectedAt(QSize size) {
    return QImage(kBitmap)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class PicturesTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void backgroundIsTheBitmapStretched_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("the image control's box") << pixelBox(layoutOf(ControlId::Image2)).size();
        QTest::newRow("the bitmap's own size") << QImage(kBitmap).size();
        QTest::newRow("twice the box, for a 2x screen")
            << pixelBox(layoutOf(ControlId::Image2)).size() * 2;
        QTest::newRow("one pixel") << QSize(1, 1);
    }

    void backgroundIsTheBitmapStretched() {
        QFETCH(QSize, size);
        const QImage stretched = backgroundPicture(size);
        QCOMPARE(stretched.size(), size);
        QVERIFY(!stretched.hasAlphaChannel());
        QCOMPARE(stretched.convertToFormat(QImage::Format_RGB32), expectedAt(size));
    }

    // The control on the real window: what it draws is the stretched bitmap
    // pixel for pixel, and all it keeps is that picture, three bytes a pixel.
    void imageControlDrawsItsOneCopy() {
        QtPlatform platform;
        Form1 form(platform);
        platform.attach(form);
        auto* image = dynamic_cast<StretchedPicture*>(platform.control(ControlId::Image2));
        QVERIFY(image != nullptr);
        const QSize box = pixelBox(layoutOf(ControlId::Image2)).size();
        QCOMPARE(image->size(), box);

        QCOMPARE(image->grab().toImage().convertToFormat(QImage::Format_RGB32), expectedAt(box));
        const qsizetype rowBytes = (box.width() * kOpaqueBytesPerPixel + 3) / 4 * 4;
        QVERIFY(image->stretched().sizeInBytes() <= rowBytes * box.height());
    }
};

}  // namespace md5z

QTEST_MAIN(md5z::PicturesTest)
#include "pictures_test.moc"
