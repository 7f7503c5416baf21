#include "app/desktop/qt_translations.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>

#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

TEST(QtTranslations, MessageBoxButtonsSpeakTheLocalesLanguage) {
  QApplication& app = test::App();
  EXPECT_FALSE(InstallQtTranslations(app, QLocale("xx_YY")));  // none: quiet
  QMessageBox english(QMessageBox::Question, "t", "q",
                      QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(english.button(QMessageBox::Yes)->text(), "&Yes");
  ASSERT_TRUE(InstallQtTranslations(app, QLocale("zh_CN")));
  QMessageBox chinese(QMessageBox::Question, "t", "q",
                      QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(chinese.button(QMessageBox::Yes)->text(),
            QString::fromUtf8("是(&Y)"));
  EXPECT_EQ(chinese.button(QMessageBox::No)->text(),
            QString::fromUtf8("否(&N)"));
}

}  // namespace
}  // namespace dw
