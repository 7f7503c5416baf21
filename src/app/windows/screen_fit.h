#pragma once

#include <QSize>

class QWidget;

namespace dw {

// Gives a top-level window the size it would like, but never more than the
// available area of the screen it opens on (task bars and frames left
// out), at whatever scale that screen runs, and places it inside that area.
// `wanted` is the size inside the frame. Every window of the program opens
// through it, so none reaches past a small screen.
void FitToScreen(QWidget* window, QSize wanted);

// The largest size inside the frame that a window may take on the screen
// it opens on.
QSize ScreenRoom(const QWidget* window);

}  // namespace dw
