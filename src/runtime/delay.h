// Waiting that keeps the calling thread responsive.
#pragma once

#include <functional>

namespace dw {

// Waits amount x unit: unit 0 milliseconds (the default), 1 seconds,
// 2 minutes, 3 hours. On a thread started by StartThread the wait returns at
// once when the thread is asked to stop. On the thread that installed the
// event-loop hook, the hook does the waiting so that windows stay
// responsive. Elsewhere the thread sleeps. A wait of 0 or less returns at
// once. Always true.
bool Delay(double amount, int unit = 0);

// Installs the wait used by Delay on the calling thread (the GUI thread): it
// must wait ms milliseconds while running the event loop. An empty function
// removes it.
void SetGuiDelayHook(std::function<void(long long ms)> hook);

}  // namespace dw
