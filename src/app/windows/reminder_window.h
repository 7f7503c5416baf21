#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "app/windows/list_box.h"

namespace dw {

struct ReminderWindowOptions {
  int second_ms = 1000;                    // length of one count-down second
  std::function<QPoint()> mouse_position;  // screen coordinates
  std::function<void(const std::string&)> open_link;  // GBK address
};

// The small always-on-top window that lists the posts of the current round
// and, each time it is shown, counts fifteen seconds down in its title and
// hides itself, unless the mouse comes onto it. Closing it only hides it.
class ReminderWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ReminderWindow(ReminderWindowOptions options = {});

  ListBox* ReminderList() const { return list_; }
  bool CountdownRunning() const { return countdown_.isActive(); }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void PlaceOnScreen();
  void OnReminderShown();
  void OnCountdownTick();
  void OnReminderListDoubleClicked();

  ReminderWindowOptions options_;
  ListBox* list_;
  QTimer countdown_;
  int passes_ = 0;
};

}  // namespace dw
