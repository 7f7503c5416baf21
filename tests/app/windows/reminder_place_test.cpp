#include "app/windows/reminder_place.h"

#include <gtest/gtest.h>

namespace dw {
namespace {

TEST(TaskbarClearance, ReadsTheTaskbarFromTheMissingStrip) {
  const QRect screen(0, 0, 1920, 1080);
  struct Case {
    const char* name;
    QRect available;
    int clearance;
  } cases[] = {
      {"bottom, 40 high", QRect(0, 0, 1920, 1040), 40},
      {"bottom, 250 high", QRect(0, 0, 1920, 830), 250},
      {"right edge", QRect(0, 0, 1860, 1080), 1080},
      {"left edge", QRect(60, 0, 1860, 1080), 1080},
      {"top edge", QRect(0, 30, 1920, 1050), 1080},
      {"none known", screen, 1080},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TaskbarClearance(screen, c.available), c.clearance) << c.name;
  }
}

TEST(PlaceReminderWindow, RestsOnABottomTaskbarElseClearsTheRightEdge) {
  // The primary screen may stand anywhere on the desktop: beside another
  // monitor at (1920, 0), or below one at (0, 1080).
  struct Case {
    int clearance;
    QRect screen;
    QPoint place;
  } cases[] = {
      {40, {0, 0, 1920, 1080}, {1471, 849}},    // 1920 - 449, 1080 - 191 - 40
      {1080, {0, 0, 1920, 1080}, {1409, 889}},  // 1920 - 449 - 62, 1080 - 191
      {200, {0, 0, 1920, 1080}, {1471, 689}},   // up to 200 still is bottom
      {201, {0, 0, 1920, 1080}, {1409, 889}},
      {0, {0, 0, 1920, 1080}, {1471, 889}},
      {40, {1920, 0, 1920, 1080}, {3391, 849}},
      {1080, {1920, 0, 1920, 1080}, {3329, 889}},
      {40, {0, 1080, 1280, 1024}, {831, 1873}},  // 1080 + 1024 - 191 - 40
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlaceReminderWindow(c.clearance, c.screen, 449, 191), c.place)
        << c.clearance << " on " << c.screen.x() << "," << c.screen.y();
  }
}

TEST(CentreOn, CentresOnTheUsableAreaWhereverItStands) {
  struct Case {
    QRect available;
    QPoint place;
  } cases[] = {
      {{0, 0, 1920, 1040}, {460, 220}},      // bottom task bar left out
      {{1920, 0, 1920, 1080}, {2380, 240}},  // primary on the right
      {{0, 30, 1280, 994}, {140, 227}},      // top panel
      {{0, 0, 800, 600}, {-100, 0}},         // smaller than the window
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CentreOn(c.available, QSize(1000, 600)), c.place)
        << c.available.x() << "," << c.available.y();
  }
}

TEST(CountdownTitle, IsExactGbkText) {
  EXPECT_EQ(CountdownTitle(14),
            "\xCC\xE1\xD0\xD1\xB4\xB0\xBF\xDA\xA1\xA1\xA1\xA1\xA1\xA1"
            "14 \xC3\xEB\xBA\xF3\xB9\xD8\xB1\xD5");
  EXPECT_EQ(CountdownTitle(0),
            "\xCC\xE1\xD0\xD1\xB4\xB0\xBF\xDA\xA1\xA1\xA1\xA1\xA1\xA1"
            "0 \xC3\xEB\xBA\xF3\xB9\xD8\xB1\xD5");
  EXPECT_EQ(HeldTitle(), "\xCF\xFB\xCF\xA2\xCC\xE1\xD0\xD1");
}

TEST(MouseOverWindow, CoversTheWholeRectangleOnly) {
  const QRect window(1471, 849, 449, 191);
  struct Case {
    QPoint mouse;
    bool over;
  } cases[] = {
      {{1500, 900}, true},
      {{1471, 849}, true},
      {{1919, 1039}, true},
      {{1470, 900}, false},
      {{1500, 848}, false},
      // Below the window on the task bar: right of and below the top-left
      // corner, but not on the window.
      {{1500, 1060}, false},
      {{1925, 900}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MouseOverWindow(c.mouse, window), c.over)
        << c.mouse.x() << "," << c.mouse.y();
  }
}

}  // namespace
}  // namespace dw
