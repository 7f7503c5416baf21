// UTF-8 byte sequences: the one place that writes, reads and checks them.
// Program text is GBK; UTF-8 is met only at the edges (pages, the history's
// titles, JSON escapes, files the command line reads and writes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// Appends code point c (at most U+10FFFF) in its UTF-8 form.
void AppendUtf8(char32_t c, std::string& out);

// Whether b continues a sequence rather than starting one.
inline bool IsUtf8Follow(unsigned char b) { return (b & 0xC0) == 0x80; }

// The bytes of the sequence b leads: 1 for ASCII, 2 to 4 for a lead byte
// (0xC2..0xF4); 0 for a byte no sound sequence starts with.
std::size_t Utf8SequenceLength(unsigned char b);

// Decodes one well-formed sequence (an ASCII byte among them) at s[i].
// Returns the bytes taken; *cp is the code point, or -1 when the bytes
// taken are a malformed sequence (its maximal valid prefix, at least one
// byte). Overlong forms, surrogates and anything above U+10FFFF are
// malformed.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, int32_t* cp);

// What a sequence cut off by the end of the text is: a fault, or still
// sound (the text is the start of something longer, such as a saved page).
enum class Utf8End { kWhole, kMayBeCut };

// Whether each lead byte of `text` is followed by as many follow bytes as
// it announces.
bool IsSoundUtf8(std::string_view text, Utf8End end = Utf8End::kWhole);

// The characters of `text`: its bytes that are no follow byte.
std::size_t Utf8Length(std::string_view text);

// Where each character of `text` starts, and its end as the last entry. A
// character is a leading byte and the follow bytes after it.
std::vector<std::size_t> CharacterStarts(std::string_view text);

}  // namespace dw
