#include "net/base64.h"

#include <gtest/gtest.h>

#include <string>

namespace dw {
namespace {

struct Base64Case {
  std::string input;
  std::string expected;
};

TEST(Base64EncodeTest, MatchesKnownVectors) {
  // The RFC 4648 test vectors plus zero bytes and GBK text.
  const Base64Case cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\0", 1), "AA=="},
      {std::string("a\0b", 3), "YQBi"},
      {"\xFF\xFE\xFD", "//79"},
      {"\xD5\xE6:pw", "1eY6cHc="},  // 真:pw
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Base64Encode(c.input), c.expected) << c.expected;
  }
}

TEST(Base64EncodeTest, LongInputStaysOnOneLine) {
  // Past the 76 characters after which mail encoders break the line.
  std::string expected;
  for (int k = 0; k < 30; ++k) expected += "eHh4";
  EXPECT_EQ(Base64Encode(std::string(90, 'x')), expected);
}

}  // namespace
}  // namespace dw
