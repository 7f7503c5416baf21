// Text operations over GBK byte strings.
//
// Positions and lengths count bytes and are 1-based; a search that finds
// nothing gives -1. Scans step over a double-byte character (a lead byte
// 0x81..0xFE and a valid trail byte after it) and a four-byte one (lead,
// digit, lead, digit; see runtime/gbk_char.h) as one unit, so a match never
// starts inside a character.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dw {

int TextLength(const std::string& text);

// The first / last min(count, length) bytes; count <= 0 gives empty text.
std::string TextLeft(const std::string& text, int count);
std::string TextRight(const std::string& text, int count);

// At most count bytes from byte position start. A start below 1 or past the
// end, or a count <= 0, gives empty text.
std::string TextMiddle(const std::string& text, int start, int count);

// Position of the first occurrence of sought at or after start (default 1),
// counted from the start of the whole text, or -1. ignoreCase folds ASCII
// letters only. An empty sought text gives 1 when anything is left to search.
int FindText(const std::string& text, const std::string& sought,
             std::optional<int> start = std::nullopt, bool ignoreCase = false);

// Replaces occurrences of sought from start (default 1). count omitted means
// every occurrence; a count of 0 leaves the text unchanged. The replacement
// is never scanned again. caseSensitive false folds ASCII letters only.
std::string ReplaceText(const std::string& text, const std::string& sought,
                        const std::string& replacement = std::string(),
                        std::optional<int> start = std::nullopt,
                        std::optional<int> count = std::nullopt,
                        bool caseSensitive = true);

// Splits at every exact occurrence of delimiter (default ","). Pieces between
// two delimiters may be empty; the piece after the last delimiter is kept only
// when not empty. maximum omitted (or negative) means no limit; 0 gives an
// empty result; otherwise the rest after that many pieces is dropped. An empty
// delimiter gives the whole text as the only element. The result is an
// ordinary 0-based vector.
std::vector<std::string> SplitText(
    const std::string& text,
    const std::optional<std::string>& delimiter = std::nullopt,
    std::optional<int> maximum = std::nullopt);

// Removes leading and trailing spaces: 0x20 and the full-width space
// 0xA1 0xA1. Tabs and line breaks stay.
std::string TrimBoth(const std::string& text);

// Removes every 0x20 and every full-width space.
std::string RemoveSpaces(const std::string& text);

// count bytes 0x20; count < 1 gives empty text.
std::string SpacesText(int count);

// The one-byte text of the low 8 bits of code; 0 gives empty text, since
// text never holds a zero byte.
std::string CharFromCode(int code);

// The byte at position (default 1) as a signed value -128..127; a position
// outside the text gives 0.
int CharCodeAt(const std::string& text,
               std::optional<int> position = std::nullopt);

}  // namespace dw
