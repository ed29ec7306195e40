#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <array>

#include "platform/qt/figure.h"
#include "window/layout.h"

namespace md5z {

// The widgets of the window, indexed by the names the handlers use.
struct WindowWidgets {
    QWidget* client = nullptr;                       // the client area, Form1
    std::array<QWidget*, kControlCount> controls{};  // Form1's slot holds the client area
    std::array<QAction*, kMenuCount> menu{};

    QWidget* control(ControlId id) const { return controls[indexOf(id)]; }
    QLabel* label(ControlId id) const { return qobject_cast<QLabel*>(control(id)); }
    Figure* figure(ControlId id) const { return dynamic_cast<Figure*>(control(id)); }
};

// Dresses `window` as the layout tables describe it: title, icon, frame,
// menu and every control in the catalogue's stacking order. Events are
// wired by the caller.
WindowWidgets buildWindow(QMainWindow& window);

// The window's outer size in pixels for an outer size in twips, frame
// included: the client area at the design scale plus the menu bar.
int windowWidthFor(const QMainWindow& window, int outerWidthTwips);
int windowHeightFor(const QMainWindow& window, int outerHeightTwips);

// Resizes an auto-size label to its caption, keeping the edge its alignment
// names (left, right or centre) where the layout put it.
void fitToCaption(QLabel& label, const ControlLayout& layout);

// Paints a label's caption in `color` while it is enabled; disabled, it
// keeps the desktop's greyed text.
void setCaptionColor(QLabel& label, Color color);

}  // namespace md5z
