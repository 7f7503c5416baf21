// Which encoding a page is in, as a rule must say it (isgbk).
#pragma once

#include <string>
#include <string_view>

namespace dw {

// True when the page is GBK text: it declares GBK, GB2312 or GB18030 (XML
// declaration, <meta charset>, http-equiv), or it declares nothing usable
// and its bytes are not valid UTF-8.
bool PageBytesAreGbk(std::string_view bytes);

// The charset a page is in when it is neither UTF-8 nor GBK: the one it
// declares, when its bytes are no sound UTF-8 and the declaration names
// neither (ISO-8859-1, windows-1252, Big5); empty otherwise.
std::string OtherCharset(std::string_view bytes);

// The charset the page declares in its first few kilobytes, lower case;
// empty when none.
std::string_view DeclaredCharset(std::string_view bytes);

}  // namespace dw
