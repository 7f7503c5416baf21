// Which encoding a page is in: what it says of itself, checked against its
// bytes. The rules window's check and learning both decide by it.
#pragma once

#include <string>
#include <string_view>

namespace dw {

enum class PageCharset { kUnknown, kGbk, kUtf8, kOther };

// The name of the encoding a page declares ("gb2312", "utf-8"), lower
// case: the HTTP answer's Content-Type first, then an XML declaration, a
// <meta charset> or a <meta http-equiv> near the top of the body. Empty
// when there is none.
std::string DeclaredCharsetName(std::string_view body,
                                std::string_view headers);

// What a declared name means here: GB2312, GBK, GB18030 and their aliases
// are all read as GBK.
PageCharset CharsetOfName(std::string_view name);

struct PageEncoding {
  PageCharset kind = PageCharset::kUnknown;
  std::string name;  // "gbk", "utf-8", or a name iconv reads ("utf-16le")
};

// The encoding the page is read in. Each word on it is heard in turn, the
// HTTP header, a byte order mark, the declaration at the top, and the first
// one the bytes bear out wins; when none does, the bytes decide (sound
// UTF-8, else GBK). A page in plain ASCII bears out any word.
PageEncoding DecidePageEncoding(std::string_view body,
                                std::string_view headers);

}  // namespace dw
