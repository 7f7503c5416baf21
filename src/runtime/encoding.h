// Conversion between character encodings (iconv names such as "GBK",
// "UTF-8", "UTF-32LE").
#pragma once

#include <optional>
#include <string>

namespace dw {

// The bytes of text re-encoded from one encoding to another; nothing when
// the conversion is unknown or the text holds a sequence it cannot convert.
std::optional<std::string> ConvertEncoding(const std::string& text,
                                           const char* from, const char* to);

}  // namespace dw
