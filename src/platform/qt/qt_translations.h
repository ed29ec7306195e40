#pragma once

#include <QLocale>

namespace md5z {

// Loads Qt's own translations for `locale` from Qt's translations folder, so
// that the standard buttons of the boxes speak the system's language ("确定"
// on a Chinese system) like the window around them. A locale without
// translations keeps Qt's English. Returns whether any were loaded.
bool loadQtTranslations(const QLocale& locale);

}  // namespace md5z
