// The pieces a learned pattern is built from, each written for the tidied
// page text (no quotes, no line breaks).
#pragma once

#include <string>
#include <string_view>

namespace dw {

// A title that holds no markup; it stops at the first tag, so it never runs
// into the next post.
inline constexpr char kPlainTitleGroup[] = "([^<>]+?)";
// A title with inline markup (<b>, <font> ...) inside it; any other tag ends
// it.
inline constexpr char kInlineTitleGroup[] =
    "((?:[^<>]|</?(?:b|i|u|s|em|strong|font|span|small|big)\\b[^>]*>)+?)";

// Page text matched as it is; runs of spaces as " *" (a title's neighbours
// are spaced unevenly), CDATA brackets optional (feeds use them on some
// items only).
std::string LiteralPart(std::string_view text);

// The same text matched by its markup only: each opening tag by its name,
// closing tags as they are, any text between them. With `inside_tag` the text
// starts inside a tag (after a link in an attribute), whose rest is skipped.
std::string SkeletonPart(std::string_view text, bool inside_tag);

// One byte or GBK character of page text as a pattern matches it literally.
std::string EscapeLiteral(std::string_view text);

}  // namespace dw
