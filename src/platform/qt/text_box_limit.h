#pragma once

class QLineEdit;

namespace md5z {

// QLineEdit cuts an insertion at its maximum length by units, which can
// leave half of a character written as a surrogate pair. From now on a
// character that does not fit the box whole is not inserted.
void keepCharactersWhole(QLineEdit& box);

}  // namespace md5z
