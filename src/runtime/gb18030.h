// Program text and Unicode. Program text is GBK (code page 936) bytes, and
// a character GBK lacks (an emoji, "ß", "½") is held the way GB18030, the
// superset of GBK, holds it: four bytes, see runtime/gbk_char.h. So every
// GBK byte string reads as GBK reads it, stored rules and posts included,
// and no character of a page is lost.
//
// The tables come from the system's own converters, built once on first
// use (thread-safe): code page 936 for one and two bytes, and GB18030 for
// the codes code page 936 leaves empty and for the four-byte forms of the
// basic plane. The other planes follow from 0x90308130 on, but for the few
// characters GB18030 gives two-byte codes. One code is left as code page
// 936 leaves it: GB18030 gives 0xA2 0xE3 the euro sign, which GBK writes
// as the one byte 0x80.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dw {

// The character of each two-byte code (lead * 256 + trail); 0 when none
// or beyond the basic plane (DecodeGbkChar has those).
const char16_t* GbkPairChars();

// The character of each single byte 0x80..0xFF (index by the byte); 0 when
// none.
const char16_t* GbkSingleChars();

// The form of each code point below 0x10000 in one or two bytes: 0 when it
// has none (it then takes four bytes, or none at all), a value below 0x100
// for one byte, otherwise lead byte * 256 + trail byte.
const uint16_t* GbkCodes();

// The code point of the four bytes s[0..3] (a four-byte character as
// GbkCharLength finds it), or -1 when GB18030 gives them none.
int32_t FourByteChar(const char* s);

// The number of the four bytes s[0..3] in the order of all four-byte codes,
// from 0 for 0x81 0x30 0x81 0x30: one value for each, below 1587600.
uint32_t FourByteNumber(const char* s);

// Writes the four bytes numbered `number` (below 1587600) at `out`.
void PutFourByteNumber(uint32_t number, char* out);

// Writes the form of one code point at `out` (room for four bytes): one,
// two or four bytes, or "?" for a surrogate or a value beyond U+10FFFF.
// Gives the number of bytes written.
size_t PutGbk(char32_t code_point, char* out);

// The code point of the character at s[pos], pos < s.size(), with its
// length (1, 2 or 4, as GbkCharLength gives it) in *length; -1 when the
// bytes form no character.
int32_t DecodeGbkChar(std::string_view s, size_t pos, size_t* length);

// Program text as UTF-8: what every copy, file, message and window outside
// the program gets. Bytes that form no character become U+FFFD; `whole`
// tells whether there were none.
std::string GbkToUtf8(std::string_view gbk);
std::string GbkToUtf8(std::string_view gbk, bool* whole);

}  // namespace dw
