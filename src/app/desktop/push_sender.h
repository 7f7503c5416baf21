#pragma once

#include <QObject>
#include <QString>
#include <utility>
#include <vector>

#include "runtime/threads.h"

namespace dw {

// A form of named text fields, sent as UTF-8.
using PushForm = std::vector<std::pair<QString, QString>>;

// True for an http or https address with a host: where a push may go.
bool IsPushAddress(const QString& address);

// The form's body as an HTML form posts it: UTF-8, percent-encoded.
std::string PushFormBody(const PushForm& form);

// Posts forms to the user's push address, each on a thread of its own with
// a short deadline for the whole push, tried once, so that nothing waits
// for it. What became
// of each comes back on the thread that owns this object.
class PushSender : public QObject {
  Q_OBJECT

 public:
  explicit PushSender(QObject* parent = nullptr);
  // Stops the sends still under way (each gives up within a moment) and
  // waits for them.
  ~PushSender() override;

  // Returns at once; false when the address is not one to send to (then
  // Finished still comes, with the reason).
  bool Send(const QString& address, const PushForm& form);

  static constexpr int kTimeoutSeconds = 5;

 signals:
  // `problem` is empty on success, else says what went wrong.
  void Finished(const QString& address, const QString& problem);

 private:
  std::vector<ThreadHandle> sends_;
};

}  // namespace dw
