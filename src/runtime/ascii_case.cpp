#include "runtime/ascii_case.h"

namespace dw {

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (LowerAscii(a[k]) != LowerAscii(b[k])) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view lower,
                      std::size_t at) {
  if (at > text.size() || text.size() - at < lower.size()) return false;
  for (std::size_t k = 0; k < lower.size(); ++k) {
    if (LowerAscii(text[at + k]) != lower[k]) return false;
  }
  return true;
}

std::size_t FindNoCase(std::string_view text, std::string_view lower,
                       std::size_t from) {
  if (from > text.size()) return std::string_view::npos;
  for (std::size_t i = from; text.size() - i >= lower.size(); ++i) {
    if (StartsWithNoCase(text, lower, i)) return i;
  }
  return std::string_view::npos;
}

}  // namespace dw
