#pragma once

#include <QObject>
#include <QSet>
#include <QString>

namespace dw {

// Desktop notifications through the notification service on the session
// bus. Where no bus or no service is, nothing is shown and nothing breaks.
class DesktopNotice : public QObject {
  Q_OBJECT

 public:
  explicit DesktopNotice(QObject* parent = nullptr);

  // Shows one notification. Returns at once.
  void Show(const QString& summary, const QString& body);

 signals:
  // The user clicked the notification (its default action).
  void Clicked();

 private slots:
  void OnActionInvoked(uint id, const QString& action);

 private:
  QSet<uint> shown_;
  bool listening_ = false;  // ids of ours, so clicks on others' are ignored
};

}  // namespace dw
