#include <cstdint>

#include "window/form.h"

namespace md5z {

// Controls without a click handler (the result and caption labels, the input
// box, the shapes, the background) take clicks without effect.
void Form1::onClick(ControlId control) {
    switch (control) {
        case ControlId::ann1:
            ann1_Click();
            break;
        case ControlId::ann2:
            ann2_Click();
            break;
        case ControlId::fz1:
            fz1_Click();
            break;
        case ControlId::fz2:
            fz2_Click();
            break;
        case ControlId::fz3:
            fz3_Click();
            break;
        case ControlId::fz4:
            fz4_Click();
            break;
        default:
            break;
    }
}

// The menu itself and the separator gy2 have no command.
void Form1::onMenu(MenuId item) {
    switch (item) {
        case MenuId::gyc1:
            gyc1_Click();
            break;
        case MenuId::gy1:
            gy1_Click();
            break;
        case MenuId::gyc2:
            gyc2_Click();
            break;
        case MenuId::gyc3:
            gyc3_Click();
            break;
        case MenuId::gy3:
            gy3_Click();
            break;
        case MenuId::gy4:
            gy4_Click();
            break;
        case MenuId::gy:
        case MenuId::gy2:
            break;
    }
}

void Form1::onTimer(TimerId timer) {
    switch (timer) {
        case TimerId::Timer1:
            Timer1_Timer();
            break;
        case TimerId::Timer2:
            Timer2_Timer();
            break;
        case TimerId::Timer3:
            Timer3_Timer();
            break;
        case TimerId::Timer4:
            Timer4_Timer();
            break;
        case TimerId::Timer5:
            Timer5_Timer();
            break;
        case TimerId::Timer6:
            Timer6_Timer();
            break;
        case TimerId::Timer7:
            Timer7_Timer();
            break;
    }
}

bool Form1::onCloseRequest(std::int16_t reason) {
    std::int16_t cancel = 0;
    Form_QueryUnload(cancel, reason);
    return cancel != 0;
}

}  // namespace md5z
