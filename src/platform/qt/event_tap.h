#pragma once

#include <QObject>
#include <functional>
#include <utility>

namespace md5z {

// An event filter whose reaction is a plain function, so every control's
// reaction to its events can stay a small lambda next to the code that
// wires it. The reaction returns true to swallow the event.
class EventTap final : public QObject {
  public:
    using Reaction = std::function<bool(QObject* watched, QEvent* event)>;

    EventTap(Reaction reaction, QObject* parent)
        : QObject(parent), reaction_(std::move(reaction)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return reaction_(watched, event); }

  private:
    Reaction reaction_;
};

// Watches `object` with `reaction` for as long as the object lives.
inline void tap(QObject* object, EventTap::Reaction reaction) {
    object->installEventFilter(new EventTap(std::move(reaction), object));
}

}  // namespace md5z
