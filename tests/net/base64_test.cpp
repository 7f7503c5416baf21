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
  std::string input(200, 'x');
  std::string out = Base64Encode(input);
  EXPECT_EQ(out.size(), 4 * ((input.size() + 2) / 3));
  EXPECT_EQ(
      out.find_first_not_of(
          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
      std::string::npos);
  EXPECT_EQ(out.substr(0, 8), "eHh4eHh4");
}

TEST(Base64EncodeTest, PaddingFollowsLengthModThree) {
  for (size_t n = 1; n <= 9; ++n) {
    std::string out = Base64Encode(std::string(n, '\x80'));
    size_t pad = out.size() - out.find_last_not_of('=') - 1;
    EXPECT_EQ(out.size(), 4 * ((n + 2) / 3)) << n;
    EXPECT_EQ(pad, (3 - n % 3) % 3) << n;
  }
}

}  // namespace
}  // namespace dw
