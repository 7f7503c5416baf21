#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/gb18030.h"

namespace dw {

// Program text <-> wide characters, for the engines that need a character
// view of it (the tables are those of runtime/gb18030.h).
//
// Bytes that do not form a character (a lead byte without a valid trail
// byte, a stray 0xFF) become the wide characters U+DC80..U+DCFF, which no
// code produces; a lead and valid trail byte that no table gives a
// character become one character 0x110000 + lead * 256 + trail, and four
// bytes of the four-byte shape without one become 0x120000 + their number
// (FourByteNumber), both beyond Unicode. All turn back into the same bytes:
// a round trip never loses or changes a byte, and characters fall exactly
// where the text operations step.

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

// Wide characters with no form in program text (lone surrogates) become
// "?".
std::string WideToGbk(std::wstring_view wide);

// The number of GBK bytes that make up the first `chars` wide characters
// of GbkToWide(gbk); the length of `gbk` when it holds fewer.
size_t GbkByteOffset(std::string_view gbk, size_t chars);

}  // namespace dw
