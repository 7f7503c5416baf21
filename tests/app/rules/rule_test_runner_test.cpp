#include "app/rules/rule_test_runner.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QThread>
#include <QTreeWidget>
#include <fstream>

#include "app/windows/post_menu.h"
#include "app/windows/window_ops.h"
#include "rules_fixture.h"
#include "runtime/temp_dir.h"

namespace dw::testing {
namespace {

// Rule 7 reads a list page of two posts on the test site.
class RuleTestRunnerTest : public RulesTest {
 protected:
  static void SetUpTestSuite() {
    docroot_ = std::filesystem::temp_directory_path() /
               ("dw_rules_site_" + std::to_string(::getpid()));
    std::filesystem::create_directories(docroot_);
    std::ofstream(docroot_ / "list.html", std::ios::binary)
        << ListPage({{"101", kGreenTea}, {"102", kCoffee}});
    std::ofstream(docroot_ / "gb.html", std::ios::binary)
        << "<meta charset=\"gb2312\">" + ListPage({{"103", kGreenTea}});
    site_ = new TestSite(docroot_.string());
  }
  static void TearDownTestSuite() {
    delete site_;
    std::filesystem::remove_all(docroot_);
  }
  static inline TestSite* site_ = nullptr;
  static inline std::filesystem::path docroot_;
};

// The editor's 测试 runs the fields as typed, unsaved, and lists the posts.
TEST_F(RuleTestRunnerTest, TestRunsTheUnsavedRuleAndShowsItsPosts) {
  ASSERT_TRUE(site_->Running()) << site_->Error();
  const std::string before = RuleBytes();
  db_.AddInfo(Link("102"));
  RuleEditor* editor = Edit(7);
  Field(editor, "url")
      ->setText(QString::fromStdString(site_->HttpUrl("/list.html")));
  QTest::mouseClick(editor->findChild<QPushButton*>("test"), Qt::LeftButton);
  ASSERT_TRUE(editor->Runner().Running());
  auto* posts = editor->findChild<QTableWidget*>("posts");
  ASSERT_TRUE(
      test::WaitUntil([&] { return !editor->Runner().Running(); }, 30000));
  const char* expected[][4] = {{"101", "绿茶", "", "否"},
                               {"102", "咖啡", "", "是"}};
  ASSERT_EQ(posts->rowCount(), 2);
  for (int r = 0; r < 2; ++r) {
    for (int c : {0, 1, 3}) {
      EXPECT_EQ(posts->item(r, c)->text(), QString::fromUtf8(expected[r][c]));
    }
    EXPECT_EQ(posts->item(r, 2)->text().toStdString(), Link(expected[r][0]));
  }
  EXPECT_EQ(RuleBytes(), before);
}

// A result already on its way when a new test starts is dropped: only the
// new test's arrives.
TEST_F(RuleTestRunnerTest, AResultOvertakenByANewStartIsNeverShown) {
  RuleTestRunner runner(db_.path());
  std::vector<std::string> shown;
  QObject::connect(&runner, &RuleTestRunner::Finished,
                   [&](const RuleReport& report) {
                     for (const auto& post : report.found) {
                       shown.push_back(post.id);
                     }
                   });
  const RuleRow rule = ListRule(7, "A", "http://127.0.0.1:1/7");
  runner.Start(rule, ListPage({{"101", kGreenTea}}));
  // Its result posted, not yet taken: the window has not run meanwhile.
  while (!runner.ThreadsEnded()) QThread::msleep(5);
  runner.Start(rule, ListPage({{"102", kCoffee}}));
  ASSERT_TRUE(test::WaitUntil([&] { return !runner.Running(); }, 30000));
  QCoreApplication::processEvents();
  EXPECT_EQ(shown, std::vector<std::string>{"102"});
}

// Markers are looked for in the decoded page, the pattern in the tidied
// text: the test shows both, each marked where things were found.
TEST_F(RuleTestRunnerTest, TestShowsBothTextsWithMarkersAndMatchesMarked) {
  ASSERT_TRUE(site_->Running()) << site_->Error();
  RuleEditor* editor = Edit(7);
  Field(editor, "url")
      ->setText(QString::fromStdString(site_->HttpUrl("/list.html")));
  auto* decoded = editor->findChild<QPlainTextEdit*>("decoded_text");
  auto* tidied = editor->findChild<QPlainTextEdit*>("page_text");
  const auto marked = [](QPlainTextEdit* text) {
    QStringList said;
    for (const auto& mark : text->extraSelections()) {
      said << mark.cursor.selectedText();
    }
    return said;
  };
  const auto test = [&](const char* after) {
    Field(editor, "after")->setText(after);
    editor->Test();
    return test::WaitUntil([&] { return !editor->Runner().Running(); });
  };
  ASSERT_TRUE(test("</ul>"));
  EXPECT_EQ(marked(decoded), QStringList({"<ul class=\"posts\">", "</ul>"}));
  EXPECT_EQ(marked(tidied),
            QStringList({QString::fromUtf8("<li><a href=/post/101>绿茶</a>"),
                         QString::fromUtf8("<li><a href=/post/102>咖啡</a>")}));
  // A missing end marker: the page is still shown, the start marked.
  ASSERT_TRUE(test("</nowhere>"));
  EXPECT_TRUE(decoded->toPlainText().contains("<ul class=\"posts\">"));
  EXPECT_EQ(marked(decoded), QStringList({"<ul class=\"posts\">"}));
  auto* steps = editor->findChild<QTreeWidget*>("steps");
  // An empty end marker: the cut is empty, and the marker is to blame.
  ASSERT_TRUE(test(""));
  EXPECT_TRUE(
      steps->topLevelItem(2)->text(1).contains(QString::fromUtf8("截取为空")));
  EXPECT_EQ(steps->topLevelItem(3)->text(1), QString::fromUtf8("未执行"));
  EXPECT_TRUE(editor->findChild<QLabel*>("test_summary")
                  ->text()
                  .contains(QString::fromUtf8("结束标记")));
}

// A page declaring GB2312 tested as UTF-8: said, kept as a warning by the
// save, and put right with one click.
TEST_F(RuleTestRunnerTest, AWrongEncodingIsSaidAndPutRightWithOneClick) {
  ASSERT_TRUE(site_->Running()) << site_->Error();
  RuleEditor* editor = Edit(7);
  Field(editor, "url")
      ->setText(QString::fromStdString(site_->HttpUrl("/gb.html")));
  editor->SetFieldText("isgbk", "0");
  editor->Test();
  ASSERT_TRUE(
      test::WaitUntil([&] { return !editor->Runner().Running(); }, 30000));
  auto* advice = editor->findChild<QLabel*>("test_advice");
  EXPECT_TRUE(advice->isVisibleTo(editor));
  EXPECT_TRUE(advice->text().contains("gb2312"));
  ASSERT_TRUE(editor->Save());
  EXPECT_TRUE(Note(editor, "isgbk")->property("warning").toBool());
  QTest::mouseClick(editor->findChild<QPushButton*>("fix"), Qt::LeftButton);
  EXPECT_EQ(editor->FieldText("isgbk"), "1");
  ASSERT_TRUE(
      test::WaitUntil([&] { return !editor->Runner().Running(); }, 30000));
  EXPECT_FALSE(advice->isVisibleTo(editor));
  EXPECT_EQ(editor->findChild<QTableWidget*>("posts")->item(0, 1)->text(),
            QString::fromUtf8("绿茶"));
}

// A test waiting on a fetch that never answers: pressing 测试 again (or
// closing) drops it, and its thread is gone long before any time-out.
TEST_F(RuleTestRunnerTest, CancelDuringAHangingFetchEndsItsThreadAtOnce) {
  ASSERT_TRUE(site_->Running()) << site_->Error();
  RuleTestRunner runner(db_.path());
  int finished = 0;
  QObject::connect(&runner, &RuleTestRunner::Finished,
                   [&](const RuleReport&) { ++finished; });
  dw::RuleRow row;
  row.id = 7;
  row.url = site_->HangUrl("/");
  row.reg = "x";
  runner.Start(row);
  QTest::qWait(300);  // well inside the fetch
  QElapsedTimer clock;
  clock.start();
  runner.Cancel();
  ASSERT_TRUE(test::WaitUntil([&] { return runner.ThreadsEnded(); }, 5000));
  const qint64 ended_ms = clock.elapsed();
  RecordProperty("cancel_ms", std::to_string(ended_ms));
  EXPECT_LT(ended_ms, 1000);  // the fetch's own time-out is 15 s
  EXPECT_FALSE(runner.Running());
  QTest::qWait(50);
  EXPECT_EQ(finished, 0);
}

// Closing the editor mid-test joins the test's thread while events still
// come in; one that would run the test again must find the editor whole.
TEST_F(RuleTestRunnerTest, ClosingTheEditorMidTestEndsItsThreadQuietly) {
  ASSERT_TRUE(site_->Running()) << site_->Error();
  RuleEditorSetup setup;
  setup.database_path = db_.path();
  setup.row.id = 7;
  setup.row.url = site_->HangUrl("/");
  setup.row.reg = "x";
  auto* editor = new RuleEditor(setup);
  editor->Test();
  QTest::qWait(300);  // well inside the fetch
  auto* id = editor->findChild<QLineEdit*>("id");
  QMetaObject::invokeMethod(
      id, [id] { id->setText("8"); }, Qt::QueuedConnection);
  QElapsedTimer clock;
  clock.start();
  delete editor;
  EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(RulesTest, PostMenuOpensAndCopiesAndSaysWhyALinkWillNotOpen) {
  MainWindow& main = *program_.main_window;
  ListBox* list = main.PostList();
  program_.view->InsertPostRow({"7", "http://deals.test/1", "Alpha",
                                "\xC2\xCC\xB2\xE8", "12/6 02:37"});  // 绿茶
  program_.view->InsertPostRow({"7", "file:///etc/passwd", "Alpha", "bad", ""});
  program_.view->AddReminderRow({"bad", "file:///etc/group", ""});
  // A double-click on either list explains a link it cannot open, too.
  for (ListBox* clicked : {list, program_.reminder_window->ReminderList()}) {
    main.Status()->Part(1)->clear();
    clicked->setCurrentItem(clicked->topLevelItem(0));
    emit clicked->DoubleClicked();
    EXPECT_TRUE(main.Status()->Part(1)->text().startsWith(
        QString::fromUtf8(" 链接不是 http(s) 地址")));
  }
  auto* menu_owner = list->findChild<PostMenu*>();
  ASSERT_NE(menu_owner, nullptr);
  const auto act = [&](int row, const char* name) {
    std::unique_ptr<QMenu> menu(menu_owner->MenuForRow(row));
    menu->findChild<QAction*>(name)->trigger();
  };
  // The desktop's opener, played by a script that notes each address and
  // ends with the status the test wants.
  TempDir bin;
  const std::string opened = bin.File("opened");
  const std::string status = bin.Write("status", "0");
  std::filesystem::permissions(
      bin.Write("xdg-open", "#!/bin/sh\necho \"$1\" >> " + opened +
                                "\nexit $(cat " + status + ")\n"),
      std::filesystem::perms::owner_all);
  const std::string path = std::getenv("PATH");
  ::setenv("PATH", (bin.File("") + ":" + path).c_str(), 1);
  act(1, "open_link");
  EXPECT_TRUE(test::WaitUntil(
      [&] { return ReadFile(opened) == "http://deals.test/1\n"; }));
  const struct {
    const char* status;
    const char* said;
  } failures[] = {{"3", " 没有可用的浏览器，无法打开链接"},
                  {"4", " 打开链接的程序出错（退出码 4），链接没有打开"}};
  for (const auto& f : failures) {
    bin.Write("status", f.status);
    main.Status()->Part(1)->clear();
    act(1, "open_link");
    EXPECT_TRUE(test::WaitUntil([&] {
      return main.Status()->Part(1)->text() == QString::fromUtf8(f.said);
    })) << f.status;
  }
  ::setenv("PATH", path.c_str(), 1);
  act(0, "open_link");
  EXPECT_TRUE(main.Status()->Part(1)->text().startsWith(
      QString::fromUtf8(" 链接不是 http(s) 地址")));
  act(1, "copy_link");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "http://deals.test/1");
  act(1, "copy_title");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("绿茶"));
  EXPECT_NE(program_.reminder_window->ReminderList()->findChild<PostMenu*>(),
            nullptr);
}

}  // namespace
}  // namespace dw::testing
