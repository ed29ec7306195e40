#include "digest/text_digest.h"
#include "input/digest_renditions.h"
#include "input/result_model.h"
#include "window/form.h"

namespace md5z {
namespace {

constexpr TimerId kWarningTimer = TimerId::Timer2;

}  // namespace

// The two tests read the text separately; nothing changes it in between, so
// exactly one of them passes on every click.
void Form1::ann1_Click() {
    if (platform_.text().empty()) {
        // Disabling first restarts the interval, so the warning stays up for
        // a full interval after the latest click.
        platform_.setTimerEnabled(kWarningTimer, false);
        writeField(platform_, EmptyInputWarning, true);
        platform_.setTimerEnabled(kWarningTimer, true);
        ResetResults();
    }
    if (!platform_.text().empty()) {
        writeField(platform_, ShownInput, platform_.text());
        const DigestRenditions digest =
            renditionsOf(DigestStrToHexStr(context_, readField(platform_, ConvertedText)));
        for (const RenditionRow& row : kRenditionRows) {
            writeField(platform_, row.field, digest.*row.rendition);
        }
        for (const EnabledFlag flag : CopyEnabled) {
            writeField(platform_, flag, true);
        }
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
