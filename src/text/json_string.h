#pragma once

#include <string>
#include <string_view>

namespace dw {

// The contents of a JSON string (program text, without the quotes around
// it) with its escapes undone: \" \\ \/ \b \f \n \r \t, and \uXXXX as
// program text, a surrogate pair making one character. A broken escape is
// kept as written; a lone surrogate becomes U+FFFD as program text holds it.
std::string DecodeJsonString(std::string_view text);

}  // namespace dw
