#include "platform/qt/fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>
#include <string_view>

namespace md5z {
namespace {

// The window was drawn for a desktop that shows its Song face at these sizes
// from crisp bitmaps. Anti-aliased, the thin strokes of the outline faces
// that stand in for it wash out: the yellow counter on its dark panel reads
// olive. Drawn without anti-aliasing every stroke keeps its full color. On
// a high-density screen the strokes are wide enough to smooth.
constexpr qreal kHighDensity = 1.5;

// Faces the layout names, with the installed faces that stand in for them:
// a Song (serif) face for 宋体, a sans-serif face for 微软雅黑.
struct Substitute {
    std::u16string_view face;
    const char* standIn;
};

constexpr Substitute kSubstitutes[]{
    {kSongFace, "AR PL UMing CN"},
    {kYaHeiFace, "WenQuanYi Micro Hei"},
};

}  // namespace

void setUpFonts() {
    for (const auto& substitute : kSubstitutes) {
        const auto face = QString::fromUtf16(substitute.face.data(),
                                             static_cast<qsizetype>(substitute.face.size()));
        if (!QFontDatabase::hasFamily(face)) {
            QFont::insertSubstitution(face, QString::fromLatin1(substitute.standIn));
        }
    }
    QApplication::setFont(fontOf(FontSpec{}));
}

QFont fontOf(const FontSpec& wanted) {
    QFont font(QString::fromUtf16(wanted.face.data(), static_cast<qsizetype>(wanted.face.size())));
    font.setPointSizeF(wanted.points);
    font.setBold(wanted.bold);
    font.setItalic(wanted.italic);
    font.setUnderline(wanted.underline);
    if (wanted.face == kSongFace && qGuiApp->devicePixelRatio() < kHighDensity) {
        font.setStyleStrategy(QFont::NoAntialias);
    }
    return font;
}

}  // namespace md5z
