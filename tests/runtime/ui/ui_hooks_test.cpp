#include "runtime/ui/ui_hooks.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <thread>

#include "runtime/delay.h"
#include "runtime/runtime_error.h"
#include "runtime/threads.h"
#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

TEST(UiHooks, DelayOnTheGuiThreadKeepsEventsRunning) {
  test::App();
  InstallRuntimeUiHooks();
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(10);
  QElapsedTimer clock;
  clock.start();
  Delay(0.3, 1);
  EXPECT_GE(clock.elapsed(), 290);
  EXPECT_GE(ticks, 3);
  SetGuiDelayHook(nullptr);
}

// Reports what the box showed on stderr, then presses its button.
void ReportAndPressBox() {
  QTimer::singleShot(20, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      ReportAndPressBox();
      return;
    }
    const bool heading =
        box->text().startsWith(QString::fromUtf8("运行时出错!"));
    const bool code = box->text().contains(QString::fromUtf8("错误代码：1"));
    std::fprintf(stderr, "box icon=%d heading=%d code=%d\n",
                 static_cast<int>(box->icon()), heading, code);
    box->button(QMessageBox::Ok)->click();
  });
}

void RaiseOnWorker() {
  test::App();
  InstallRuntimeUiHooks();
  ReportAndPressBox();
  ThreadHandle worker;
  StartThread([] { RaiseRuntimeError(RuntimeError::kIndexTooLarge); }, &worker);
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 10000) QApplication::processEvents();
}

void RaiseOnGuiThread() {
  test::App();
  InstallRuntimeUiHooks();
  ReportAndPressBox();
  RaiseRuntimeError(RuntimeError::kIndexTooLarge);
}

TEST(UiHooksDeathTest, RuntimeErrorShowsAnErrorBoxThenEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const char* expected = "box icon=3 heading=1 code=1";
  EXPECT_EXIT(RaiseOnGuiThread(), testing::ExitedWithCode(255), expected);
  EXPECT_EXIT(RaiseOnWorker(), testing::ExitedWithCode(255), expected);
}

}  // namespace
}  // namespace dw
