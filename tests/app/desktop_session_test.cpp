#include "app/desktop_session.h"

#include <gtest/gtest.h>

namespace dw {
namespace {

TEST(PreferX11, OnlyUnderWaylandWithAnXServerAndNoPlatformChosen) {
  struct Case {
    const char *wayland, *display, *platform;
    bool x11;
  } cases[] = {
      {"wayland-0", ":0", nullptr, true},
      {"wayland-0", ":0", "wayland", false},  // the user's choice stands
      {"wayland-0", ":0", "", false},
      {"wayland-0", nullptr, nullptr, false},  // no X server to go to
      {"wayland-0", "", nullptr, false},
      {nullptr, ":0", nullptr, false},  // already on X11
      {"", ":0", nullptr, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PreferX11(c.wayland, c.display, c.platform), c.x11)
        << (c.wayland ? c.wayland : "-") << " " << (c.display ? c.display : "-")
        << " " << (c.platform ? c.platform : "-");
  }
}

}  // namespace
}  // namespace dw
