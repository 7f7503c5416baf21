#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// GBK (code page 936) <-> wide characters, for the engines that need a
// character view of program text. Tables are built once, from the system's
// own code-page 936 converter, on first use (thread-safe).
//
// Bytes that do not form a GBK character (a lead byte without a valid trail
// byte, a stray 0xFF) become the wide characters U+DC80..U+DCFF, which GBK
// never produces, and a lead and valid trail byte that the code page leaves
// without a character become one character U+F0000 + lead * 256 + trail.
// Both turn back into the same bytes: a round trip never loses or changes a
// byte, and characters fall exactly where the text operations step.

std::wstring GbkToWide(std::string_view gbk);

// The same decoding for a whole page: the characters in one buffer, plus
// where every 64th character starts, so that positions found among the
// characters turn back into byte offsets without decoding from the start.
class WideText {
 public:
  WideText() = default;
  explicit WideText(std::string_view gbk);

  const wchar_t* begin() const { return chars_.get(); }
  const wchar_t* end() const { return chars_.get() + size_; }
  size_t size() const { return size_; }

  // The byte offset in `gbk`, the text this was made from, at which
  // character `index` starts; the byte length for index size().
  size_t ByteOffset(std::string_view gbk, size_t index) const;

 private:
  std::unique_ptr<wchar_t[]> chars_;
  size_t size_ = 0;
  std::vector<uint32_t> marks_;
};

// GBK text as UTF-8, for stores that want readable text. Bytes that form no
// character of the code page become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

// Wide characters with no GBK form become "?".
std::string WideToGbk(std::wstring_view wide);

// The number of GBK bytes that make up the first `chars` wide characters
// of GbkToWide(gbk); the length of `gbk` when it holds fewer.
size_t GbkByteOffset(std::string_view gbk, size_t chars);

// The GBK form of each code point below 0x10000, for converters that go
// through many: 0 when it has none, a value below 0x100 for one byte,
// otherwise lead byte * 256 + trail byte.
const uint16_t* GbkCodes();

// Writes the GBK form of one Unicode code point at `out`, "?" when it has
// none, and gives the number of bytes written (1 or 2).
size_t PutGbk(char32_t code_point, char* out);

}  // namespace dw
