#include "learn/page_charset.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace dw {
namespace {

// Declarations sit in the head; a page that names its charset further down
// is not read that way by browsers either.
constexpr size_t kDeclarationWindow = 4096;

bool IsNameByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
}

bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t extra = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
    } else if (b >= 0x80) {
      return false;
    }
    // A sequence cut off by the end of a saved page still counts.
    if (i + extra >= s.size()) return true;
    for (size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

}  // namespace

std::string_view DeclaredCharset(std::string_view bytes) {
  const std::string_view head = bytes.substr(0, kDeclarationWindow);
  std::string lower(head);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  // "charset=" covers <meta charset> and http-equiv content; "encoding="
  // the XML declaration.
  for (const char* key : {"encoding=", "charset="}) {
    size_t at = lower.find(key);
    while (at != std::string::npos) {
      size_t begin = at + std::string_view(key).size();
      while (begin < lower.size() &&
             (lower[begin] == '"' || lower[begin] == '\'' ||
              lower[begin] == ' ')) {
        ++begin;
      }
      size_t end = begin;
      while (end < lower.size() && IsNameByte(lower[end])) ++end;
      if (end > begin) return head.substr(begin, end - begin);
      at = lower.find(key, at + 1);
    }
  }
  return {};
}

bool PageBytesAreGbk(std::string_view bytes) {
  // What the bytes are beats what the page says: a saved or re-encoded page
  // often keeps a declaration that no longer holds. Multi-byte text that is
  // sound UTF-8 is hardly ever GBK, and GBK text is seldom sound UTF-8.
  const bool multi_byte = std::any_of(bytes.begin(), bytes.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x80;
  });
  if (multi_byte) return !ValidUtf8(bytes);
  std::string charset(DeclaredCharset(bytes));
  std::transform(charset.begin(), charset.end(), charset.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  return charset == "gbk" || charset == "gb2312" || charset == "gb18030" ||
         charset == "x-gbk" || charset == "cp936";
}

std::string OtherCharset(std::string_view bytes) {
  const bool multi_byte = std::any_of(bytes.begin(), bytes.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x80;
  });
  if (!multi_byte || ValidUtf8(bytes)) return {};
  std::string charset(DeclaredCharset(bytes));
  std::transform(charset.begin(), charset.end(), charset.begin(), [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  });
  if (charset.empty() || charset == "utf-8" || charset == "utf8" ||
      charset == "gbk" || charset == "gb2312" || charset == "gb18030" ||
      charset == "x-gbk" || charset == "cp936") {
    return {};
  }
  return charset;
}

}  // namespace dw
