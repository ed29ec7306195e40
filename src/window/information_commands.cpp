#include <string_view>

#include "window/form.h"
#include "window/information_texts.h"
#include "window/product.h"

namespace md5z {
namespace {

constexpr std::u16string_view kContactTitle = u"联系开发者";

// The shell hands the address on and returns at once; whether a browser
// opens it is not the program's concern.
void openPage(Platform& platform, std::u16string_view address) {
    platform.openUrl(platform.windowHandle(), address);
}

}  // namespace

void Form1::gyc1_Click() {
    openPage(platform_, product::kEncyclopediaAddress);
}
void Form1::gy1_Click() {
    openPage(platform_, product::kHomePageAddress);
}
void Form1::gyc2_Click() {
    openPage(platform_, product::kDistributorAddress);
}
void Form1::gyc3_Click() {
    openPage(platform_, product::kLawsAddress);
}

void Form1::gy3_Click() {
    platform_.messageBox(ContactText(), kInformationBox, kContactTitle);
}

void Form1::gy4_Click() {
    const WindowHandle owner = platform_.windowHandle();
    const std::u16string title = platform_.windowTitle();
    const Picture icon = platform_.windowIcon();
    platform_.showAbout(owner, title, AboutText(), icon);
}

}  // namespace md5z
