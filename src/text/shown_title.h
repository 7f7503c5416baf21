// A title as a browser shows it. The rule's pattern finds it in tidied page
// text, which has lost its quotes, apostrophes and line breaks and has some
// entities decoded; the title is read again as the page had it, and then as
// the page is shown.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/tidy_marks.h"

namespace dw {

// tidied[begin, end) as the page had it, from what `marks` (as TidyHtmlText
// noted them for `tidied`) says was taken out at begin..end: quotes and
// apostrophes of the text go back, a line break comes back as a space, and
// "&lt;" "&gt;" "&#37;" "&quot;" as they were written. A quote that
// delimited an attribute value comes back only inside the span, where its
// tag stands too (so a title read from the value never shows them); with
// `json_strings`, a double quote comes back only when a backslash escapes
// it (a JSON string holds it), since the others delimit JSON strings. Empty
// marks give the span as it stands.
std::string UntidiedSpan(std::string_view tidied, size_t begin, size_t end,
                         const TidyMarks& marks, bool json_strings);

// Page text as a browser shows it, in this order: with `json_strings` the
// JSON escapes undone (and only tags that close taken as markup); CDATA
// sections unwrapped, their markup kept as text; tags dropped (a "<"
// followed by a letter, "/", "!" or "?", up to the next ">" outside a
// quoted attribute value); entities decoded once; every run of white space
// (space, tab, CR, LF, FF, no-break space) made one space and none at
// either end. The ideographic space stays.
std::string ShownText(std::string_view text, bool json_strings);

// Plain-text titles (a JSON Feed's): the JSON escapes undone when
// `json_strings`, white space collapsed, nothing else; "<b>" and "&amp;"
// show as written.
std::string PlainText(std::string_view text, bool json_strings);

}  // namespace dw
