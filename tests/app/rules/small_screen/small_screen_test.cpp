// The rules window and the editor on a 1600 by 1000 screen at 150% scaling:
// 1067 by 667 device-independent pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>

#include "app/rules/rule_editor.h"
#include "app/rules/rules_window.h"
#include "app/screen_app.h"
#include "collect/test_database.h"

namespace dw::testing {
namespace {

TEST(SmallScreen, WindowsOpenInsideTheScreenWithTheirButtonsShowing) {
  AppOnScreen("1067", "667", "1.5");
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
