// The first page of 新建: a rule from an example title, taken into the
// editor unsaved; 手动填写 opens the empty editor.
#include "app/rules/learn_window.h"

#include <QListWidget>
#include <QTableWidget>

#include "app/rules/learn_runner.h"
#include "app/rules/rule_test_runner.h"
#include "rules_fixture.h"

namespace dw::testing {
namespace {

using LearnWindowTest = RulesTest;

std::string ListPage() {
  std::string page =
      "<html><head><meta charset=\"utf-8\"></head><body><ul id=\"posts\">\n";
  for (int n = 1; n <= 4; ++n) {
    page += "<li><a href=\"/post/" + std::to_string(n) + "\">Deal " +
            std::to_string(n) + " cheap</a></li>\n";
  }
  return page + "</ul><p id=\"foot\">end</p></body></html>";
}

TEST_F(LearnWindowTest, ExampleTitleGivesARuleTheEditorTestsUnsaved) {
  const std::string stored = RuleBytes();
  QTest::mouseClick(window_->findChild<QPushButton*>("new"), Qt::LeftButton);
  auto* page = window_->findChild<LearnWindow*>();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->isVisible());
  page->Runner().SetPageForTests(ListPage());
  QTest::keyClicks(page->findChild<QLineEdit*>("learn_url"),
                   "http://deals.example/list");
  QTest::keyClicks(page->findChild<QLineEdit*>("learn_example1"),
                   "Deal 3 cheap");
  QTest::mouseClick(page->findChild<QPushButton*>("learn_generate"),
                    Qt::LeftButton);
  // A second press starts afresh; only its result is shown.
  QTest::mouseClick(page->findChild<QPushButton*>("learn_generate"),
                    Qt::LeftButton);
  auto* proposals = page->findChild<QListWidget*>("proposals");
  ASSERT_TRUE(test::WaitUntil([&] { return proposals->count() > 0; }, 30000))
      << page->findChild<QLabel*>("learn_status")->text().toStdString();
  auto* posts = page->findChild<QTableWidget*>("proposal_posts");
  ASSERT_EQ(posts->rowCount(), 4);
  EXPECT_EQ(posts->item(0, 1)->text(), "http://deals.example/post/1");
  EXPECT_EQ(posts->item(2, 0)->text(), "Deal 3 cheap");

  QTest::mouseClick(page->findChild<QPushButton*>("learn_use"), Qt::LeftButton);
  auto* editor = window_->findChild<RuleEditor*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(Field(editor, "id")->text(), "19");  // the lowest free new id
  EXPECT_EQ(Field(editor, "pinurl")->text(), "http://deals.example/post/[1]");
  EXPECT_TRUE(editor->Runner().Running());
  EXPECT_EQ(RuleBytes(), stored);
  editor->close();

  QTest::mouseClick(window_->findChild<QPushButton*>("new"), Qt::LeftButton);
  page = nullptr;
  for (auto* open : window_->findChildren<LearnWindow*>()) {
    if (open->isVisible()) page = open;
  }
  ASSERT_NE(page, nullptr);
  QTest::mouseClick(page->findChild<QPushButton*>("learn_manual"),
                    Qt::LeftButton);
  RuleEditor* manual = nullptr;
  for (auto* open : window_->findChildren<RuleEditor*>()) {
    if (open->isVisible()) manual = open;
  }
  ASSERT_NE(manual, nullptr);
  EXPECT_TRUE(Field(manual, "reg")->text().isEmpty());
}

}  // namespace
}  // namespace dw::testing
