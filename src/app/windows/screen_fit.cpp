#include "app/windows/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace dw {
namespace {

// Room for the title bar and borders the window manager adds around.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

QScreen* OpeningScreen(const QWidget* window) {
  QScreen* screen = window->parentWidget() ? window->parentWidget()->screen()
                                           : window->screen();
  return screen ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

QSize ScreenRoom(const QWidget* window) {
  const QScreen* screen = OpeningScreen(window);
  if (!screen) return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  const QRect area = screen->availableGeometry();
  return QSize(std::max(1, area.width() - kFrameWidth),
               std::max(1, area.height() - kFrameHeight));
}

void FitToScreen(QWidget* window, QSize wanted) {
  QScreen* screen = OpeningScreen(window);
  if (!screen) {
    window->resize(wanted);
    return;
  }
  const QRect area = screen->availableGeometry();
  const QSize room = ScreenRoom(window);
  // Whatever the content would like at least, the screen wins: the fields
  // scroll instead.
  const QSize least = window->minimumSizeHint();
  if (least.isValid()) window->setMinimumSize(least.boundedTo(room));
  const QSize size = wanted.boundedTo(room);
  window->resize(size);
  QRect placed(window->pos(), size);
  if (window->parentWidget()) {
    placed.moveCenter(window->parentWidget()->window()->geometry().center());
  }
  placed.moveLeft(std::clamp(placed.left(), area.left(),
                             area.left() + area.width() - size.width()));
  placed.moveTop(std::clamp(placed.top(), area.top(),
                            area.top() + area.height() - size.height() -
                                (kFrameHeight - kFrameWidth)));
  window->move(placed.topLeft());
}

}  // namespace dw
