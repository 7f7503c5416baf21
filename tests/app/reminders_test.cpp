#include "app/reminders.h"

#include <gtest/gtest.h>

#include <QSystemTrayIcon>
#include <QTest>
#include <optional>

#include "app/desktop/recording_notifications.h"
#include "app/desktop/recording_push_server.h"
#include "app/desktop/tray_icon.h"
#include "app/program.h"
#include "app/rules/repair_window.h"
#include "app/rules/rules_window.h"
#include "collect/collect_texts.h"
#include "collect/round_fixture.h"
#include "runtime/ui/qt_app.h"
#include "runtime/ui/qt_text.h"

namespace dw::testing {
namespace {

// The program on two rules, Alpha (7) and Beta (8), notifying and pushing
// to services of the test's own. The view is fed as a round feeds it.
class RemindersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(bus_.Address().isEmpty());
    test::App();
    push_.emplace();
    ASSERT_TRUE(notices_.Serve(bus_));
    db_.AddRule(ListRule(7, "Alpha", "http://127.0.0.1:1/7"));
    db_.AddRule(ListRule(8, "Beta", "http://127.0.0.1:1/8"));
    StartupOptions options;
    options.database_path = db_.path();
    options.message_box = [](const std::string&, int,
                             const std::optional<std::string>&) { return 0; };
    ASSERT_TRUE(StartProgram(program_, options));
    ReminderSettings settings = program_.reminders->Settings();
    settings.desktop_notice = settings.push = true;
    settings.push_address = push_->Address().toStdString();
    program_.reminders->Apply(settings);
  }
  void TearDown() override { EndProgram(program_); }

  // One rule run with `posts` reminded of, failing at `step` or not.
  void Run(int rule_id, int posts, FailedStep step = FailedStep::kNone) {
    WindowCollectView& view = *program_.view;
    std::vector<ReminderRow> rows;
    for (int i = 0; i < posts; ++i) {
      rows.push_back({"t" + std::to_string(rule_id * 100 + ++serial_), "l"});
    }
    view.AddReminderRows(rows);
    view.EndReminderBatch();
    RuleReport report;
    report.rule_id = rule_id;
    report.rule_name = rule_id == 7 ? "Alpha" : "Beta";
    report.failed_step = step;
    RecordRun(book_, report);
    view.ShowRuleHealth(rule_id, book_[rule_id]);
  }
  void EndRound() {
    program_.view->ShowStatus(" " + std::string(kStatusRoundDone), "t");
  }
  QString Status() const {
    return program_.main_window->Status()->Part(1)->text();
  }

  test::PrivateBus bus_;
  test::RecordingNotifications notices_;
  std::optional<test::RecordingPushServer> push_;  // once the app is
  TestDatabase db_;
  Program program_;
  HealthBook book_;
  int serial_ = 0;
};

TEST_F(RemindersTest, FirstRunsAreQuietThenOneNoticeAndOnePushARound) {
  Run(7, 3);
  Run(8, 2);
  EndRound();
  Run(7, 4);
  Run(8, 3);
  EndRound();
  ASSERT_TRUE(test::WaitUntil([&] { return !push_->requests.empty(); }));
  QTest::qWait(300);
  ASSERT_EQ(notices_.shown.size(), 1u);
  EXPECT_EQ(notices_.shown[0][1], QString::fromUtf8("7 条新线报"));
  EXPECT_TRUE(notices_.shown[0][2].startsWith(QString::fromUtf8(
      "Alpha、Beta\nt706\nt707\nt708\nt709\nt810\n……另有 2 条")));
  ASSERT_EQ(push_->requests.size(), 1u);
  const QUrlQuery form = test::RecordingPushServer::Form(push_->requests[0]);
  EXPECT_EQ(form.queryItemValue("title", QUrl::FullyDecoded),
            QString::fromUtf8("7 条新线报：Alpha、Beta"));

  // A push body stops at 20 lines, the last counting the rest.
  RoundNews news{std::vector<ReminderRow>(25, {"x", "l"}), {}};
  const QString desp = BatchPushForm(news)[1].second;
  EXPECT_EQ(desp.count('\n'), kPushLines);
  EXPECT_TRUE(desp.endsWith(QString::fromUtf8("另有 6 条\n")));
}

TEST_F(RemindersTest, ABrokenRuleIsToldOnceWithItsRepairUntilItRecovers) {
  TrayIcon* tray = program_.reminders->Tray();
  for (int round = 1; round <= 4; ++round) {
    Run(7, 0);
    Run(8, 0, FailedStep::kStartMarker);
    EndRound();
  }
  ASSERT_TRUE(test::WaitUntil([&] { return !notices_.shown.empty(); }));
  QTest::qWait(300);
  ASSERT_EQ(notices_.shown.size(), 1u);
  EXPECT_EQ(notices_.shown[0][1],
            QString::fromUtf8("规则 Beta：未找到开始标记"));
  EXPECT_TRUE(
      notices_.shown[0][3].endsWith(QString::fromUtf8(",repair:8,修复建议")));
  EXPECT_TRUE(Status().endsWith(QString::fromUtf8("采集..，1 条规则失败")));
  EXPECT_TRUE(tray->Icon()->toolTip().contains("Beta"));

  notices_.Choose(41, "repair:8");
  ASSERT_TRUE(test::WaitUntil([&] {
    RulesWindow* rules = program_.rules->Window();
    auto* repair = rules ? rules->findChild<RepairWindow*>() : nullptr;
    return repair && repair->isVisible();
  }));

  Run(8, 1);
  EndRound();
  EXPECT_TRUE(tray->Broken().isEmpty());
  EXPECT_FALSE(tray->Icon()->toolTip().contains("Beta"));
  EXPECT_FALSE(Status().contains(QString::fromUtf8("失败")));
}

// Each post of a round keeps its own link on its line of the push.
TEST(BatchPushForm, EachLineHoldsItsTitleAndItsLink) {
  const struct {
    std::vector<ReminderRow> rows;  // GBK
    const char* lines;
  } cases[] = {
      {{{"A", "http://a/1"}}, "A http://a/1\n"},
      {{{"\xb2\xe8", "http://a/2"}, {"B c", "http://b/3"}, {"D", "http://d/4"}},
       "茶 http://a/2\nB c http://b/3\nD http://d/4\n"},
  };
  for (const auto& c : cases) {
    const PushForm form = BatchPushForm(RoundNews{c.rows, {}});
    ASSERT_EQ(form.size(), 2u);
    EXPECT_EQ(form[1], std::make_pair(QString("desp"),
                                      QString::fromUtf8(c.lines)));
  }
}

}  // namespace
}  // namespace dw::testing
