#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <string>

namespace dw {

// How far the reminder window must stay above the bottom of the screen:
// display height minus the top edge of the task bar. The task bar is the
// strip of the screen that the available area leaves out; with a bottom
// task bar this is its height, with one along another edge (or none known,
// which reads as an empty rectangle at the origin) it is the whole height.
int TaskbarClearance(const QRect& screen, const QRect& available);

// Where the reminder window goes on `screen` (the primary screen, which
// need not start at the origin): flush right on a bottom task bar up to
// 200 pixels high, otherwise at the bottom edge 62 pixels in from the right.
QPoint PlaceReminderWindow(int clearance, const QRect& screen, int window_width,
                           int window_height);

// Where a window of `size` stands centred on the screen's usable area.
QPoint CentreOn(const QRect& available, const QSize& size);

// The count-down title, GBK: "提醒窗口", three full-width spaces, the
// seconds left and " 秒后关闭".
std::string CountdownTitle(int seconds_left);
// The title once the user's mouse has stopped the count-down, GBK.
std::string HeldTitle();

// Whether the mouse is on the window: anywhere inside its rectangle.
bool MouseOverWindow(const QPoint& mouse, const QRect& window);

}  // namespace dw
