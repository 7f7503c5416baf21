#include "collect/seen_ids.h"

#include <gtest/gtest.h>

namespace dw {
namespace {

TEST(SeenIdsTest, MatchesWholeIdsOnly) {
  SeenIds seen;
  EXPECT_TRUE(seen.Add("123"));
  EXPECT_TRUE(seen.Contains("123"));
  EXPECT_FALSE(seen.Contains("23"));
  EXPECT_FALSE(seen.Contains("12"));
  EXPECT_FALSE(seen.Contains("1234"));
  EXPECT_FALSE(seen.Contains(",123"));
  EXPECT_FALSE(seen.Contains(""));
}

TEST(SeenIdsTest, AddingAgainKeepsOneAndRemoveForgets) {
  SeenIds seen;
  EXPECT_TRUE(seen.Add("a,b"));
  EXPECT_FALSE(seen.Add("a,b"));
  EXPECT_EQ(seen.size(), 1u);
  EXPECT_FALSE(seen.Contains("a"));
  seen.Remove("a,b");
  seen.Remove("never");
  EXPECT_FALSE(seen.Contains("a,b"));
  EXPECT_EQ(seen.size(), 0u);
}

}  // namespace
}  // namespace dw
