// Links as a browser follows them from a page.
#pragma once

#include <string>
#include <string_view>

namespace dw {

// `ref` (an href as written) made absolute against the page address `base`.
std::string ResolveLink(std::string_view base, std::string_view ref);

// An href as written in markup with "&amp;" undone.
std::string UnescapeLink(std::string_view href);

}  // namespace dw
