#include "core/input_conversion.h"
#include "window/form.h"
#include "window/result_model.h"

namespace md5z {

// Rebuilt from the whole text on every change, so an edit anywhere in the
// input leaves nothing of the previous conversion behind. The result rows
// are not touched: they keep the last digest until the next command.
void Form1::Text1_Change() {
    convertedFrom_ = platform_.text();
    const ConvertedInput converted = ConvertInput(convertedFrom_);
    writeField(platform_, ConvertedText, converted.ConvertedText);
    writeField(platform_, ConvertedLength, converted.ConvertedLength);
    writeField(platform_, RemainingCount, converted.RemainingCount);
}

}  // namespace md5z
