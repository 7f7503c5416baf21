#include "runtime/delay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <utility>

#include "runtime/threads.h"

namespace dw {
namespace {

struct GuiHook {
  std::mutex mutex;
  std::function<void(long long)> wait;
  std::thread::id thread;
};

GuiHook& Hook() {
  static GuiHook hook;
  return hook;
}

double UnitFactor(int unit) {
  switch (unit) {
    case 1:
      return 1000.0;
    case 2:
      return 60000.0;
    case 3:
      return 3600000.0;
    default:
      return 1.0;
  }
}

// About 30 years; anything longer is as good as for ever.
constexpr double kLongestMs = 1e12;

}  // namespace

bool Delay(double amount, int unit) {
  double ms = amount * UnitFactor(unit);
  if (!(ms > 0.0)) return true;  // also NaN
  const long long wait = std::llround(std::min(ms, kLongestMs));
  if (OnRuntimeThread()) {
    WaitUnlessStopped(std::chrono::milliseconds(wait));
    return true;
  }
  std::function<void(long long)> gui;
  {
    GuiHook& hook = Hook();
    std::lock_guard<std::mutex> lock(hook.mutex);
    if (hook.wait && hook.thread == std::this_thread::get_id()) gui = hook.wait;
  }
  if (gui) {
    gui(wait);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(wait));
  }
  return true;
}

void SetGuiDelayHook(std::function<void(long long ms)> hook) {
  GuiHook& h = Hook();
  std::lock_guard<std::mutex> lock(h.mutex);
  h.wait = std::move(hook);
  h.thread = std::this_thread::get_id();
}

}  // namespace dw
