#include "core/input_conversion.h"
#include "window/result_model.h"
#include "window/form.h"

namespace md5z {

// Rebuilt from the whole text on every change, so an edit anywhere in the
// input leaves nothing of the previous conversion behind. The result rows
// are not touched: they keep the last digest until the next command.
void Form1::Text1_Change() {
    const ConvertedInput converted = ConvertInput(platform_.text());
    writeField(platform_, ConvertedText, converted.ConvertedText);
    writeField(platform_, ConvertedLength, converted.ConvertedLength);
    writeField(platform_, RemainingCount, converted.RemainingCount);
}

}  // namespace md5z
