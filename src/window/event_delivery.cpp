#include "window/event_delivery.h"

namespace md5z {

void EventDelivery::end() {
    ended_ = true;
    sleepHousekeeping();
}

void EventDelivery::noteChange() {
    ++changes_;
    wakeHousekeeping();
}

void EventDelivery::enableHousekeeping(bool enabled) {
    housekeepingEnabled_ = enabled;
    if (enabled) {
        wakeHousekeeping();
    } else {
        sleepHousekeeping();
    }
}

void EventDelivery::wakeHousekeeping() {
    if (!ended_ && housekeepingEnabled_ && !awake_) {
        awake_ = true;
        timer_(true);
    }
}

void EventDelivery::housekeepingTick() {
    if (!housekeepingEnabled_) {
        return;
    }
    const auto before = changes_;
    deliver([](Form1& form) { form.onTimer(TimerId::Timer1); });
    if (changes_ == before) {
        sleepHousekeeping();
    }
}

void EventDelivery::sleepHousekeeping() {
    if (awake_) {
        awake_ = false;
        timer_(false);
    }
}

}  // namespace md5z
