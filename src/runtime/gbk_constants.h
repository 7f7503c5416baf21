// GBK texts that the program's code compares with or writes into GBK data,
// each with its readable form beside it.
#pragma once

namespace dw {

// Stands for a double quote inside stored markers and patterns, which can
// then name a quote without holding one.
inline constexpr char kQuotePlaceholder[] = "#\xD2\xFD\xBA\xC5";  // #引号

// The texts of the two boolean values.
inline constexpr char kTrueText[] = "\xD5\xE6";   // 真
inline constexpr char kFalseText[] = "\xBC\xD9";  // 假

}  // namespace dw
