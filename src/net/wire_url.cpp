#include <string>

#include "net/request_parts.h"
#include "runtime/gb18030.h"
#include "runtime/gbk_char.h"

namespace dw {
namespace {

void AppendEscaped(std::string& out, const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : bytes) {
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
  }
}

}  // namespace

std::string WireUrl(const std::string& url) {
  std::string out;
  size_t i = 0;
  while (i < url.size()) {
    const unsigned char c = url[i];
    if (c >= 0x80) {
      size_t end = i;
      // A character's second byte may be an ASCII one: take it whole.
      while (end < url.size() && static_cast<unsigned char>(url[end]) >= 0x80) {
        end += GbkCharLength(url, end);
      }
      const std::string run = url.substr(i, end - i);
      bool whole = false;
      const std::string utf8 = GbkToUtf8(run, &whole);
      AppendEscaped(out, whole ? utf8 : run);
      i = end;
      continue;
    }
    if (c <= 0x20 || c == 0x7F) {
      AppendEscaped(out, std::string(1, static_cast<char>(c)));
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  return out;
}

}  // namespace dw
