// The one application object of a test program of its own, on one screen
// of `width` by `height` device-independent pixels at scale `dpr`, given
// to the offscreen platform as its screen file.
#pragma once

#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace dw::testing {

inline QApplication& AppOnScreen(const std::string& width,
                                 const std::string& height,
                                 const std::string& dpr) {
  static const std::string config =
      (std::filesystem::temp_directory_path() /
       ("dw_screen_" + std::to_string(::getpid()) + ".json"))
          .string();
  std::ofstream(config) << R"({"screens": [{"name": "s", "x": 0, "y": 0, )"
                        << "\"width\": " << width << ", \"height\": " << height
                        << R"(, "logicalDpi": 96, "dpr": )" << dpr << "}]}";
  ::setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace dw::testing
