// The one decision of what a web address is, for the rule checker, the
// learner, the link opener and the push sender alike: text starting with
// "http://" or "https://", the scheme in any case. Those that go on to use
// an address also parse it for a host (runtime/ui/ui_ops.h, WebUrl).
#pragma once

#include <string_view>

#include "runtime/ascii_case.h"

namespace dw {

inline bool IsHttpAddress(std::string_view address) {
  return StartsWithNoCase(address, "http://") ||
         StartsWithNoCase(address, "https://");
}

}  // namespace dw
