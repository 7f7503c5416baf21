#include "text/page_charset.h"

#include <algorithm>

#include "runtime/ascii_case.h"
#include "runtime/encoding.h"
#include "runtime/utf8.h"

namespace dw {
namespace {

// Declarations stand at the top; a long page is not read through for one.
constexpr size_t kLookBytes = 4096;

// The value after the first `key` (as "charset=" or "encoding=") in
// `text`, with its quotes and spaces off.
std::string ValueAfter(const std::string& text, std::string_view key) {
  const size_t at = text.find(key);
  if (at == std::string::npos) return std::string();
  size_t begin = at + key.size();
  while (begin < text.size() && (text[begin] == ' ' || text[begin] == '"' ||
                                 text[begin] == '\'' || text[begin] == '=')) {
    ++begin;
  }
  size_t end = begin;
  while (end < text.size() &&
         (std::isalnum(static_cast<unsigned char>(text[end])) ||
          text[end] == '-' || text[end] == '_')) {
    ++end;
  }
  return text.substr(begin, end - begin);
}

std::string HeaderCharset(std::string_view headers) {
  const std::string lower = LowerAscii(headers);
  size_t at = 0;
  while ((at = lower.find("content-type:", at)) != std::string::npos) {
    const size_t end = lower.find('\n', at);
    const std::string line = lower.substr(at, end - at);
    if (std::string name = ValueAfter(line, "charset"); !name.empty()) {
      return name;
    }
    at = end;
  }
  return std::string();
}

// The name the top of the body declares: an XML declaration, a <meta
// charset> or a <meta http-equiv>.
std::string BodyCharset(std::string_view body) {
  const std::string top = LowerAscii(body.substr(0, kLookBytes));
  if (top.starts_with("<?xml")) {
    const std::string declaration = top.substr(0, top.find("?>"));
    if (std::string name = ValueAfter(declaration, "encoding"); !name.empty()) {
      return name;
    }
  }
  // <meta charset="..."> and <meta http-equiv=... content="...; charset=...">
  size_t at = 0;
  while ((at = top.find("<meta", at)) != std::string::npos) {
    const size_t end = top.find('>', at);
    const std::string tag = top.substr(at, end - at);
    if (std::string name = ValueAfter(tag, "charset"); !name.empty()) {
      return name;
    }
    if (end == std::string::npos) break;
    at = end;
  }
  return std::string();
}

bool AllAscii(std::string_view s) {
  return std::none_of(s.begin(), s.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x80;
  });
}

// "utf-16" for a UTF-16 byte order mark (iconv reads it), "utf-16le" or
// "utf-16be" for text without one whose every other byte is zero, as
// markup in UTF-16 is; empty for a page of 8-bit characters.
std::string Utf16Name(std::string_view body) {
  if (body.starts_with("\xFF\xFE") || body.starts_with("\xFE\xFF")) {
    return "utf-16";
  }
  const std::string_view top = body.substr(0, kLookBytes);
  size_t even = 0;
  size_t odd = 0;
  for (size_t i = 0; i < top.size(); ++i) {
    if (top[i] == '\0') ++(i % 2 == 0 ? even : odd);
  }
  const size_t half = top.size() / 2;
  if (half >= 4 && odd * 4 > half * 3 && even * 8 < half) return "utf-16le";
  if (half >= 4 && even * 4 > half * 3 && odd * 8 < half) return "utf-16be";
  return std::string();
}

// What the bytes are, each read once however many words are weighed.
struct ByteKinds {
  std::string utf16;  // as Utf16Name gives it
  bool utf8 = false;  // sound UTF-8
  bool ascii = false;
};

bool IsWide(const std::string& name) {
  return name.starts_with("utf-16") || name.starts_with("utf16") ||
         name == "ucs-2";
}

// True when the bytes can be in the named encoding. Multi-byte text that
// is sound UTF-8 is hardly ever anything else, and GBK or Latin text is
// seldom sound UTF-8.
bool BytesBearOut(const ByteKinds& bytes, const PageEncoding& word) {
  if (word.kind == PageCharset::kUnknown) return false;
  const bool wide = IsWide(word.name);
  if (wide || !bytes.utf16.empty()) return wide && !bytes.utf16.empty();
  if (word.kind == PageCharset::kUtf8) return bytes.utf8;
  if (bytes.utf8 && !bytes.ascii) return false;
  // A name the system has no converter for cannot be read by.
  return word.kind == PageCharset::kGbk ||
         ConvertEncoding("a", word.name.c_str(), "UTF-8").has_value();
}

PageEncoding Named(std::string name) {
  return PageEncoding{CharsetOfName(name), std::move(name)};
}

}  // namespace

std::string DeclaredCharsetName(std::string_view body,
                                std::string_view headers) {
  if (std::string name = HeaderCharset(headers); !name.empty()) return name;
  return BodyCharset(body);
}

PageEncoding DecidePageEncoding(std::string_view body,
                                std::string_view headers) {
  ByteKinds bytes;
  bytes.utf16 = Utf16Name(body);
  if (bytes.utf16.empty()) {
    // A sequence cut off by the end of a saved page still counts.
    bytes.utf8 = IsSoundUtf8(body, Utf8End::kMayBeCut);
    bytes.ascii = bytes.utf8 && AllAscii(body);
  }
  std::string bom;
  if (body.starts_with("\xEF\xBB\xBF")) {
    bom = "utf-8";
  } else if (bytes.utf16 == "utf-16") {
    bom = bytes.utf16;
  }
  for (std::string name : {HeaderCharset(headers), bom, BodyCharset(body)}) {
    PageEncoding word = Named(std::move(name));
    if (BytesBearOut(bytes, word)) {
      // Without a byte order mark, the byte order is the bytes' own.
      if (IsWide(word.name)) word.name = bytes.utf16;
      return word;
    }
  }
  if (!bytes.utf16.empty()) return Named(bytes.utf16);
  if (bytes.ascii) return PageEncoding{};
  return Named(bytes.utf8 ? "utf-8" : "gbk");
}

PageCharset CharsetOfName(std::string_view name) {
  if (name.empty()) return PageCharset::kUnknown;
  static constexpr std::string_view kGbk[] = {
      "gbk",   "gb2312",      "gb18030", "x-gbk",    "cp936",
      "ms936", "windows-936", "euc-cn",  "x-euc-cn", "csgb2312"};
  for (std::string_view gbk : kGbk) {
    if (name == gbk) return PageCharset::kGbk;
  }
  if (name == "utf-8" || name == "utf8") return PageCharset::kUtf8;
  return PageCharset::kOther;
}

}  // namespace dw
