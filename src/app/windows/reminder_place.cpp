#include "app/windows/reminder_place.h"

namespace dw {

int TaskbarClearance(const QRect& screen, const QRect& available) {
  int taskbar_top = 0;  // no task bar known, or one at the top or a side
  if (available.bottom() < screen.bottom()) {
    taskbar_top = available.bottom() + 1 - screen.top();
  }
  return screen.height() - taskbar_top;
}

QPoint PlaceReminderWindow(int clearance, const QRect& screen, int window_width,
                           int window_height) {
  if (clearance <= 200) {
    return screen.topLeft() +
           QPoint(screen.width() - window_width,
                  screen.height() - window_height - clearance);
  }
  return screen.topLeft() + QPoint(screen.width() - window_width - 62,
                                   screen.height() - window_height);
}

QPoint CentreOn(const QRect& available, const QSize& size) {
  return available.topLeft() + QPoint((available.width() - size.width()) / 2,
                                      (available.height() - size.height()) / 2);
}

std::string CountdownTitle(int seconds_left) {
  return "\xCC\xE1\xD0\xD1\xB4\xB0\xBF\xDA"  // 提醒窗口
         "\xA1\xA1\xA1\xA1\xA1\xA1" +        // three full-width spaces
         std::to_string(seconds_left) +
         " \xC3\xEB\xBA\xF3\xB9\xD8\xB1\xD5";  // " 秒后关闭"
}

std::string HeldTitle() {
  return "\xCF\xFB\xCF\xA2\xCC\xE1\xD0\xD1";  // 消息提醒
}

bool MouseOverWindow(const QPoint& mouse, const QRect& window) {
  return window.contains(mouse);
}

}  // namespace dw
