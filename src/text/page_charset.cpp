#include "text/page_charset.h"

#include <algorithm>
#include <cctype>

namespace dw {
namespace {

// Declarations stand at the top; a long page is not read through for one.
constexpr size_t kLookBytes = 4096;

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return lower;
}

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
  const std::string lower = Lower(headers);
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

}  // namespace

std::string DeclaredCharsetName(std::string_view body,
                                std::string_view headers) {
  if (std::string name = HeaderCharset(headers); !name.empty()) return name;
  const std::string top = Lower(body.substr(0, kLookBytes));
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
