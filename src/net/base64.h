#pragma once

#include <string>
#include <string_view>

namespace dw {

// Standard Base64 (RFC 4648 alphabet, "=" padding) on one line, whatever
// the length. The bytes are taken as they are: GBK text is not converted.
std::string Base64Encode(std::string_view bytes);

}  // namespace dw
