#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <utility>

#include "window/form.h"

namespace md5z {

// How every platform hands the desktop's events to the window: one at a
// time, none once the process has ended, and a run-time error ends only the
// handler it arose in; it must not unwind through the desktop's event loop.
//
// It also paces Timer1, the housekeeping tick. The tick stays enabled in the
// logic for the life of the window, but ticks matter only after something
// has happened, so the platform's timer runs after every event that reaches
// the window and every change made to the desktop, and sleeps again once a
// tick has changed nothing: an idle window costs no processor.
class EventDelivery {
  public:
    // Starts (true) or stops (false) the platform's own timer for Timer1.
    using HousekeepingTimer = std::function<void(bool run)>;
    // Tells the platform's log about an error no handler caught.
    using ErrorReport = void (*)(const char* what);

    EventDelivery(HousekeepingTimer timer, ErrorReport report)
        : timer_(std::move(timer)), report_(report) {}

    // Events reach `form` from now on.
    void attach(Form1& form) { form_ = &form; }
    bool ended() const { return ended_; }
    // Whether an event would reach the window now.
    bool delivering() const { return !ended_ && form_ != nullptr; }
    // No handler runs any more, and the housekeeping sleeps for good.
    void end();

    template <typename Handler>
    void deliver(Handler handler) {
        if (!delivering()) {
            return;
        }
        try {
            handler(*form_);
        } catch (const std::exception& error) {
            report_(error.what());
        }
    }

    // An event of the desktop: delivered, then the housekeeping wakes.
    template <typename Handler>
    void react(Handler handler) {
        deliver(handler);
        wakeHousekeeping();
    }

    // The logic changed the desktop.
    void noteChange();
    // Timer1 enabled or disabled by the logic (or by the layout at start).
    void enableHousekeeping(bool enabled);
    // Something happened to the window that the next tick may have to undo.
    void wakeHousekeeping();
    // The platform's timer for Timer1 fired.
    void housekeepingTick();
    bool housekeepingAwake() const { return awake_; }

  private:
    void sleepHousekeeping();

    HousekeepingTimer timer_;
    ErrorReport report_;
    Form1* form_ = nullptr;
    std::uint64_t changes_ = 0;
    bool housekeepingEnabled_ = false;
    bool awake_ = false;
    bool ended_ = false;
};

}  // namespace md5z
