#pragma once

#include <QUrl>
#include <functional>
#include <optional>
#include <string>

#include "runtime/threads.h"

class QWidget;

namespace dw {

// The runtime operations that need the window system. Text is GBK.

// Shows a window at the front, out of the tray, the task bar or a
// minimized state.
void BringToFront(QWidget* window);

// True on the thread that runs the windows, or when there is no
// application object yet, so start-up code and plain tests run directly.
bool OnGuiThread();

// Dispatches whatever events wait for the calling thread.
void ProcessPendingEvents();

// The address as a URL when it is an http(s) address (runtime/web_address.h)
// that parses with a host; an invalid URL otherwise.
QUrl WebUrl(const QString& address,
            QUrl::ParsingMode mode = QUrl::TolerantMode);

// True for an http:// or https:// address (GBK) with a host: the only
// addresses the program opens.
bool IsWebAddress(const std::string& address);

// Hands a web address to the desktop's browser. Only web addresses are
// opened; anything else (a local file, a script, a custom scheme from a
// scraped page) is ignored. False when the address was not opened: not a
// web address, or no browser took it.
bool OpenWebAddress(const std::string& address);
// The same, telling also of a failure that shows only later: where the
// desktop opens links with an opener program, that program runs on its own
// (ending this program never ends it) and, when it ends with an error,
// `opener_failed` gets its exit status on this thread.
bool OpenWebAddressWatched(const std::string& address,
                           std::function<void(int exit_status)> opener_failed);

int ScreenWidth();
int ScreenHeight();
int MouseX();
int MouseY();

// A modal message box. `style` takes the classic style bits: the low
// nibble picks the buttons (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore,
// 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel), 0x10..0x40 the icon
// (error, question, warning, information), 0x100..0x300 the default
// button. Returns the pressed button: OK 0, Cancel 1, Abort 2, Retry 3,
// Ignore 4, Yes 5, No 6. Without a caption the box reads "信息：".
int ShowMessageBox(const std::string& message, int style = 0,
                   const std::optional<std::string>& caption = std::nullopt,
                   QWidget* owner = nullptr);

// Waits `ms` milliseconds on the GUI thread while its events keep being
// dispatched, so the windows stay responsive. Events never cut it short.
void GuiDelay(int ms);

// Waits for a thread to end while the GUI thread's events keep being
// dispatched, so a thread that is itself waiting on the GUI thread (a
// runtime-error box raised on it, say) can still finish. Leaves the handle
// empty.
void JoinThreadDispatching(ThreadHandle& thread);

}  // namespace dw
