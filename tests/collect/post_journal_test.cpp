#include "collect/post_journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_database.h"

namespace dw::testing {
namespace {

// What is read back: posts whole, in order, each link once; a line a full
// disk cut short is passed over, and nothing goes through a link.
TEST(PostJournalTest, ReadsBackWholeLinesOnlyAndNeverThroughALink) {
  TestDatabase db;
  const std::string path = JournalPathBeside(db.path());
  StoredPost odd{"A\tB", 7, "x\\ty\nz\r", "http://a/1", "1/2 03:04", 1, 99};
  StoredPost plain{"A", 7, "t", "http://a/2", "1/2 03:05", 0, 0};
  for (const StoredPost* post : {&odd, &plain, &odd}) {
    ASSERT_TRUE(AppendToJournal(path, *post, nullptr));
  }
  std::ofstream(path, std::ios::app) << JournalLine(plain).substr(0, 9);
  const auto read = ReadJournal(path);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(JournalLine(read[0]), JournalLine(odd));
  EXPECT_EQ(JournalLine(read[1]), JournalLine(plain));

  const std::string link = path + ".link";
  std::filesystem::rename(path, link);
  std::filesystem::create_symlink(link, path);
  std::string problem;
  EXPECT_FALSE(AppendToJournal(path, plain, &problem));
  EXPECT_FALSE(problem.empty());
  EXPECT_TRUE(ReadJournal(path).empty());
}

}  // namespace
}  // namespace dw::testing
