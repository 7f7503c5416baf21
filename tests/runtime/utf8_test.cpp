#include "runtime/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dw {
namespace {

// A sequence cut off by the end is sound only where the text may be cut.
TEST(Utf8Test, SoundnessAtTheEnd) {
  struct Case {
    std::string text;
    bool whole;
    bool may_be_cut;
  };
  const std::vector<Case> cases = {
      {"a\xE4\xB8\xAD", true, true},
      {"a\xE4\xB8", false, true},
      {"\xC0\xAF", false, false},
      {"\xE4"
       "a\xAD",
       false, false},
      {"\xF5\x80\x80\x80", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSoundUtf8(c.text), c.whole) << c.text;
    EXPECT_EQ(IsSoundUtf8(c.text, Utf8End::kMayBeCut), c.may_be_cut) << c.text;
  }
}

// Writing a code point and reading it back, over each length of sequence.
TEST(Utf8Test, WritesWhatItReads) {
  for (char32_t c : {U'a', U'\u00DF', U'\u4E2D', U'\U0001F525'}) {
    std::string bytes;
    AppendUtf8(c, bytes);
    int32_t read = 0;
    EXPECT_EQ(DecodeUtf8(bytes, 0, &read), bytes.size());
    EXPECT_EQ(read, static_cast<int32_t>(c));
    EXPECT_EQ(Utf8Length(bytes), 1u);
    EXPECT_EQ(CharacterStarts("x" + bytes),
              (std::vector<std::size_t>{0, 1, bytes.size() + 1}));
  }
}

}  // namespace
}  // namespace dw
