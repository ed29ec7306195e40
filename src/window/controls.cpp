#include "window/controls.h"

#include <array>

namespace md5z {
namespace {

constexpr std::array<std::string_view, kControlCount> kControlNames{
    "Form1",   "Text1",   "Label1",  "Label2",  "Label3",  "Label4",  "Label5",
    "Label6",  "Label7",  "Label8",  "Label9",  "Label10", "Label11", "Label12",
    "Label13", "Label14", "Label15", "Label16", "Label17", "ann1",    "ann2",
    "fz1",     "fz2",     "fz3",     "fz4",     "Shape1",  "Shape2",  "Shape3",
    "Shape4",  "Line1",   "Line2",   "Line3",   "Line4",   "Line5",   "Image2",
};

constexpr std::array<std::string_view, kTimerCount> kTimerNames{
    "Timer1", "Timer2", "Timer3", "Timer4", "Timer5", "Timer6", "Timer7"};

constexpr std::array<std::string_view, kMenuCount> kMenuNames{"gy",   "gyc1", "gy1", "gyc2",
                                                              "gyc3", "gy2",  "gy3", "gy4"};

}  // namespace

std::string_view nameOf(ControlId id) {
    return kControlNames.at(indexOf(id));
}
std::string_view nameOf(TimerId id) {
    return kTimerNames.at(indexOf(id));
}
std::string_view nameOf(MenuId id) {
    return kMenuNames.at(indexOf(id));
}

}  // namespace md5z
