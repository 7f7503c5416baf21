// Which encoding a page is in, as a rule must say it (isgbk).
#pragma once

#include <string_view>

namespace dw {

// True when the page is GBK text: it declares GBK, GB2312 or GB18030 (XML
// declaration, <meta charset>, http-equiv), or it declares nothing usable
// and its bytes are not valid UTF-8.
bool PageBytesAreGbk(std::string_view bytes);

// The charset the page declares in its first few kilobytes, lower case;
// empty when none.
std::string_view DeclaredCharset(std::string_view bytes);

}  // namespace dw
