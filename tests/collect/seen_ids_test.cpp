#include "collect/seen_ids.h"

#include <gtest/gtest.h>

namespace dw {
namespace {

// Membership is by whole id: once 123 is seen, 23 is still new.
TEST(SeenIdsTest, HoldsWholeIdsOnceEachUntilRemoved) {
  SeenIds seen;
  EXPECT_TRUE(seen.Add("123"));
  for (const char* other : {"23", "12", "1234", ",123", ""}) {
    EXPECT_FALSE(seen.Contains(other)) << other;
  }
  EXPECT_FALSE(seen.Add("123"));
  EXPECT_EQ(seen.size(), 1u);
  seen.Remove("123");
  seen.Remove("never");
  EXPECT_FALSE(seen.Contains("123"));
  EXPECT_EQ(seen.size(), 0u);
}

}  // namespace
}  // namespace dw
