#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace md5z {

// Every control of the window, by the name the handlers use. Form1 stands for
// the window itself where an operation or event names it.
enum class ControlId : std::uint8_t {
    Form1,
    Text1,
    Label1,
    Label2,
    Label3,
    Label4,
    Label5,
    Label6,
    Label7,
    Label8,
    Label9,
    Label10,
    Label11,
    Label12,
    Label13,
    Label14,
    Label15,
    Label16,
    Label17,
    ann1,
    ann2,
    fz1,
    fz2,
    fz3,
    fz4,
    Shape1,
    Shape2,
    Shape3,
    Shape4,
    Line1,
    Line2,
    Line3,
    Line4,
    Line5,
    Image2,
};
inline constexpr std::size_t kControlCount = static_cast<std::size_t>(ControlId::Image2) + 1;

enum class TimerId : std::uint8_t { Timer1, Timer2, Timer3, Timer4, Timer5, Timer6, Timer7 };
inline constexpr std::size_t kTimerCount = 7;

// The menu "关于(&G)" and its items, in menu order; gy2 is the separator.
enum class MenuId : std::uint8_t { gy, gyc1, gy1, gyc2, gyc3, gy2, gy3, gy4 };
inline constexpr std::size_t kMenuCount = 8;

constexpr std::size_t indexOf(ControlId id) {
    return static_cast<std::size_t>(id);
}
constexpr std::size_t indexOf(TimerId id) {
    return static_cast<std::size_t>(id);
}
constexpr std::size_t indexOf(MenuId id) {
    return static_cast<std::size_t>(id);
}

std::string_view nameOf(ControlId id);
std::string_view nameOf(TimerId id);
std::string_view nameOf(MenuId id);

// A color as the window stores it: 0x00BBGGRR for an explicit color, or
// 0x800000nn for the desktop's system color number nn.
using Color = std::uint32_t;
inline constexpr Color kSystemColorFlag = 0x80000000u;
inline constexpr Color kSystemColorNumberMask = 0xFFu;
inline constexpr Color kSystemHighlight = 0x8000000Du;   // selected items
inline constexpr Color kSystemButtonText = 0x80000012u;  // label text
inline constexpr Color kSystemWindow = 0x80000005u;      // window background
inline constexpr Color kSystemWindowText = 0x80000008u;

constexpr Color rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Color{r} | (Color{g} << 8) | (Color{b} << 16);
}

// The pictures a control or the window can carry.
enum class Picture : std::uint8_t { None, CommandPointer, ProgramIcon };

enum class WindowState : std::int16_t { Normal = 0, Minimized = 1, Maximized = 2 };

}  // namespace md5z
