// How the rules window and its editor show an error in words.
#pragma once

namespace dw {

inline constexpr char kErrorStyle[] = "color: #c00000;";

}  // namespace dw
