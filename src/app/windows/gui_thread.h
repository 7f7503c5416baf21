#pragma once

#include <QMetaObject>
#include <QObject>
#include <type_traits>
#include <utility>

#include "runtime/ui/ui_ops.h"

namespace dw {

// Runs `f` on the GUI thread: at once when already there, otherwise queued
// behind what is already waiting, without waiting for it. Dropped when
// `context` is destroyed first.
template <class F>
void RunOnGui(QObject* context, F f) {
  if (OnGuiThread()) {
    f();
  } else {
    QMetaObject::invokeMethod(context, std::move(f), Qt::QueuedConnection);
  }
}

// Runs `f` on the GUI thread and returns its result. From another thread
// the caller waits for the GUI thread, so only a thread that the GUI
// thread never waits for may use it.
template <class F>
auto CallOnGui(QObject* context, F f) -> std::invoke_result_t<F> {
  using R = std::invoke_result_t<F>;
  if (OnGuiThread()) return f();
  if constexpr (std::is_void_v<R>) {
    QMetaObject::invokeMethod(context, std::move(f),
                              Qt::BlockingQueuedConnection);
  } else {
    R result{};
    QMetaObject::invokeMethod(context, std::move(f),
                              Qt::BlockingQueuedConnection, &result);
    return result;
  }
}

}  // namespace dw
