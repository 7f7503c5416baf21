// How the rules window and its editor show an error in words.
#pragma once

namespace dw {

inline constexpr char kErrorStyle[] = "color: #c00000;";
inline constexpr char kErrorColour[] = "#c00000";  // for rich text
inline constexpr char kWarningStyle[] = "color: #a06000;";

}  // namespace dw
