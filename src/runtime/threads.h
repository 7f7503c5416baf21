// Threads of the program with a cooperative stop: every thread started by
// StartThread has a stop request (a flag and a wake-up). EndThread asks the
// thread to stop; the thread honours it at its next wait (Delay returns at
// once) or check (StopRequested), and JoinThread waits for it to end.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace dw {

struct ThreadState;

// Owns a started thread. Dropping the handle lets the thread run on by
// itself (it is neither stopped nor waited for); call EndThread and
// JoinThread first when the thread uses state that is about to go.
class ThreadHandle {
 public:
  ThreadHandle() = default;
  ~ThreadHandle();
  ThreadHandle(ThreadHandle&& other) noexcept;
  ThreadHandle& operator=(ThreadHandle&& other) noexcept;
  ThreadHandle(const ThreadHandle&) = delete;
  ThreadHandle& operator=(const ThreadHandle&) = delete;

  // True while the handle holds a thread (ended or not) not yet joined.
  bool Valid() const { return state_ != nullptr; }

 private:
  friend bool StartThread(std::function<void()>, ThreadHandle*);
  friend bool EndThread(ThreadHandle&);
  friend bool JoinThread(ThreadHandle&, std::optional<int>);
  friend bool ThreadFinished(const ThreadHandle&);
  void Release();
  std::shared_ptr<ThreadState> state_;
};

// Runs body on a new thread. The handle, when given, receives the thread
// (replacing what it held, which runs on by itself); without one the thread
// runs on by itself. False when the thread could not be created. Exceptions
// escaping body end the body quietly.
bool StartThread(std::function<void()> body, ThreadHandle* handle = nullptr);

// Asks the thread `handle` holds to stop and starts body on a new thread in
// its place. The new thread first waits for the old one to end, off the
// calling thread, so a restart never blocks the caller, and it skips body
// when it is stopped meanwhile. False when no thread could be started; the
// handle then still holds the old thread.
bool RestartThread(ThreadHandle& handle, std::function<void()> body);

// Asks the thread to stop and wakes it from a Delay. Returns at once; false
// when the handle holds no thread.
bool EndThread(ThreadHandle& handle);

// Waits until the thread has ended (at most timeoutMs when given) and then
// releases it, leaving the handle empty. True when the thread has ended or
// the handle was empty; false on time-out. A thread cannot join itself: that
// gives false at once.
bool JoinThread(ThreadHandle& handle,
                std::optional<int> timeoutMs = std::nullopt);

// True when the thread has returned from its body (or the handle is empty).
bool ThreadFinished(const ThreadHandle& handle);

// True when code runs on a thread started by StartThread whose stop was
// requested. Always false on other threads.
bool StopRequested();

// True on a thread started by StartThread.
bool OnRuntimeThread();

// On a thread started by StartThread: waits until the time has passed or a
// stop is requested, and returns StopRequested(). Elsewhere it sleeps for
// the time and returns false.
bool WaitUnlessStopped(std::chrono::milliseconds duration);

}  // namespace dw
