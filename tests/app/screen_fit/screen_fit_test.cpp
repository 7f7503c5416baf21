// Every window opened on a small screen, the one the test is run for
// (DW_TEST_SCREEN: width x height @ scale).
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <regex>

#include "app/program.h"
#include "app/rules/learn_window.h"
#include "app/rules/repair_window.h"
#include "app/rules/rule_editor.h"
#include "app/rules/rules_window.h"
#include "app/screen_app.h"
#include "collect/round_fixture.h"
#include "runtime/ui/qt_app.h"

namespace dw::testing {
namespace {

QApplication& ScreenApp() {
  const std::string wanted = std::getenv("DW_TEST_SCREEN")
                                 ? std::getenv("DW_TEST_SCREEN")
                                 : "911x512@1.5";
  std::smatch m;
  std::regex_match(wanted, m, std::regex(R"((\d+)x(\d+)@([\d.]+))"));
  return AppOnScreen(m[1], m[2], m[3]);
}

RulesWindow* Rules(Program& p) { return p.rules->Window(); }
QWidget* OnTab(Program& p, int tab) {
  Rules(p)->Tabs()->setCurrentIndex(tab);
  return Rules(p);
}

struct WindowCase {
  const char* window;
  std::function<QWidget*(Program&)> open;
  std::vector<const char*> controls;  // object names that must show whole
  bool escape_closes;
};

TEST(ScreenFit, EveryWindowOpensInsideTheAreaWithItsControlsShowing) {
  ScreenApp();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  TestDatabase db;
  db.AddRule(ListRule(7, "Alpha", "http://127.0.0.1:1/7"));
  Program program;
  StartupOptions options;
  options.database_path = db.path();
  options.message_box = [](const std::string&, int,
                           const std::optional<std::string>&) { return 0; };
  ASSERT_TRUE(StartProgram(program, options));
  program.main_window->show();
  program.rules->OpenWindow();
  Rules(program)->Table()->selectRow(0);

  const WindowCase cases[] = {
      {"main",
       [](Program& p) { return p.main_window.get(); },
       {"start_button", "rules_button", "history_button", "status_bar"},
       false},
      {"rules",
       [](Program& p) { return OnTab(p, 0); },
       {"new", "edit", "repair", "copy", "delete", "up", "down"},
       false},
      {"keywords tab",
       [](Program& p) { return OnTab(p, 1); },
       {"keywd", "save_keywords"},
       false},
      {"reminders tab",
       [](Program& p) { return OnTab(p, 2); },
       {"send_test", "quiet_first_run", "save_reminders"},
       false},
      {"editor",
       [](Program& p) {
         return Rules(p)->OpenEditor(RulesWindow::EditorKind::kNew);
       },
       {"test", "save", "close"},
       true},
      {"learn",
       [](Program& p) { return Rules(p)->OpenLearnWindow(); },
       {"learn_generate", "learn_use", "learn_manual"},
       true},
      {"repair",
       [](Program& p) { return Rules(p)->OpenRepairWindow(); },
       {"repair_again", "repair_use"},
       true},
      {"history",
       [](Program& p) {
         p.history_window->Open();
         return p.history_window.get();
       },
       {"search", "export_csv", "history_list"},
       false},
      {"reminder",
       [](Program& p) {
         p.reminder_window->show();
         return p.reminder_window.get();
       },
       {"reminder_list"},
       true},
  };
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(c.window);
    QWidget* window = c.open(program);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(area.contains(window->frameGeometry()))
        << window->x() << "," << window->y() << " " << window->width() << "x"
        << window->height();
    for (const char* name : c.controls) {
      auto* control = window->findChild<QWidget*>(name);
      ASSERT_NE(control, nullptr) << name;
      EXPECT_TRUE(control->isVisible()) << name;
      EXPECT_TRUE(window->rect().contains(
          QRect(control->mapTo(window, QPoint(0, 0)), control->size())))
          << name;
    }
    if (!c.escape_closes) continue;
    const QPointer<QWidget> open = window;  // may go with its closing
    QApplication::setActiveWindow(window);
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(test::WaitUntil([&] { return !open || !open->isVisible(); }))
        << "Esc";
  }
  EndProgram(program);
}

}  // namespace
}  // namespace dw::testing
