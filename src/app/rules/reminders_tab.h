#pragma once

#include <QWidget>

#include "runtime/database.h"
#include "store/reminder_settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dw {

class PushSender;

// How new posts reach the user: the reminder switches kept in `con`, the
// desktop notification, the tray, starting on launch and at login.
class RemindersTab : public QWidget {
  Q_OBJECT

 public:
  RemindersTab(Database& db, QWidget* parent = nullptr);
  ~RemindersTab() override;

  // Reads the settings again, unless the tab holds changes not yet saved.
  void Reload();
  // False, with the reason shown, when nothing was written.
  bool Save();
  // Sends a test form to the address as typed.
  void SendTest();
  void ShowMessage(const QString& text, bool error = false);

  ReminderSettings Chosen() const;
  QCheckBox* Box(const char* name) const;
  QLineEdit* PushAddress() const { return address_; }
  QLabel* Message() const { return message_; }

 signals:
  void Saved(const ReminderSettings& settings);

 private:
  void Show(const ReminderSettings& settings);
  void CheckAddress();

  Database& db_;
  QLineEdit* address_;
  QPushButton* send_test_;
  QLabel* message_;
  PushSender* sender_;
  bool modified_ = false;
};

}  // namespace dw
