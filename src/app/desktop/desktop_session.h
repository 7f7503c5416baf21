#pragma once

namespace dw {

// Whether to run on X11 rather than Wayland: a Wayland session does not let
// a program place its windows or keep them on top, which the reminder
// needs. Only when X11 is at hand (an X server under the session) and the
// user has not chosen a platform.
bool PreferX11(const char* wayland_display, const char* display,
               const char* chosen_platform);

// Before the application object: the window system, and the name that
// the lock file, the window class and the desktop entry go by. True when
// it chose X11, which FinishDesktopSession then keeps from the programs
// this one starts (a browser opening a link).
bool PrepareDesktopSession();
void FinishDesktopSession(bool chose_x11);

// With the application object: the icon the task bar and the window
// manager show for every window of the program.
void SetProgramIcon();

}  // namespace dw
