#include "platform/qt/text_box_limit.h"

#include <QLineEdit>
#include <QValidator>
#include <string>

#include "window/input_limit.h"

namespace md5z {
namespace {

// Sees each edit after the box has cut it to its length: a half character
// next to the caret is taken out again. Every text is acceptable, so the
// box's other behaviour (Return, editing finished) is what it was.
class WholeCharacters final : public QValidator {
  public:
    explicit WholeCharacters(QLineEdit& box) : QValidator(&box), box_(box) {}

    State validate(QString& text, int& caret) const override {
        const std::u16string units = text.toStdU16String();
        const auto half = halfCharacterAtLimit(units, static_cast<std::size_t>(caret),
                                               static_cast<std::size_t>(box_.maxLength()));
        if (half != std::u16string::npos) {
            text.remove(static_cast<qsizetype>(half), 1);
            caret = static_cast<int>(half);
        }
        return Acceptable;
    }

  private:
    QLineEdit& box_;
};

}  // namespace

void keepCharactersWhole(QLineEdit& box) {
    box.setValidator(new WholeCharacters(box));
}

}  // namespace md5z
