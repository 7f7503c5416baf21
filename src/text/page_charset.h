// What a page says of its own encoding, for telling a rule whose GBK 页面
// setting disagrees with its page.
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

}  // namespace dw
