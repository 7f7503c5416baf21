#pragma once

class QWidget;

namespace dw {

// Esc anywhere in the window asks it to close.
void CloseOnEscape(QWidget* window);

// Asks the window manager to leave the window out of the task bar. Must be
// called before each showing: some window managers drop the request when
// the window is withdrawn.
void RequestNoTaskbarEntry(QWidget* window);

// Keeps the outer place and size (frame included) that a top-level window
// was given before its first showing. Where the window manager frames a
// window only once it is mapped, the frame is unknown until then, so the
// client area would sit where the frame was meant to and the window would
// grow by the frame. When the frame turns up during the first showing, the
// client area shrinks by the frame's size (a fixed-size window stays
// fixed) and the frame moves to the given place.
void KeepOuterSizeWhenFramed(QWidget* window);

// Switches a top-level window's always-on-top state without re-creating
// the platform window, so a shown window stays shown and in place.
void SetAlwaysOnTop(QWidget* window, bool on);

}  // namespace dw
