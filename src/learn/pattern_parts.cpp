#include "learn/pattern_parts.h"

#include <cctype>
#include <cstring>

#include "runtime/gbk_char.h"

namespace dw {
namespace {

constexpr std::string_view kCdataOpen = "<![CDATA[";
constexpr std::string_view kCdataClose = "]]>";

bool IsSpecial(char c) { return c && std::strchr("\\^$.|?*+()[]{}", c); }

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == ':' || c == '-' ||
         c == '_' || c == '!';
}

// "name=" at the end of `text` (an attribute about to take a value), with
// the space before it; empty when `text` does not end so.
std::string_view TrailingAttribute(std::string_view text) {
  if (!text.ends_with('=')) return {};
  size_t start = text.size() - 1;
  while (start > 0 && IsNameChar(text[start - 1])) --start;
  if (start == text.size() - 1) return {};
  return text.substr(start);
}

}  // namespace

std::string EscapeLiteral(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const size_t width = GbkCharLength(text, i);
    if (width == 2) {
      // A trail byte the engine would read as syntax: any two bytes will do.
      out += IsSpecial(text[i + 1]) ? std::string("..")
                                    : std::string(text.substr(i, 2));
    } else if (width == 4) {
      out += text.substr(i, 4);  // lead bytes and digits: never syntax
    } else {
      if (IsSpecial(text[i])) out += '\\';
      out += text[i];
    }
    i += width;
  }
  return out;
}

std::string LiteralPart(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text.substr(i).starts_with(kCdataOpen)) {
      out += "(?:<!\\[CDATA\\[)?";
      i += kCdataOpen.size();
    } else if (text.substr(i).starts_with(kCdataClose)) {
      out += "(?:\\]\\]>)?";
      i += kCdataClose.size();
    } else if (text[i] == ' ') {
      while (i < text.size() && text[i] == ' ') ++i;
      out += " *";
    } else {
      const size_t width = GbkCharLength(text, i);
      out += EscapeLiteral(text.substr(i, width));
      i += width;
    }
  }
  return out;
}

std::string SkeletonPart(std::string_view text, bool inside_tag) {
  std::string out;
  size_t i = 0;
  if (inside_tag) {
    const size_t close = text.find('>');
    if (close == std::string_view::npos) {
      const std::string_view attribute = TrailingAttribute(text);
      return attribute.empty() ? LiteralPart(text)
                               : "[^>]*?\\b" + LiteralPart(attribute);
    }
    out += "[^>]*>";
    i = close + 1;
  }
  while (i < text.size()) {
    const std::string_view rest = text.substr(i);
    if (rest.starts_with(kCdataOpen) || rest.starts_with(kCdataClose)) {
      const size_t n =
          rest.starts_with(kCdataOpen) ? kCdataOpen.size() : kCdataClose.size();
      out += LiteralPart(rest.substr(0, n));
      i += n;
      continue;
    }
    if (rest[0] == '<') {
      size_t name_end = 1 + (rest.size() > 1 && rest[1] == '/');
      while (name_end < rest.size() && IsNameChar(rest[name_end])) ++name_end;
      const size_t close = rest.find('>');
      const std::string_view name = rest.substr(0, name_end);
      if (close == std::string_view::npos) {
        // The tag that holds the link: its name, then the attribute.
        const std::string_view attribute = TrailingAttribute(rest);
        out += EscapeLiteral(name) +
               (attribute.empty() ? LiteralPart(rest.substr(name_end))
                                  : "[^>]*?\\b" + LiteralPart(attribute));
        break;
      }
      out += name.starts_with("</") ? LiteralPart(rest.substr(0, close + 1))
                                    : EscapeLiteral(name) + "[^>]*>";
      i += close + 1;
      continue;
    }
    size_t next = rest.find('<');
    if (next == std::string_view::npos) next = rest.size();
    const std::string_view words = rest.substr(0, next);
    out += words.find_first_not_of(' ') == std::string_view::npos ? " *"
                                                                  : "[^<]*?";
    i += next;
  }
  return out;
}

}  // namespace dw
