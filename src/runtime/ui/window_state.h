#pragma once

class QWidget;

namespace dw {

// Asks the window manager to leave the window out of the task bar. Must be
// called before each showing: some window managers drop the request when
// the window is withdrawn.
void RequestNoTaskbarEntry(QWidget* window);

// Switches a top-level window's always-on-top state without re-creating
// the platform window, so a shown window stays shown and in place.
void SetAlwaysOnTop(QWidget* window, bool on);

}  // namespace dw
