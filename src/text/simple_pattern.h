#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dw {

// The clean-up patterns that pages meet most are plain tags, or two tags
// with a lazy ".*?" between them. For those the result of a regular-
// expression replacement (letters compared regardless of case, "." never
// taking a line break) can be had straight from the GBK bytes, without the
// wide conversion and the engine.
//
// Handles patterns made of ASCII literal runs joined by ".*?" or ".+?",
// where every literal run starts with a character below 0x40 other than a
// digit (so it can never begin inside a character of more bytes), the
// pattern starts and ends with a literal run, and the replacement holds no
// "$". Gives nothing for any other pattern; the caller then runs the full
// engine. Where the engine would give up (a lazy dot that fails at very
// many places on a long line), this still gives the replacement.
std::optional<std::string> ReplaceSimplePattern(std::string_view pattern,
                                                std::string_view subject,
                                                std::string_view replacement);

// The same replacement made in `subject` itself, with no second copy of a
// large page; false, and `subject` untouched, for a pattern of another shape
// or a replacement longer than the pattern's literal runs together.
bool ReplaceSimplePatternInPlace(std::string_view pattern, std::string& subject,
                                 std::string_view replacement);

}  // namespace dw
