// The three pictures: their file formats, and that every caption drawn on
// the background stays readable.

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cmath>

#include "platform/qt/figure.h"
#include "window_fixture.h"

using namespace md5z;
using namespace md5z::test;

namespace {

QByteArray readAsset(const char* name) {
    QFile file(QStringLiteral(MD5Z_ASSETS_DIR "/") + QString::fromLatin1(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

template <typename T>
T field(const QByteArray& data, qsizetype offset) {
    return qFromLittleEndian<T>(data.constData() + offset);
}

// WCAG 2 relative luminance and contrast ratio.
double luminance(QColor colour) {
    const auto channel = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(QColor a, QColor b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The picture is 642 x 340 pixels, drawn stretched to 641 x 337.
constexpr double kStretchX = 642.0 / 641.0;
constexpr double kStretchY = 340.0 / 337.0;
// Smooth stretching mixes neighbouring pixels: look one pixel further.
constexpr int kMixReach = 1;

QRect pictureArea(QRect onScreen, QSize picture) {
    const int left = static_cast<int>(std::floor(onScreen.left() * kStretchX)) - kMixReach;
    const int top = static_cast<int>(std::floor(onScreen.top() * kStretchY)) - kMixReach;
    const int right =
        static_cast<int>(std::ceil((onScreen.right() + 1) * kStretchX)) - 1 + kMixReach;
    const int bottom =
        static_cast<int>(std::ceil((onScreen.bottom() + 1) * kStretchY)) - 1 + kMixReach;
    return QRect(QPoint(left, top), QPoint(right, bottom)) & QRect(QPoint(0, 0), picture);
}

}  // namespace

class PictureAssetsTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_;

  private Q_SLOTS:
    void initTestCase() {
        isolateRuntimeDirectory(runtime_);
        substituteMissingFaces();
    }

    void programIconIsOne32BitImageOf32By32() {
        const QByteArray icon = readAsset("md5zevrin.ico");
        QCOMPARE(icon.size(), 4286);
        QCOMPARE(field<quint16>(icon, 2), quint16{1});  // icon
        QCOMPARE(field<quint16>(icon, 4), quint16{1});  // one image
        QCOMPARE(quint8(icon[6]), quint8{32});
        QCOMPARE(quint8(icon[7]), quint8{32});
        QCOMPARE(field<quint16>(icon, 6 + 6), quint16{32});  // bits per pixel
        const QImage image = QImage::fromData(icon, "ico");
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(image.hasAlphaChannel());
    }

    void commandPointerIsA16ColourCursorWithItsHotSpot() {
        const QByteArray cursor = readAsset("command.cur");
        QCOMPARE(cursor.size(), 766);
        QCOMPARE(field<quint16>(cursor, 2), quint16{2});  // cursor
        QCOMPARE(field<quint16>(cursor, 4), quint16{1});
        QCOMPARE(field<quint16>(cursor, 6 + 4), quint16{12});  // hot spot x
        QCOMPARE(field<quint16>(cursor, 6 + 6), quint16{2});   // hot spot y
        const auto image = field<quint32>(cursor, 6 + 12);
        QCOMPARE(field<quint16>(cursor, image + 14), quint16{4});  // bits per pixel
        const QImage picture = QImage::fromData(cursor, "cur");
        QCOMPARE(picture.size(), QSize(32, 32));
        QCOMPARE(qAlpha(picture.pixel(0, 0)), 0);      // transparent around the hand
        QVERIFY(qAlpha(picture.pixel(12, 2)) == 255);  // the fingertip is the hot spot
    }

    void backgroundIsABottomUp32BitBitmap() {
        const QByteArray bitmap = readAsset("background.bmp");
        QCOMPARE(bitmap.size(), 873176);
        QCOMPARE(bitmap.left(2), QByteArray("BM"));
        QCOMPARE(field<quint32>(bitmap, 2), quint32{873176});
        QCOMPARE(field<qint32>(bitmap, 18), 642);
        QCOMPARE(field<qint32>(bitmap, 22), 340);  // positive: rows stored bottom-up
        QCOMPARE(field<quint16>(bitmap, 28), quint16{32});
        QCOMPARE(field<quint32>(bitmap, 30), quint32{0});  // uncompressed
        QCOMPARE(QImage::fromData(bitmap, "bmp").size(), QSize(642, 340));
    }

    // Each caption, where the layout puts it and where this desktop's fonts
    // make it reach, against every background pixel beneath it.
    void captionsStayReadableOnTheBackground_data() {
        QTest::addColumn<ControlId>("label");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<double>("minimum");
        QTest::newRow("title (large text)") << ControlId::Label1 << QColor(Qt::black) << 3.0;
        QTest::newRow("prompt") << ControlId::Label2 << QColor(Qt::black) << 4.5;
        QTest::newRow("counter") << ControlId::Label17 << QColor(0xFF, 0xFF, 0x00) << 4.5;
        QTest::newRow("warning") << ControlId::Label14 << QColor(0x00, 0xFF, 0xFF) << 4.5;
    }

    void captionsStayReadableOnTheBackground() {
        QFETCH(ControlId, label);
        QFETCH(QColor, colour);
        QFETCH(double, minimum);
        const QImage background = QImage::fromData(readAsset("background.bmp"), "bmp");
        QVERIFY(!background.isNull());
        QtPlatform platform;
        const QRect shown = pixelBox(layoutOf(label)) | platform.control(label)->geometry();
        const QRect area = pictureArea(shown, background.size());
        double worst = 100;
        QPoint where;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const double ratio = contrast(colour, background.pixelColor(x, y));
                if (ratio < worst) {
                    worst = ratio;
                    where = {x, y};
                }
            }
        }
        QVERIFY2(worst >= minimum, qPrintable(QStringLiteral("contrast %1 at (%2, %3)")
                                                  .arg(worst)
                                                  .arg(where.x())
                                                  .arg(where.y())));
    }
};

QTEST_MAIN(PictureAssetsTest)
#include "picture_assets_test.moc"
