#include "runtime/threads.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace dw {

struct ThreadState {
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  bool finished = false;
  std::thread thread;
};

namespace {

// The state of the StartThread thread this code runs on; its owning
// reference is held by the thread's entry function.
thread_local ThreadState* tCurrent = nullptr;

// Waits are done in slices so that a very long wait cannot overflow the
// clock arithmetic.
constexpr std::chrono::hours kLongestSlice{24 * 365};

}  // namespace

ThreadHandle::~ThreadHandle() { Release(); }

ThreadHandle::ThreadHandle(ThreadHandle&& other) noexcept
    : state_(std::move(other.state_)) {}

ThreadHandle& ThreadHandle::operator=(ThreadHandle&& other) noexcept {
  if (this != &other) {
    Release();
    state_ = std::move(other.state_);
  }
  return *this;
}

void ThreadHandle::Release() {
  if (!state_) return;
  // The thread object lives in the shared state, which the thread itself may
  // be the last to release; it must not be joinable then.
  if (state_->thread.joinable()) state_->thread.detach();
  state_.reset();
}

bool StartThread(std::function<void()> body, ThreadHandle* handle) {
  auto state = std::make_shared<ThreadState>();
  try {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->thread = std::thread([state, body = std::move(body)] {
      tCurrent = state.get();
      try {
        if (body) body();
      } catch (...) {
      }
      tCurrent = nullptr;
      std::lock_guard<std::mutex> done(state->mutex);
      state->finished = true;
      state->wake.notify_all();
    });
  } catch (const std::system_error&) {
    return false;
  }
  if (handle) {
    handle->Release();
    handle->state_ = std::move(state);
  } else {
    state->thread.detach();
  }
  return true;
}

bool EndThread(ThreadHandle& handle) {
  if (!handle.state_) return false;
  std::lock_guard<std::mutex> lock(handle.state_->mutex);
  handle.state_->stop = true;
  handle.state_->wake.notify_all();
  return true;
}

bool JoinThread(ThreadHandle& handle, std::optional<int> timeoutMs) {
  ThreadState* state = handle.state_.get();
  if (!state) return true;
  if (state == tCurrent) return false;
  {
    std::unique_lock<std::mutex> lock(state->mutex);
    auto finished = [state] { return state->finished; };
    if (timeoutMs) {
      if (!state->wake.wait_for(
              lock, std::chrono::milliseconds(std::max(*timeoutMs, 0)),
              finished))
        return false;
    } else {
      state->wake.wait(lock, finished);
    }
  }
  if (state->thread.joinable()) state->thread.join();
  handle.state_.reset();
  return true;
}

bool ThreadFinished(const ThreadHandle& handle) {
  if (!handle.state_) return true;
  std::lock_guard<std::mutex> lock(handle.state_->mutex);
  return handle.state_->finished;
}

bool StopRequested() {
  if (!tCurrent) return false;
  std::lock_guard<std::mutex> lock(tCurrent->mutex);
  return tCurrent->stop;
}

bool OnRuntimeThread() { return tCurrent != nullptr; }

bool WaitUnlessStopped(std::chrono::milliseconds duration) {
  if (!tCurrent) {
    std::this_thread::sleep_for(duration);
    return false;
  }
  std::unique_lock<std::mutex> lock(tCurrent->mutex);
  auto stopped = [] { return tCurrent->stop; };
  while (duration > std::chrono::milliseconds::zero() && !stopped()) {
    auto slice = std::min<std::chrono::milliseconds>(duration, kLongestSlice);
    auto deadline = std::chrono::steady_clock::now() + slice;
    if (tCurrent->wake.wait_until(lock, deadline, stopped)) break;
    duration -= slice;
  }
  return tCurrent->stop;
}

bool RestartThread(ThreadHandle& handle, std::function<void()> body) {
  EndThread(handle);
  auto previous = std::make_shared<ThreadHandle>(std::move(handle));
  const bool started = StartThread(
      [previous, body = std::move(body)] {
        JoinThread(*previous);
        if (StopRequested()) return;
        body();
      },
      &handle);
  if (!started) handle = std::move(*previous);
  return started;
}

}  // namespace dw
