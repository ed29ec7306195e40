#include "core/digest_renditions.h"
#include "core/text_digest.h"
#include "window/form.h"
#include "window/result_model.h"

namespace md5z {
namespace {

constexpr TimerId kWarningTimer = TimerId::Timer2;

}  // namespace

// One read of the text decides: nothing the warning does changes it.
void Form1::ann1_Click() {
    const std::u16string input = platform_.text();
    if (input.empty()) {
        // Disabling first restarts the interval, so the warning stays up for
        // a full interval after the latest click.
        platform_.setTimerEnabled(kWarningTimer, false);
        writeField(platform_, EmptyInputWarning, true);
        platform_.setTimerEnabled(kWarningTimer, true);
        ResetResults();
        return;
    }
    // The change handler keeps the conversion current; should the desktop
    // have lost its latest notice, the conversion is brought up to date here.
    if (input != convertedFrom_) {
        Text1_Change();
    }
    writeField(platform_, ShownInput, input);
    const DigestRenditions digest =
        renditionsOf(DigestStrToHexStr(context_, readField(platform_, ConvertedText)));
    for (const RenditionRow& row : kRenditionRows) {
        writeField(platform_, row.field, digest.*row.rendition);
    }
    for (const EnabledFlag flag : CopyEnabled) {
        writeField(platform_, flag, true);
    }
}

// A copy confirmation that is running is left to finish on its own tick.
void Form1::ann2_Click() {
    platform_.setText(u"");
    ResetResults();
}

void Form1::ResetResults() {
    for (const CaptionField row : kResultRows) {
        writeField(platform_, row, kPlaceholder);
    }
    for (const EnabledFlag flag : CopyEnabled) {
        writeField(platform_, flag, false);
    }
}

void Form1::Timer2_Timer() {
    writeField(platform_, EmptyInputWarning, false);
    platform_.setTimerEnabled(kWarningTimer, false);
}

}  // namespace md5z
