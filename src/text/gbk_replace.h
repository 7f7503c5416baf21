#pragma once

#include <string>
#include <string_view>

namespace dw {

// Page-sized versions of two uses of ReplaceText, with the same results
// (GBK pairs scanned as units, replaced text never scanned again) but
// skipping eight plain ASCII bytes at a time where nothing can start.

// Every occurrence of `sought` replaced by `replacement`, left to right.
// `sought` must be ASCII and not empty. `ignore_case` folds ASCII letters.
std::string ReplaceAsciiAll(std::string_view text, std::string_view sought,
                            std::string_view replacement, bool ignore_case);

// Every one-byte character listed in `bytes` (ASCII, at most four) removed;
// the same as removing each of them in turn.
std::string RemoveAsciiBytes(std::string_view text, std::string_view bytes);

}  // namespace dw
