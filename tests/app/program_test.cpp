#include "app/program.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "app/rules_controller.h"
#include "app/windows/window_ops.h"
#include "runtime/ui/qt_app.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

namespace fs = std::filesystem;

struct Box {
  std::string text;
  int style;
  std::optional<std::string> caption;
};

// A program started on a folder of its own, with message boxes recorded
// instead of shown.
class ProgramTest : public testing::Test {
 protected:
  void SetUp() override {
    test::App();
    dir_ = fs::temp_directory_path() /
           ("dw-program-" + std::to_string(::getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    EndProgram(program_);
    fs::remove_all(dir_);
  }

  bool Start() {
    StartupOptions options;
    options.database_path = (dir_ / "qel6.sdb").string();
    options.looked_in = {options.database_path, "/nowhere/qel6.sdb"};
    options.message_box = [this](const std::string& text, int style,
                                 const std::optional<std::string>& caption) {
      boxes_.push_back({text, style, caption});
      return 0;
    };
    return StartProgram(program_, options);
  }

  fs::path dir_;
  Program program_;
  std::vector<Box> boxes_;
};

TEST_F(ProgramTest, MissingDatabaseTellsOnceAndEnds) {
  EXPECT_FALSE(Start());
  ASSERT_EQ(boxes_.size(), 1u);
  // The fixed text, then every place that was looked at.
  EXPECT_EQ(GbkToQString(boxes_[0].text),
            QString::fromUtf8("数据库文件 qel6.sdb 缺失，无法工作！\r\n\r\n\r\n"
                              "请到下载完整版本！\r\n\r\n查找过的位置：\r\n") +
                QString::fromStdString((dir_ / "qel6.sdb").string()) +
                QString::fromUtf8("\r\n/nowhere/qel6.sdb"));
  EXPECT_EQ(boxes_[0].style, 0x10);
  ASSERT_TRUE(boxes_[0].caption.has_value());
  EXPECT_EQ(GbkToQString(*boxes_[0].caption), QString::fromUtf8("启动失败"));
  EXPECT_FALSE(program_.main_window->isVisible());
  EXPECT_FALSE(program_.reminder_window->isVisible());
  EXPECT_FALSE(program_.state.database.IsOpen());
  EXPECT_EQ(program_.main_window->RuleTree()->topLevelItemCount(), 0);
  EXPECT_FALSE(fs::exists(dir_ / "qel6.sdb"));  // never created
}

TEST_F(ProgramTest, UnopenableDatabaseTellsOnceAndLoadsNothing) {
  fs::create_directory(dir_ / "qel6.sdb");
  EXPECT_FALSE(Start());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(GbkToQString(boxes_[0].text),
            QString::fromUtf8("数据库打开失败！"));
  EXPECT_EQ(boxes_[0].style, 0);
  EXPECT_FALSE(boxes_[0].caption.has_value());  // the default caption shows
  EXPECT_FALSE(program_.state.first_round);
  EXPECT_EQ(program_.main_window->RuleTree()->topLevelItemCount(), 0);
}

// A file that opens but cannot be read gets the start-up box naming it and
// the engine's reason; a held one starts.
TEST_F(ProgramTest, DamagedDatabaseTellsWhyAndEnds) {
  const fs::path good = fs::path(DW_BINARY_DIR) / "bin/testdata/qel6-test.sdb";
  std::ifstream in(good, std::ios::binary);
  const std::string whole(std::istreambuf_iterator<char>(in), {});
  struct Case {
    const char* name;
    std::string bytes;  // empty: the good file with the rules dropped
    const char* reason;
  } cases[] = {
      {"random bytes", std::string(4096, '\x5a'), "file is not a database"},
      {"garbage header", "garbage!" + whole.substr(8),
       "file is not a database"},
      {"truncated", whole.substr(0, 2048), "malformed"},
      {"no rule table", "", "no such table: rule"},
  };
  for (const Case& c : cases) {
    const fs::path path = dir_ / "qel6.sdb";
    fs::remove(path);
    if (c.bytes.empty()) {
      fs::copy_file(good, path);
      Database db;
      ASSERT_TRUE(DbOpen(db, path.string()));
      ASSERT_TRUE(DbExecute(db, "drop table rule"));
    } else {
      std::ofstream(path, std::ios::binary) << c.bytes;
    }
    boxes_.clear();
    EXPECT_FALSE(Start()) << c.name;
    ASSERT_EQ(boxes_.size(), 1u) << c.name;
    const QString text = GbkToQString(boxes_[0].text);
    EXPECT_TRUE(text.contains(QString::fromStdString(path.string())) &&
                text.contains(c.reason))
        << c.name << ": " << text.toStdString();
    EXPECT_EQ(GbkToQString(*boxes_[0].caption), QString::fromUtf8("启动失败"));
    EndProgram(program_);
  }
}

TEST_F(ProgramTest, NormalStartLoadsRulesAndShapesTheWindows) {
  fs::copy_file(fs::path(DW_BINARY_DIR) / "bin/testdata/qel6-test.sdb",
                dir_ / "qel6.sdb");
  ASSERT_TRUE(Start());
  EXPECT_TRUE(boxes_.empty());
  MainWindow& main = *program_.main_window;
  EXPECT_FALSE(main.isVisible());  // start-up shows it after this
  EXPECT_EQ(ReadIntProperty(&main, kPropWidth), 660);
  EXPECT_EQ(ReadIntProperty(&main, kPropHeight), 600);
  // Created 1000 wide, centred; on the 800 by 800 test screen as wide as
  // fits, its left edge on the screen's, and kept there by the narrowing.
  EXPECT_EQ(ReadIntProperty(&main, kPropLeft), 0);
  EXPECT_TRUE(ReadBoolProperty(&main, kPropMaximizeButton));
  EXPECT_EQ(main.PostList()->geometry(), QRect(2, 41, 640, 496));
  EXPECT_EQ(main.StartButton()->text(), QString::fromUtf8("开始"));
  EXPECT_FALSE(program_.reminder_window->isVisible());

  EXPECT_TRUE(program_.state.database.IsOpen());
  EXPECT_TRUE(program_.state.first_round);
  // Highest rank first, ticked only where isdo is exactly 1, isdo 3 absent.
  struct Item {
    const char* name;
    int value, check;
  } expected[] = {{"贝塔", 2, 1}, {"Alpha", 1, 1},   {"国标页", 12, 1},
                  {"Zeta", 6, 0}, {"Epsilon", 5, 0}, {"Delta", 4, 0}};
  QTreeWidget* tree = main.RuleTree();
  ASSERT_EQ(TreeItemCount(tree), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(tree->topLevelItem(i)->text(0),
              QString::fromUtf8(expected[i].name));
    EXPECT_EQ(TreeItemValue(tree, i), expected[i].value);
    EXPECT_EQ(TreeCheckState(tree, i), expected[i].check);
  }
  ASSERT_EQ(program_.state.keyword_list.size(), 2u);
  EXPECT_EQ(GbkToQString(program_.state.keyword_list[0]),
            QString::fromUtf8("优惠"));

  main.show();
  EXPECT_EQ(main.Status()->Part(1)->width(), 660 - 150);
  // The list takes up what the window grows by, never less than the
  // narrowed size; the buttons stay where they are.
  const QSize least = main.size();
  EXPECT_EQ(main.minimumSize(), least);
  main.resize(least + QSize(240, 100));
  EXPECT_EQ(main.PostList()->geometry(), QRect(2, 41, 880, 596));
  EXPECT_EQ(main.StartButton()->geometry(), QRect(560, 5, 77, 32));
  main.resize(500, 400);  // no smaller
  EXPECT_EQ(main.size(), least);
  EXPECT_EQ(main.PostList()->geometry(), QRect(2, 41, 640, 496));
  EndProgram(program_);
  EXPECT_FALSE(program_.state.database.IsOpen());
  EXPECT_TRUE(program_.state.keyword_list.empty());
  EXPECT_EQ(program_.main_window, nullptr);
  EXPECT_EQ(program_.reminder_window, nullptr);
}

TEST_F(ProgramTest, EndStopsAndJoinsARunningWorkerBeforeReleasing) {
  fs::copy_file(fs::path(DW_BINARY_DIR) / "bin/testdata/qel6-test.sdb",
                dir_ / "qel6.sdb");
  ASSERT_TRUE(Start());
  QPushButton* button = program_.main_window->StartButton();
  button->click();
  EXPECT_EQ(button->text(), QString::fromUtf8("暂停"));
  EXPECT_TRUE(program_.state.collection_worker.Valid());
  EndProgram(program_);  // while the worker is in its first round
  EXPECT_FALSE(program_.state.collection_worker.Valid());
  EXPECT_FALSE(program_.state.database.IsOpen());
  EXPECT_FALSE(program_.state.record_set.IsOpen());
}

// A pause clicked while a start waits for the last worker (here held in a
// wait for a database another program holds) wins: no worker runs under
// "开始".
TEST_F(ProgramTest, APauseDuringAStartLeavesNoWorkerRunning) {
  fs::copy_file(fs::path(DW_BINARY_DIR) / "bin/testdata/qel6-test.sdb",
                dir_ / "qel6.sdb");
  ASSERT_TRUE(Start());
  Database holder;
  ASSERT_TRUE(DbOpen(holder, (dir_ / "qel6.sdb").string()));
  ASSERT_TRUE(DbExecute(holder, "BEGIN EXCLUSIVE"));
  QPushButton* button = program_.main_window->StartButton();
  button->click();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  button->click();
  program_.rules->ChangesSaved();  // the next start waits for the worker
  QTimer::singleShot(0, button, [button] { button->click(); });
  button->click();
  EXPECT_EQ(button->text(), QString::fromUtf8("开始"));
  EXPECT_TRUE(JoinThread(program_.state.collection_worker, 8000));
  DbExecute(holder, "COMMIT");
}

}  // namespace
}  // namespace dw
