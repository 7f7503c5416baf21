#pragma once

#include <string>
#include <string_view>

namespace dw {

// GBK text with every HTML character reference decoded as a browser
// decodes it in element content: named references of HTML (the legacy ones
// such as "&amp" also without their semicolon, the longest name winning),
// decimal "&#39;" and hex "&#x27;" ones with or without the semicolon. A
// character with no GBK form becomes "?"; what is not a reference stays.
std::string DecodeHtmlEntities(std::string_view text);

}  // namespace dw
