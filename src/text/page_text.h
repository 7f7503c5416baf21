#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/tidy_marks.h"

namespace dw {

// A UTF-8 page body as GBK text, a character GBK lacks in its four-byte
// GB18030 form. A malformed UTF-8 sequence becomes "?" and the rest is
// kept; zero bytes are dropped.
std::string Utf8ToGbk(std::string_view bytes);

// A fetched page body as program text: its zero bytes dropped, then taken
// as GBK or converted from UTF-8. Works in the body's own buffer, so a
// large page is held once.
std::string PageBytesToText(std::string bytes, bool is_gbk);

// Flattens a cut-out part of a page: line breaks and tabs go, runs of
// spaces are halved once, "&lt;" "&gt;" "&quot;" "&#37;" are decoded, and
// then every double quote and apostrophe goes. Only text[from, to) is
// tidied, into the front of the text's own buffer.
//
// With `marks`, it is also noted there (replacing what it held) what went
// and where, so that a span of the result can be read as the page had it:
// every quote and apostrophe taken out, and whether it delimited an
// attribute value inside a tag; every run of breaks and tabs; every byte an
// entity became.
std::string TidyHtmlText(std::string text, size_t from = 0,
                         size_t to = std::string::npos,
                         TidyMarks* marks = nullptr);

// The same as ten replacements made one after the other (breaks, tabs, the
// spaces, the four entities, quotes, apostrophes), each with ReplaceText:
// the form TidyHtmlText must always agree with.
std::string TidyHtmlTextInSteps(std::string_view text);

// `subject` with every match of `pattern` replaced, letters compared
// regardless of case, "^"/"$" per line. Empty text when the pattern is
// rejected or the search is abandoned.
std::string RegexReplace(std::string_view pattern, std::string_view subject,
                         std::string_view replacement = {});

}  // namespace dw
