#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace dw {

// Turns SIGTERM, SIGINT and SIGHUP into a signal on the GUI thread, so that
// they end the program the orderly way a closed window does: the handler
// only writes the signal's number to a pipe the event loop watches. One at
// a time; the default handling returns when it goes.
class EndSignals : public QObject {
  Q_OBJECT

 public:
  EndSignals();
  ~EndSignals() override;

  // False when the pipe or a handler could not be set up.
  bool Installed() const { return notifier_ != nullptr; }

 signals:
  void EndRequested(int signal_number);

 private:
  void OnReadable();

  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace dw
