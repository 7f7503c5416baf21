#include "app/windows/window_ops.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/windows/list_box.h"
#include "app/windows/status_bar.h"
#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

std::vector<ListColumn> ThreeColumns() {
  return {{"a", 50, Qt::AlignLeft},
          {"b", 0, Qt::AlignLeft},
          {"c", 50, Qt::AlignHCenter}};
}

TEST(ListOps, InsertAtTopMovesOtherRowsDown) {
  test::App();
  ListBox list(nullptr, ThreeColumns(), true);
  EXPECT_EQ(ListInsertRow(&list, 0), 0);
  ListSetItemText(&list, 0, 0, "first");
  EXPECT_EQ(ListInsertRow(&list, 0), 0);
  ListSetItemText(&list, 0, 0, "second");
  EXPECT_EQ(ListInsertRow(&list), 2);  // omitted position appends
  ListSetItemText(&list, 2, 0, "last");
  EXPECT_EQ(ListInsertRow(&list, 99), 3);
  EXPECT_EQ(ListItemText(&list, 0), "second");
  EXPECT_EQ(ListItemText(&list, 1), "first");
  EXPECT_EQ(ListItemText(&list, 2), "last");
  EXPECT_EQ(ListItemText(&list, 9), "");
  EXPECT_EQ(ListItemText(&list, 0, 7), "");
  EXPECT_EQ(ReadIntProperty(&list, kPropSelectedRow), -1);
  list.topLevelItem(1)->setSelected(true);
  EXPECT_EQ(ReadIntProperty(&list, kPropSelectedRow), 1);
  ListClear(&list);
  EXPECT_EQ(list.topLevelItemCount(), 0);
}

TEST(ListOps, CellsCarryGbkTextAlignmentAndImages) {
  test::App();
  ListBox list(nullptr, ThreeColumns(), true);
  ListInsertRow(&list, 0);
  ListSetItemText(&list, 0, 1, "\xD5\xE6");  // 真
  EXPECT_EQ(list.topLevelItem(0)->text(1), QString::fromUtf8("真"));
  EXPECT_EQ(ListItemText(&list, 0, 1), "\xD5\xE6");
  EXPECT_TRUE(list.topLevelItem(0)->textAlignment(2) & Qt::AlignHCenter);
  ListSetItemImage(&list, 0, 2, 0);
  EXPECT_FALSE(list.topLevelItem(0)->icon(2).isNull());
  ListSetItemImage(&list, 0, 2);
  EXPECT_TRUE(list.topLevelItem(0)->icon(2).isNull());
  ListSetItemImage(&list, 0, 2, 5);  // no such image
  EXPECT_TRUE(list.topLevelItem(0)->icon(2).isNull());
}

