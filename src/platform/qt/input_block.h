#pragma once

#include <memory>

class QWidget;

namespace md5z {

// Stops a window from taking input without changing how it looks. A
// disabled Qt window paints every control greyed; a window that is only to
// stop reacting (while it fades out) swallows the input events of its
// widgets instead, and keeps every control as it was drawn.
class InputBlock {
  public:
    explicit InputBlock(QWidget& window);

    bool blocked() const { return *blocked_; }
    void setBlocked(bool blocked) { *blocked_ = blocked; }

  private:
    // Shared with the filter, which lives as long as the window does.
    std::shared_ptr<bool> blocked_ = std::make_shared<bool>(false);
};

}  // namespace md5z
