#include "store/reminder_settings.h"

#include <gtest/gtest.h>

namespace dw {
namespace {

class ReminderSettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(DbOpen(db_, ":memory:", true));
    ASSERT_TRUE(DbExecute(
        db_, "create table con(keywd,tx_tc,tx_sy,tx_wx,tx_onlygz,tx_wxkey)"));
  }
  std::string Con() {
    RecordSet rs;
    RsOpen(rs, "select tx_tc||tx_sy||tx_wx||tx_onlygz||tx_wxkey from con", db_);
    RsRequery(rs);
    const Array<std::string> rows = RsAllRows(rs);
    return rows.Rows() == 1 ? rows(1, 1)
                            : "rows: " + std::to_string(rows.Rows());
  }
  Database db_;
};

TEST_F(ReminderSettingsTest, SavedSettingsReadBackAndOnlyExactOnesCount) {
  // A file of before: no table of ours, `con` without a row.
  EXPECT_FALSE(ReadReminderSettings(db_).window);
  EXPECT_TRUE(ReadReminderSettings(db_).quiet_first_run);  // on unless set
  ReminderSettings s;
  s.window = s.only_keywords = s.close_to_tray = true;
  s.push_address = "http://push.test/k";
  ASSERT_TRUE(SaveReminderSettings(db_, s));
  EXPECT_EQ(Con(), "1001http://push.test/k");
  s.sound = s.desktop_notice = s.start_on_launch = true;
  s.window = s.close_to_tray = s.quiet_first_run = false;
  ASSERT_TRUE(SaveReminderSettings(db_, s));
  EXPECT_EQ(Con(), "0101http://push.test/k");  // the same row again
  const ReminderSettings back = ReadReminderSettings(db_);
  EXPECT_TRUE(back.sound && back.only_keywords && back.desktop_notice &&
              back.start_on_launch && !back.window && !back.close_to_tray &&
              !back.quiet_first_run);
  ASSERT_TRUE(DbExecute(db_, "update con set tx_sy=' 1', tx_onlygz='true'"));
  EXPECT_FALSE(ReadReminderSettings(db_).sound);
  EXPECT_FALSE(ReadReminderSettings(db_).only_keywords);
}

TEST_F(ReminderSettingsTest, AFailedWriteOfOurOwnLeavesConAsItWas) {
  ASSERT_TRUE(DbExecute(db_, "insert into con values('', '1', 0, 0, 0, '')"));
  // A view by our table's name: `con` is written first, then this fails.
  ASSERT_TRUE(DbExecute(
      db_, "create view dw_setting as select 'a' as key, 'b' as value"));
  ReminderSettings s;
  s.sound = true;
  EXPECT_FALSE(SaveReminderSettings(db_, s));
  EXPECT_EQ(Con(), "1000");
}

}  // namespace
}  // namespace dw
