#include "learn/page_records.h"

namespace dw {
namespace {

bool IsAsciiSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' ||
         c == '\v';
}

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The text without a trailing "..." or "…"; false when it had none.
bool StripEllipsis(std::string_view* s) {
  for (std::string_view mark : {"...", "\xE2\x80\xA6"}) {
    if (EndsWith(*s, mark)) {
      s->remove_suffix(mark.size());
      while (!s->empty() && s->back() == ' ') s->remove_suffix(1);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string CollapseSpaces(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  bool space = false;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t blank = IsAsciiSpace(c) ? 1 : 0;
    if (c == 0xC2 && i + 1 < utf8.size() &&
        static_cast<unsigned char>(utf8[i + 1]) == 0xA0) {
      blank = 2;  // a no-break space shows as a space
    }
    if (blank != 0) {
      space = !out.empty();
      i += blank - 1;
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += static_cast<char>(c);
  }
  return out;
}

ExampleText ExampleTextOf(std::string_view utf8) {
  ExampleText example;
  const std::string collapsed = CollapseSpaces(utf8);
  std::string_view text = collapsed;
  example.prefix = StripEllipsis(&text);
  example.text = std::string(text);
  return example;
}

bool ShownTitleFits(std::string_view shown, const ExampleText& example) {
  if (example.text.empty()) return false;
  if (shown == example.text) return true;
  if (example.prefix && shown.starts_with(example.text)) return true;
  std::string_view cut = shown;
  if (StripEllipsis(&cut) && cut.size() >= 4 &&
      std::string_view(example.text).starts_with(cut)) {
    return true;
  }
  return false;
}

bool LooksVolatile(std::string_view text) {
  size_t digits = 0;
  size_t run = 0;  // letters and digits in a row
  size_t run_digits = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    const bool digit = c >= '0' && c <= '9';
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (digit) {
      if (++digits >= 3) return true;
    } else {
      digits = 0;
    }
    if (digit || letter) {
      ++run;
      run_digits += digit ? 1 : 0;
      continue;
    }
    // A word of letters and digits mixed, five or more long: a hash.
    if (run >= 5 && run_digits > 0 && run_digits < run) return true;
    run = 0;
    run_digits = 0;
  }
  return false;
}

}  // namespace dw
