#pragma once

#include <QWidget>

#include "window/layout.h"

namespace md5z {

// A shape or a line of the window, painted from its layout. It takes no
// mouse events: the pointer acts on whatever lies beneath it.
class Figure final : public QWidget {
  public:
    Figure(const ControlLayout& layout, QWidget* parent);

    Color fill() const { return fill_; }
    void setFill(Color color);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void paintShape();
    void paintLine();

    const ControlLayout& layout_;
    Color fill_;
};

// The box of a control in pixels at the design scale; for a line, the box
// that its stroke covers.
QRect pixelBox(const ControlLayout& layout);

}  // namespace md5z
