#pragma once

#include <QApplication>

namespace dw::test {

// Widget tests share one application object for the whole test program.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace dw::test
