#pragma once

#include <gtest/gtest.h>
#include <iconv.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "collect/collect_texts.h"
#include "collect/collection_round.h"
#include "collect/pending_posts.h"
#include "collect/program_state.h"
#include "collect/rule_settled.h"
#include "fixtures/test_site.h"
#include "net/http_request.h"
#include "recording_view.h"
#include "store/round_storage.h"
#include "store/rule_loader.h"
#include "test_database.h"

namespace dw::testing {

// The HTTP library is set up once for the process, before any thread.
inline const HttpGlobalInit kHttpInit;

// One post as a list page shows it; the title is GBK.
struct PagePost {
  std::string id;
  std::string title;
};

inline constexpr char kGreenTea[] = "\xC2\xCC\xB2\xE8";  // 绿茶
inline constexpr char kCoffee[] = "\xBF\xA7\xB7\xC8";    // 咖啡

// A list page in GBK: posts between two markers, with line breaks, tabs and
// quoted attributes as real pages have them.
inline std::string ListPage(const std::vector<PagePost>& posts) {
  std::string page =
      "<html><head><title>list</title></head><body>\r\n"
      "<div class=\"nav\"><a href=\"/\">home</a></div>\r\n"
      "<ul class=\"posts\">\r\n";
  for (const PagePost& post : posts) {
    page += "\t<li><a href=\"/post/" + post.id + "\">" + post.title +
            "</a>\t<span class=\"n\">1</span></li>\r\n";
  }
  return page + "</ul>\r\n<div class=\"foot\">end</div></body></html>\r\n";
}

inline std::string GbkToUtf8(const std::string& gbk) {
  iconv_t cd = iconv_open("UTF-8", "GBK");
  std::string out(gbk.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(gbk.data());
  size_t in_left = gbk.size();
  char* to = out.data();
  size_t out_left = out.size();
  iconv(cd, &in, &in_left, &to, &out_left);
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

// A rule that reads ListPage: GBK, cut at the post list, id in group 1,
// title in group 2.
inline RuleRow ListRule(int id, const std::string& name,
                        const std::string& url) {
  RuleRow rule;
  rule.id = id;
  rule.rank = std::to_string(100 - id);
  rule.name = name;
  rule.url = url;
  rule.isgbk = "1";
  rule.reg = "<li><a href=/post/(\\d+)>(.*?)</a>";
  rule.before = "<ul class=#\xD2\xFD\xBA\xC5posts#\xD2\xFD\xBA\xC5>";  // 引号
  rule.after = "</ul>";
  rule.tindex = "2";
  rule.idindex = "1";
  rule.pinurl = "http://deals.example/post/[1]";
  return rule;
}

// Puts `rule` into its row of `table` the way the rule loader does.
inline void PutRule(RuleTable& table, const RuleRow& rule) {
  const std::string cells[] = {
      rule.isdo,   rule.rank,    rule.isgbk,  rule.type,   rule.name,
      rule.url,    rule.cookie,  rule.reg,    rule.before, rule.after,
      rule.tindex, rule.idindex, rule.pinurl, rule.lastid};
  for (int cell = kRuleIsdo; cell <= kRuleLastid; ++cell) {
    table.Cell(rule.id, cell) = cells[cell - kRuleIsdo];
  }
}

// Whole rounds against the local site, with the program's state built the
// way start-up builds it from a database file.
class RoundTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    docroot_ =
        new std::filesystem::path(std::filesystem::temp_directory_path() /
                                  ("dw_rounds_" + std::to_string(::getpid())));
    std::filesystem::create_directories(*docroot_);
    site_ = new TestSite(docroot_->string());
  }
  static void TearDownTestSuite() {
    delete site_;
    std::filesystem::remove_all(*docroot_);
    delete docroot_;
  }
  void SetUp() override { ASSERT_TRUE(site_->Running()) << site_->Error(); }

  // Serves `bytes` at a path of this test's own; returns its address.
  std::string WritePage(const std::string& name, const std::string& bytes) {
    std::string file =
        std::string(
            ::testing::UnitTest::GetInstance()->current_test_info()->name()) +
        "_" + name + ".html";
    std::replace(file.begin(), file.end(), '/', '_');
    std::ofstream(*docroot_ / file, std::ios::binary) << bytes;
    return site_->HttpUrl("/" + file);
  }

  // What start-up does once the database file is found.
  void StartUp() {
    ASSERT_TRUE(DbOpen(state_.database, db_.path()));
    state_.database_path = db_.path();
    PrepareRoundStorage(state_.database);
    state_.first_round = true;
    LoadRules(state_.database, state_.record_set, state_.rule_table, view_);
    LoadSettings(state_.database, state_.record_set, state_.settings,
                 state_.keyword_list);
    replay_ = ReplayJournal(state_);
    state_.pacing.rule_pause_ms = 10;
    state_.pacing.round_pause_ms = 150 * 1000;
  }

  // Runs `hook` on the worker's thread inside the insert of the `n`-th post
  // into info (its row in, the insert not yet ended); after StartUp.
  void OnInsert(int n, std::function<void()> hook) {
    insert_at_ = n;
    insert_hook_ = std::move(hook);
    sqlite3* db = state_.database.Handle();
    sqlite3_create_function(
        db, "dw_test_insert", 0, SQLITE_UTF8, this,
        [](sqlite3_context* context, int, sqlite3_value**) {
          auto* test = static_cast<RoundTest*>(sqlite3_user_data(context));
          if (++test->inserts_ == test->insert_at_) test->insert_hook_();
        },
        nullptr, nullptr);
    sqlite3_exec(db,
                 "CREATE TEMP TRIGGER dw_test_insert AFTER INSERT ON info "
                 "BEGIN SELECT dw_test_insert(); END",
                 nullptr, nullptr, nullptr);
  }

  // As after a first round in which every rule ran well: the seen ids
  // alone then decide which posts are new.
  void PastFirstRound() {
    state_.first_round = false;
    for (int id : state_.rule_table.Ids()) {
      RuleReport ran;
      ran.rule_id = id;
      NoteRuleSettled(state_, ran);
    }
  }

  // Rounds ended, whatever pause their status names.
  int RoundsDone() const {
    return static_cast<int>(std::count_if(
        view_.statuses.begin(), view_.statuses.end(), [](const std::string& s) {
          return s.starts_with(std::string(" ") + kStatusRoundDoneBefore);
        }));
  }

  int CountStatus(const std::string& text) const {
    return static_cast<int>(
        std::count(view_.statuses.begin(), view_.statuses.end(), " " + text));
  }

  // Starts collection, lets one round run to its end (the worker is then in
  // its pause before the next), and pauses it.
  void RunRound() {
    const int done = RoundsDone();
    StartCollection(state_, view_);
    ASSERT_TRUE(view_.PumpUntil([&] { return RoundsDone() > done; },
                                std::chrono::seconds(60)));
    EndCollection(state_);
    view_.Pump();
  }

  std::vector<std::string> PostTitles() const {
    std::vector<std::string> titles;
    for (const PostRow& row : view_.posts) titles.push_back(row.title);
    return titles;
  }
  std::vector<std::string> ReminderTitles() const {
    std::vector<std::string> titles;
    for (const ReminderRow& row : view_.reminders) titles.push_back(row.title);
    return titles;
  }
  std::vector<std::string> StoredUrls() {
    std::vector<std::string> urls;
    for (const InfoRow& row : db_.Info()) urls.push_back(row.url);
    return urls;
  }

  static std::string Link(const std::string& id) {
    return "http://deals.example/post/" + id;
  }

  static inline TestSite* site_ = nullptr;
  static inline std::filesystem::path* docroot_ = nullptr;

  JournalReplay replay_;
  int insert_at_ = 0;
  int inserts_ = 0;
  std::function<void()> insert_hook_;

  TestDatabase db_;
  RecordingView view_;  // outlives the state, whose end stops the worker
  ProgramState state_;
};

}  // namespace dw::testing
