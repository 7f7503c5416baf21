#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <functional>

namespace dw::test {

// Widget tests share one application object for the whole test program.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Runs the event loop until `done` holds or `limit_ms` has passed.
inline bool WaitUntil(const std::function<bool()>& done, int limit_ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit_ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace dw::test
