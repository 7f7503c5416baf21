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

  // Shows one notification, with a button `action_text` beside the click
  // that raises the window when `action` is given. Returns at once.
  void Show(const QString& summary, const QString& body,
            const QString& action = {}, const QString& action_text = {});

 signals:
  // The user clicked the notification (its default action).
  void Clicked();
  // The user chose the `action` a notification of ours offered.
  void Chosen(const QString& action);

 private slots:
  void OnActionInvoked(uint id, const QString& action);

 private:
  QSet<uint> shown_;
  bool listening_ = false;  // ids of ours, so clicks on others' are ignored
};

}  // namespace dw
