// The rules window and the editor on a 1600 by 1000 screen at 150% scaling:
// 1067 by 667 device-independent pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/rules/rule_editor.h"
#include "app/rules/rules_window.h"
#include "collect/test_database.h"

namespace dw::testing {
namespace {

QApplication& SmallScreenApp() {
  static const std::string config =
      (std::filesystem::temp_directory_path() /
       ("dw_small_screen_" + std::to_string(::getpid()) + ".json"))
          .string();
  std::ofstream(config) << R"({"screens": [{"name": "small", "x": 0, "y": 0,
      "width": 1067, "height": 667, "logicalDpi": 96, "dpr": 1.5}]})";
  ::setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

TEST(SmallScreen, WindowsOpenInsideTheScreenWithTheirButtonsShowing) {
  SmallScreenApp();
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_EQ(screen->devicePixelRatio(), 1.5);
  const QRect area = screen->availableGeometry();
  ASSERT_LT(area.width(), 1100);

  TestDatabase db;
  RulesWindowLinks links;
  links.database_path = db.path();
  RulesWindow window(links);
  window.show();
  EXPECT_TRUE(area.contains(window.frameGeometry())) << window.width();
  RuleEditor* editor = window.OpenEditor(RulesWindow::EditorKind::kNew);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(area.contains(editor->frameGeometry()))
      << editor->width() << "x" << editor->height();
  for (const char* name : {"test", "save", "close"}) {
    auto* button = editor->findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible()) << name;
    EXPECT_TRUE(editor->rect().contains(
        QRect(button->mapTo(editor, QPoint(0, 0)), button->size())))
        << name;
  }
  editor->close();
}

}  // namespace
}  // namespace dw::testing
