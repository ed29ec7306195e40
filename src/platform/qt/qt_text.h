#pragma once

#include <QString>
#include <string_view>

namespace md5z {

// The units as they are. QString::fromUtf16 would take a leading U+FEFF or
// U+FFFE for a byte-order mark and drop it or byte-swap the rest, so a text
// that starts with one would be shown, stored and digested as another.
inline QString qText(std::u16string_view text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

}  // namespace md5z
