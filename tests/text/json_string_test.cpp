#include "text/json_string.h"

#include <gtest/gtest.h>

#include <string>

#include "text/page_text.h"

namespace dw {
namespace {

// What is not a whole escape is kept as written, and a surrogate without
// its other half stands for a character program text cannot hold.
TEST(DecodeJsonStringTest, BrokenEscapesAreKept) {
  const std::string replacement = Utf8ToGbk("\xEF\xBF\xBD");  // U+FFFD
  const struct {
    std::string json;
    std::string text;
  } cases[] = {
      {"a\\x", "a\\x"},
      {"\\u12", "\\u12"},
      {"\\u12G4;", "\\u12G4;"},
      {"end\\", "end\\"},
      {"\\ud83d", replacement},
      {"\\udd25x", replacement + "x"},
      {"\\ud83d\\u0041", replacement + "A"},
      {"\\ud83d\\ud83d\\udd25", replacement + Utf8ToGbk("\xF0\x9F\x94\xA5")},
      {"a\\u0000b", "ab"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeJsonString(c.json), c.text) << c.json;
  }
}

}  // namespace
}  // namespace dw
