#pragma once

#include <QSize>

class QWidget;

namespace dw {

// Gives a top-level window the size it would like, but never more than the
// available area of the screen it opens on (task bars and frames left
// out), at whatever scale that screen runs, and places it inside that area.
void FitToScreen(QWidget* window, QSize wanted);

}  // namespace dw
