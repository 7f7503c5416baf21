#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "round_fixture.h"
#include "store/post_history.h"

namespace dw::testing {
namespace {

std::vector<PagePost> Posts(int from, int to) {
  std::vector<PagePost> posts;
  for (int id = to; id >= from; --id) {
    posts.push_back({std::to_string(id), "title number " + std::to_string(id)});
  }
  return posts;
}

class DamagedHistoryTest : public RoundTest,
                           public ::testing::WithParamInterface<const char*> {};

// Random bytes in a full-text index's own table, as a bad sector leaves
// them, cost no post: every one is stored while the rounds run.
TEST_P(DamagedHistoryTest, ADamagedIndexStopsNoPost) {
  db_.AddRule(ListRule(7, "Alpha", WritePage("list", ListPage(Posts(1, 20)))));
  StartUp();
  ASSERT_TRUE(PrepareHistory(state_.database).search_index);
  RunRound();
  ASSERT_EQ(StoredUrls().size(), 20u);
  db_.Exec(std::string("UPDATE ") + GetParam() +
           " SET block = randomblob(length(block)) WHERE id > 1");
  for (int round = 1; round <= 3; ++round) {
    WritePage("list", ListPage(Posts(1, 20 + 20 * round)));
    RunRound();
  }
  EXPECT_EQ(StoredUrls().size(), 80u);
}

INSTANTIATE_TEST_SUITE_P(Indexes, DamagedHistoryTest,
                         ::testing::Values("dw_post_search_data",
                                           "dw_post_pairs_data"));

}  // namespace
}  // namespace dw::testing
