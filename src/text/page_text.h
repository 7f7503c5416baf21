#pragma once

#include <string>
#include <string_view>

namespace dw {

// A UTF-8 page body as GBK text. A character with no GBK form, or a
// malformed UTF-8 sequence, becomes "?" and the rest is kept; a zero byte
// ends the text.
std::string Utf8ToGbk(std::string_view bytes);

// Flattens a cut-out part of a page: line breaks and tabs go, runs of
// spaces are halved once, "&lt;" "&gt;" "&quot;" "&#37;" are decoded, and
// then every double quote and apostrophe goes.
std::string TidyHtmlText(std::string_view text);

// `subject` with every match of `pattern` replaced, letters compared
// regardless of case, "^"/"$" per line. Empty text when the pattern is
// rejected or the search is abandoned.
std::string RegexReplace(std::string_view pattern, std::string_view subject,
                         std::string_view replacement = {});

}  // namespace dw