TEST(TreeOps, ItemsKeepValuesAndChecks) {
  test::App();
  QTreeWidget tree;
  EXPECT_EQ(TreeAddItem(&tree, "\xCD\xF8", 7, 1), 0);  // 网
  EXPECT_EQ(TreeAddItem(&tree, "b", 3, 0), 1);
  EXPECT_EQ(TreeAddItem(&tree, "child", 9, 1, 0, true), 1);
  EXPECT_EQ(TreeItemCount(&tree), 3);
  struct Case {
    int index, value, check;
  } cases[] = {{0, 7, 1}, {1, 9, 1}, {2, 3, 0}, {3, 0, -1}, {-1, 0, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(TreeItemValue(&tree, c.index), c.value) << c.index;
    EXPECT_EQ(TreeCheckState(&tree, c.index), c.check) << c.index;
  }
  EXPECT_EQ(tree.topLevelItem(0)->text(0), QString::fromUtf8("网"));
  EXPECT_TRUE(tree.topLevelItem(0)->child(0)->font(0).bold());
  TreeClear(&tree);
  EXPECT_EQ(TreeItemCount(&tree), 0);
}

TEST(StatusOps, PartsLayOutLeftToRight) {
  test::App();
  StatusBar bar(nullptr, {42, 100, -1});
  bar.resize(600, 20);
  StatusSetWidth(&bar, 1, 300);
  EXPECT_EQ(bar.Part(1)->geometry(), QRect(42, 0, 300, 20));
  EXPECT_EQ(bar.Part(2)->geometry(), QRect(342, 0, 258, 20));
  StatusSetWidth(&bar, 1, -5);  // like -1: reaches the right edge
  EXPECT_EQ(bar.Part(1)->width(), 558);
  StatusSetWidth(&bar, 1);
  EXPECT_EQ(bar.Part(1)->width(), 50);
  StatusSetText(&bar, 2, "\xCA\xB1");  // 时
  EXPECT_EQ(bar.Part(2)->text(), QString::fromUtf8("时"));
  StatusSetText(&bar, 3, "x");  // no such part
  StatusSetWidth(&bar, -1, 10);
  EXPECT_EQ(bar.Part(0)->width(), 42);
}

TEST(Properties, WindowAndControlProperties) {
  test::App();
  QWidget window;
  auto* button = new QPushButton("x", &window);
  button->setGeometry(10, 20, 30, 40);
  WriteProperty(&window, kPropLeft, 15);
  WriteProperty(&window, kPropTop, 25);
  WriteProperty(&window, kPropWidth, 300);
  WriteProperty(&window, kPropHeight, 200);
  EXPECT_EQ(window.pos(), QPoint(15, 25));
  EXPECT_EQ(ReadIntProperty(&window, kPropWidth), 300);
  EXPECT_EQ(ReadIntProperty(&window, kPropHeight), 200);
  EXPECT_FALSE(ReadBoolProperty(&window, kPropVisible));
  WriteProperty(&window, kPropVisible, true);
  EXPECT_TRUE(window.isVisible());

  EXPECT_EQ(ReadIntProperty(button, kPropLeft), 10);
  EXPECT_EQ(ReadIntProperty(button, kPropTop), 20);
  WriteProperty(button, kPropCaption, std::string("\xBF\xAA\xCA\xBC"));
  EXPECT_EQ(button->text(), QString::fromUtf8("开始"));
  EXPECT_EQ(ReadTextProperty(button, kPropCaption), "\xBF\xAA\xCA\xBC");

  WriteProperty(&window, kPropTitle, std::string("\xCC\xE1\xD0\xD1"));
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("提醒"));
  WriteProperty(&window, kPropAlwaysOnTop, true);
  EXPECT_TRUE(ReadBoolProperty(&window, kPropAlwaysOnTop));
  EXPECT_TRUE(window.isVisible());  // switching stays on top keeps it shown
  WriteProperty(&window, kPropAlwaysOnTop, false);
  EXPECT_FALSE(ReadBoolProperty(&window, kPropAlwaysOnTop));
  WriteProperty(&window, kPropMaximizeButton, false);
  EXPECT_FALSE(ReadBoolProperty(&window, kPropMaximizeButton));
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(ReadIntProperty(&window, 77), 0);  // unknown property
}

TEST(Threads, CallsFromAnotherThreadAreQueuedAndDroppedForGoneControls) {
  test::App();
  ListBox list(nullptr, ThreeColumns(), true);
  StatusBar bar(nullptr, {42, 100, -1});
  auto* gone = new ListBox(nullptr, ThreeColumns(), true);
  ListInsertRow(&list);
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    ListSetItemText(&list, 0, 0, "from worker");
    StatusSetText(&bar, 1, "busy");
    ListClear(gone);
    ListClear(&list);
    returned = true;
  });
  // The GUI thread handles no event meanwhile, so a worker that waited for
  // it would never return.
  while (!returned) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  worker.join();
  EXPECT_EQ(list.topLevelItemCount(), 1);
  EXPECT_EQ(bar.Part(1)->text(), "");
  delete gone;
  QApplication::processEvents();  // must not touch the deleted list
  EXPECT_EQ(list.topLevelItemCount(), 0);
  EXPECT_EQ(bar.Part(1)->text(), "busy");
}

TEST(Threads, ReadsFromAnotherThreadGetTheGuiThreadsAnswer) {
  test::App();
  ListBox list(nullptr, ThreeColumns(), true);
  ListInsertRow(&list);
  ListSetItemText(&list, 0, 2, "c");
  std::string seen;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    seen = ListItemText(&list, 0, 2);
    done = true;
  });
  ASSERT_TRUE(test::WaitUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(seen, "c");
}

}  // namespace
}  // namespace dw
