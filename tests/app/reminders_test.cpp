#include "app/reminders.h"

#include <gtest/gtest.h>

namespace dw {
namespace {

// Each post of a batch keeps its own link on its line of the push.
TEST(BatchPushForm, EachLineHoldsItsTitleAndItsLink) {
  const struct {
    std::vector<ReminderRow> batch;  // GBK
    const char* title;               // UTF-8
    const char* lines;
  } cases[] = {
      {{{"A", "http://a/1"}}, "1 条新线报：A", "A http://a/1\n"},
      {{{"\xb2\xe8", "http://a/2"}, {"B c", "http://b/3"}, {"D", "http://d/4"}},
       "3 条新线报：茶",
       "茶 http://a/2\nB c http://b/3\nD http://d/4\n"},
  };
  for (const auto& c : cases) {
    const PushForm form = BatchPushForm(c.batch);
    ASSERT_EQ(form.size(), 2u);
    EXPECT_EQ(form[0], std::make_pair(QString("title"), QString(c.title)));
    EXPECT_EQ(form[1], std::make_pair(QString("desp"), QString(c.lines)));
  }
}

}  // namespace
}  // namespace dw
