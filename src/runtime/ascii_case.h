// Case folding of the ASCII letters only, whatever the locale: every other
// byte, GBK and UTF-8 ones included, stays as it is. Markup names, address
// schemes and header names fold this way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dw {

constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string LowerAscii(std::string_view text);

bool EqualNoCase(std::string_view a, std::string_view b);

// Whether text[at..] starts with `lower` (written in lower case).
bool StartsWithNoCase(std::string_view text, std::string_view lower,
                      std::size_t at = 0);

// Where `lower` (written in lower case) first stands in text at or after
// `from`; npos for nowhere.
std::size_t FindNoCase(std::string_view text, std::string_view lower,
                       std::size_t from = 0);

}  // namespace dw
