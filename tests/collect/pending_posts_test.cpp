#include "collect/pending_posts.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "collect/post_journal.h"
#include "collect/run_log.h"
#include "round_fixture.h"

namespace dw::testing {
namespace {

using Texts = std::vector<std::string>;

class PendingPostsTest : public RoundTest {
 protected:
  // A round on a page of `posts` while another program holds the database
  // for writing, longer than the busy timeout (lowered, so a try waits
  // 50 ms); lookups still read.
  void HeldRound(const std::vector<PagePost>& posts) {
    WritePage("list", ListPage(posts));
    sqlite3_busy_timeout(state_.database.Handle(), 50);
    db_.Exec("BEGIN IMMEDIATE");
    RunRound();
  }
  // Counts each wait for the database instead of waiting.
  void CountWaits() {
    sqlite3_busy_handler(
        state_.database.Handle(),
        [](void* count, int attempt) {
          if (attempt == 0) ++*static_cast<int*>(count);
          return 0;
        },
        &waits_);
  }
  int waits_ = 0;
};

// Posts refused are listed and announced once, kept pending and stored at
// the end of the rule or before the next insert (so in the order found);
// those still refused at program end go to the log.
TEST_F(PendingPostsTest, PostsRefusedByAHeldDatabaseAreStoredLaterOnce) {
  const std::string n = "http://n.example/";
  RuleRow numbered = ListRule(8, "Numbered", WritePage("list", ""));
  numbered.type = "8";
  numbered.pinurl = n + "[1]";
  db_.AddRule(ListRule(7, "Alpha", numbered.url));
  db_.AddRule(numbered);
  db_.AddRule(ListRule(9, "Alpha too", numbered.url));  // the same links
  StartUp();
  PastFirstRound();  // new by their ids alone, not looked up
  HeldRound({{"1", "One"}});
  db_.Exec("COMMIT");
  EXPECT_EQ(ReminderTitles(), (Texts{"One", "One"}));
  EXPECT_EQ(view_.posts.size(), 2u);
  EXPECT_EQ(view_.health[7].last->posts.store_failed, 1);
  EXPECT_EQ(view_.health[7].waiting_posts, 1);  // waiting now
  RunRound();
  EXPECT_TRUE(ReminderTitles().empty());
  EXPECT_EQ(StoredUrls(), (Texts{Link("1"), n + "1"}));
  EXPECT_EQ(view_.health[7].waiting_posts, 0);

  HeldRound({{"2", "Two"}, {"1", "One"}});
  db_.Exec("COMMIT");
  WritePage("list", ListPage({{"3", "Three"}, {"2", "Two"}, {"1", "One"}}));
  RunRound();
  EXPECT_EQ(ReminderTitles(), (Texts{"Three", "Three"}));
  EXPECT_EQ(StoredUrls(), (Texts{Link("1"), n + "1", Link("2"), n + "2",
                                 Link("3"), n + "3"}));

  HeldRound({{"4", kGreenTea}});
  SavePendingPosts(state_);  // what the end of the program does
  db_.Exec("COMMIT");
  EXPECT_TRUE(state_.pending_posts.empty());
  std::stringstream log;
  log << std::ifstream(LogPathBeside(db_.path())).rdbuf();
  const std::string tea = "\tnot stored\t" + GbkToUtf8(kGreenTea) + "\t";
  EXPECT_NE(log.str().find("\trule 7\tAlpha" + tea + Link("4") + "\tfound "),
            std::string::npos);
  EXPECT_NE(log.str().find("\trule 8\tNumbered" + tea + n + "4\tfound "),
            std::string::npos);
}

// A first round under a held database cannot tell which posts are stored:
// none is announced or stored twice, the new one is announced once stored,
// and each rule run waits for the database once, however many posts queue.
TEST_F(PendingPostsTest, AHeldFirstRoundStoresEachPostOnceWaitingOncePerRule) {
  db_.AddInfo(Link("1"));
  db_.AddInfo(Link("2"));
  const std::string url = WritePage(
      "list",
      ListPage({{"4", "Four"}, {"3", "Three"}, {"2", "Two"}, {"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  db_.AddRule(ListRule(9, "Alpha too", url));  // the same links
  StartUp();
  CountWaits();
  db_.Exec("BEGIN EXCLUSIVE");
  RunRound();
  EXPECT_EQ(waits_, 2);
  EXPECT_TRUE(ReminderTitles().empty());
  EXPECT_EQ(view_.health[7].last->posts.store_failed, 4);
  db_.Exec("COMMIT");
  RunRound();
  EXPECT_EQ(ReminderTitles(), (Texts{"Four", "Three"}));
  EXPECT_EQ(StoredUrls(), (Texts{Link("1"), Link("2"), Link("3"), Link("4")}));
}

// New posts refused queue behind the first without waiting again, and
// left-overs the log cannot take go to standard error.
TEST_F(PendingPostsTest, LeftOversTheLogRefusesGoToStandardError) {
  db_.AddRule(ListRule(7, "Alpha", WritePage("list", "")));
  StartUp();
  PastFirstRound();
  std::filesystem::create_directory(LogPathBeside(db_.path()));
  WritePage("list", ListPage({{"6", "Six"}, {"5", "Five"}}));
  CountWaits();
  db_.Exec("BEGIN IMMEDIATE");
  RunRound();
  EXPECT_EQ(waits_, 1);
  ::testing::internal::CaptureStderr();
  SavePendingPosts(state_);
  const std::string printed = ::testing::internal::GetCapturedStderr();
  db_.Exec("COMMIT");
  EXPECT_NE(printed.find("\trule 7\tAlpha\tnot stored\tFive\t" + Link("5")),
            std::string::npos)
      << printed;
}

// A rule run's posts share one commit, however many there are. A commit
// refused (a reader holds the file) leaves them listed and announced once,
// pending, and stored by the next run without a second announcement.
TEST_F(PendingPostsTest, ARunCommitsOnceAndARefusedCommitKeepsItsPosts) {
  const std::string url = WritePage("list", ListPage({{"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  StartUp();
  PastFirstRound();
  int commits = 0;
  sqlite3_commit_hook(
      state_.database.Handle(),
      [](void* count) {
        ++*static_cast<int*>(count);
        return 0;
      },
      &commits);
  RunRound();  // what a first write of the file adds, out of the count
  std::vector<int> counted;
  for (const auto& page :
       {ListPage({{"2", "Two"}}),
        ListPage({{"5", "Five"}, {"4", "Four"}, {"3", "Three"}})}) {
    WritePage("list", page);
    commits = 0;
    RunRound();
    counted.push_back(commits);
  }
  EXPECT_EQ(counted[0], counted[1]);

  WritePage("list", ListPage({{"7", "Seven"}, {"6", "Six"}, {"5", "Five"}}));
  sqlite3_busy_timeout(state_.database.Handle(), 50);
  db_.Exec("BEGIN; SELECT count(*) FROM info");
  RunRound();
  db_.Exec("COMMIT");
  EXPECT_EQ(ReminderTitles(), (Texts{"Seven", "Six"}));
  EXPECT_EQ(state_.pending_posts.size(), 2u);
  EXPECT_EQ(view_.health[7].last->posts.stored, 0);
  EXPECT_EQ(view_.health[7].last->posts.store_failed, 2);
  EXPECT_EQ(db_.Info().size(), 5u);
  RunRound();
  EXPECT_TRUE(ReminderTitles().empty());
  EXPECT_EQ(StoredUrls(), (Texts{Link("1"), Link("2"), Link("3"), Link("4"),
                                 Link("5"), Link("6"), Link("7")}));

  // An insert failing so that the whole transaction goes (as a full disk
  // does) takes the run's earlier inserts with it: they wait again too.
  WritePage("list", ListPage({{"10", "Ten"}, {"9", "Nine"}, {"8", "Eight"}}));
  ASSERT_TRUE(DbExecute(state_.database,
                        "CREATE TEMP TRIGGER full BEFORE INSERT ON info WHEN "
                        "new.url = '" +
                            Link("9") +
                            "' BEGIN SELECT RAISE(ROLLBACK, 'full'); END"));
  RunRound();
  EXPECT_EQ(state_.pending_posts.size(), 3u);
  ASSERT_TRUE(DbExecute(state_.database, "DROP TRIGGER full"));
  RunRound();
  EXPECT_EQ(StoredUrls().size(), 10u);
  EXPECT_EQ(StoredUrls().back(), Link("10"));
}

// Killed in the middle of a run's inserts, the program leaves none of the
// run stored and nothing of it shown, and the next start announces and
// stores each post once.
TEST_F(PendingPostsTest, AKillInTheMiddleOfARunLosesNoPost) {
  const std::string url =
      WritePage("list", ListPage({{"3", "Three"}, {"2", "Two"}, {"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    ::close(ready[0]);
    StartUp();
    OnInsert(2, [this, fd = ready[1]] {
      view_.Pump();
      const char shown = view_.posts.empty() ? 'k' : 's';
      (void)!::write(fd, &shown, 1);
      for (;;) ::pause();
    });
    StartCollection(state_, view_);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  pollfd wait{ready[0], POLLIN, 0};
  char shown = 0;
  const bool arrived =
      ::poll(&wait, 1, 60 * 1000) == 1 && ::read(ready[0], &shown, 1) == 1;
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ASSERT_TRUE(arrived);
  EXPECT_EQ(shown, 'k');
  EXPECT_TRUE(StoredUrls().empty());
  StartUp();
  RunRound();
  EXPECT_EQ(ReminderTitles(), (Texts{"Three", "Two", "One"}));
  EXPECT_EQ(StoredUrls(), (Texts{Link("1"), Link("2"), Link("3")}));
}

// Killed while posts wait for a held database, the program keeps them in
// its private journal; the next start stores each once (one a third
// program stored meanwhile is found, not stored again) and empties it.
TEST_F(PendingPostsTest, AKillWithPostsWaitingLosesNoneAndDoublesNone) {
  const std::string url =
      WritePage("list", ListPage({{"3", "Three"}, {"2", "Two"}, {"1", "One"}}));
  db_.AddRule(ListRule(7, "Alpha", url));
  const std::string journal = JournalPathBeside(db_.path());
  db_.Exec("BEGIN IMMEDIATE");
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    StartUp();
    sqlite3_busy_timeout(state_.database.Handle(), 50);
    StartCollection(state_, view_);
    for (;;) ::pause();
  }
  const auto lines = [&] {
    std::ifstream in(journal);
    return std::count(std::istreambuf_iterator<char>(in), {}, '\n');
  };
  for (int i = 0; i < 600 && lines() < 3; ++i) ::usleep(100 * 1000);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  db_.Exec("COMMIT");
  ASSERT_EQ(lines(), 3);
  EXPECT_EQ(
      std::filesystem::status(journal).permissions(),
      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  db_.AddInfo(Link("2"));
  StartUp();
  EXPECT_EQ(replay_.stored, 2);
  EXPECT_EQ(replay_.found_stored, 1);
  EXPECT_FALSE(std::filesystem::exists(journal));
  EXPECT_EQ(StoredUrls(), (Texts{Link("2"), Link("1"), Link("3")}));
  RunRound();
  EXPECT_TRUE(ReminderTitles().empty());
  EXPECT_EQ(StoredUrls().size(), 3u);
}

// Posts a database held for two seconds refused are stored (and announced,
// once known new) within seconds of its freeing, not at the next round.
TEST_F(PendingPostsTest, WaitingPostsAreStoredSecondsAfterTheDatabaseFrees) {
  db_.AddRule(ListRule(
      7, "Alpha", WritePage("list", ListPage({{"2", "Two"}, {"1", "One"}}))));
  StartUp();
  sqlite3_busy_timeout(state_.database.Handle(), 50);
  db_.Exec("BEGIN EXCLUSIVE");
  const auto freed = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  StartCollection(state_, view_);
  ASSERT_TRUE(view_.PumpUntil([&] { return RoundsDone() > 0; },
                              std::chrono::seconds(60)));
  view_.PumpUntil([] { return false; },
                  std::chrono::duration_cast<std::chrono::milliseconds>(
                      freed - std::chrono::steady_clock::now()));
  db_.Exec("COMMIT");
  EXPECT_TRUE(view_.PumpUntil([&] { return StoredUrls().size() == 2; },
                              std::chrono::seconds(8)));
  EndCollection(state_);
  view_.Pump();
  EXPECT_EQ(ReminderTitles(), (Texts{"Two", "One"}));
}

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

// The last id a kind 8 rule advances lives in memory only; after a restart
// the first round finds the posts it stored before.
TEST_F(PendingPostsTest, AfterARestartKindEightStoresNothingTwice) {
  const std::string url =
      WritePage("list", ListPage({{"102", "n102"}, {"101", "n101"}}));
  RuleRow numbered = ListRule(8, "Numbered", url);
  numbered.type = "8";
  numbered.lastid = "100";
  db_.AddRule(numbered);
  StartUp();
  RunRound();
  state_.seen_ids = SeenIds();  // a new start finds only the file
  StartUp();
  RunRound();
  EXPECT_EQ(PostTitles(), (Texts{"n102", "n101", "n102", "n101"}));
  EXPECT_TRUE(ReminderTitles().empty());
  EXPECT_EQ(StoredUrls(), (Texts{Link("101"), Link("102")}));
}

}  // namespace
}  // namespace dw::testing
