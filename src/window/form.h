#pragma once

#include <cstdint>
#include <string>

#include "core/md5.h"
#include "window/controls.h"
#include "window/platform.h"

namespace md5z {

// The main window: the one object that holds the program's state. Its
// handlers keep their event names; whatever outlives a handler lives in the
// controls (captions, flags, colors) and is read back from them.
class Form1 {
  public:
    explicit Form1(Platform& platform) : platform_(platform) {}
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Events as the platform delivers them, one at a time.
    void onClick(ControlId control);
    void onMenu(MenuId item);
    void onTimer(TimerId timer);
    void onMouseMove(ControlId surface);
    // Returns whether the close was refused.
    bool onCloseRequest(std::int16_t reason);

    // Lifecycle.
    void Form_Load();
    void Form_QueryUnload(std::int16_t& Cancel, std::int16_t UnloadMode);
    void Timer1_Timer();
    void Timer7_Timer();

    // Input, digest and clear.
    void Text1_Change();
    void ann1_Click();
    void ann2_Click();
    void ResetResults();
    void Timer2_Timer();

    // Copy labels and the end of their confirmations.
    void fz1_Click();
    void fz2_Click();
    void fz3_Click();
    void fz4_Click();
    void Timer3_Timer();
    void Timer4_Timer();
    void Timer5_Timer();
    void Timer6_Timer();

    // Information and links.
    void gyc1_Click();
    void gy1_Click();
    void gyc2_Click();
    void gyc3_Click();
    void gy3_Click();
    void gy4_Click();

  private:
    Platform& platform_;
    MD5Context context_;
    // The input the hidden conversion store was last made from. A desktop
    // that loses a change notice of the box would otherwise have 加密 show
    // one text beside the digest of another.
    std::u16string convertedFrom_;
};

}  // namespace md5z
