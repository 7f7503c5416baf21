#include "app/desktop/end_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace dw {
namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end for the handler; a handler can reach nothing else.
volatile std::sig_atomic_t g_write_end = -1;

void OnEndSignal(int signal_number) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal_number);
  if (g_write_end >= 0) {
    [[maybe_unused]] const ssize_t written = ::write(g_write_end, &byte, 1);
  }
  errno = saved;
}

}  // namespace

EndSignals::EndSignals() {
  if (g_write_end >= 0 || ::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_write_end = pipe_[1];
  struct sigaction action {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : kEndSignals) ::sigaction(number, &action, nullptr);
  notifier_ =
      std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this,
          &EndSignals::OnReadable);
}

EndSignals::~EndSignals() {
  if (!notifier_) return;
  for (int number : kEndSignals) std::signal(number, SIG_DFL);
  g_write_end = -1;
  notifier_.reset();
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void EndSignals::OnReadable() {
  unsigned char byte = 0;
  while (::read(pipe_[0], &byte, 1) == 1) emit EndRequested(byte);
}

}  // namespace dw
