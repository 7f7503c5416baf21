// Finding a run of bytes in a large page fast: candidates are the places
// where its first, second and last bytes stand, looked at 32 or 16
// positions at a time, and only those are compared whole.
#pragma once

#include <cstddef>
#include <string_view>

namespace dw {

// First position at or after `from` where `sought` (not empty) occurs
// byte for byte, or npos.
std::size_t FindBytes(std::string_view text, std::size_t from,
                      std::string_view sought);

}  // namespace dw
