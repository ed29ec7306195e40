#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/digest_renditions.h"
#include "window/controls.h"
#include "window/platform.h"

namespace md5z {

// The result model. Each field is one property of one control, and that
// control is the only place its value lives: the handlers write a field and
// read it back through these bindings, so what the window shows is always
// what the logic works on.

// A text field held in a label's caption.
struct CaptionField {
    ControlId label;
};

// A flag held in a control's visible state.
struct VisibleFlag {
    ControlId control;
};

// A flag held in a control's enabled state.
struct EnabledFlag {
    ControlId control;
};

// Kept current by every change of the input; only the counter is shown.
inline constexpr CaptionField ConvertedText{ControlId::Label15};
inline constexpr CaptionField ConvertedLength{ControlId::Label16};
inline constexpr CaptionField RemainingCount{ControlId::Label17};

// The five result rows, top to bottom.
inline constexpr CaptionField ShownInput{ControlId::Label8};
inline constexpr CaptionField Hex16Lower{ControlId::Label9};
inline constexpr CaptionField Hex16Upper{ControlId::Label10};
inline constexpr CaptionField Hex32Lower{ControlId::Label11};
inline constexpr CaptionField Hex32Upper{ControlId::Label12};
inline constexpr std::array<CaptionField, 5> kResultRows{ShownInput, Hex16Lower, Hex16Upper,
                                                         Hex32Lower, Hex32Upper};

// The row of each rendition, in the order the digest command writes them: the
// digest as it came, then each form in the order it is derived from it.
struct RenditionRow {
    std::u16string DigestRenditions::*rendition;
    CaptionField field;
};
inline constexpr std::array<RenditionRow, 4> kRenditionRows{{
    {&DigestRenditions::Hex32Upper, Hex32Upper},
    {&DigestRenditions::Hex32Lower, Hex32Lower},
    {&DigestRenditions::Hex16Lower, Hex16Lower},
    {&DigestRenditions::Hex16Upper, Hex16Upper},
}};

// Shown for one interval of Timer2 after the digest command meets an empty input.
inline constexpr VisibleFlag EmptyInputWarning{ControlId::Label14};

// One per copy label, fz1 to fz4: set exactly while the rows show a digest.
inline constexpr std::array<EnabledFlag, 4> CopyEnabled{
    EnabledFlag{ControlId::fz1}, EnabledFlag{ControlId::fz2}, EnabledFlag{ControlId::fz3},
    EnabledFlag{ControlId::fz4}};

// What every result row reads while no digest is shown, the window's first
// state included.
inline constexpr std::u16string_view kPlaceholder = u"Loading...";

inline std::u16string readField(const Platform& platform, CaptionField field) {
    return platform.caption(field.label);
}

inline void writeField(Platform& platform, CaptionField field, std::u16string_view value) {
    platform.setCaption(field.label, value);
}

inline void writeField(Platform& platform, VisibleFlag flag, bool value) {
    platform.setVisible(flag.control, value);
}

inline void writeField(Platform& platform, EnabledFlag flag, bool value) {
    platform.setEnabled(flag.control, value);
}

}  // namespace md5z
