#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace dw {

// What the tray icon's click and menu do.
struct TrayActions {
  std::function<void()> raise;        // a click on the icon
  std::function<void()> start_pause;  // 开始/暂停
  std::function<void()> history;      // 历史; no entry when empty
  std::function<void()> rules;        // 规则
  std::function<void()> quit;         // 退出
};

// The program's icon in the desktop's tray, where it has one. Its tooltip
// and a badge on it count the posts announced since the user last looked,
// and a warning mark on it stands for rules that keep failing.
class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(TrayActions actions, QObject* parent = nullptr);
  ~TrayIcon() override;

  // True while the desktop has a tray to show the icon in.
  static bool Available();

  void AddAnnounced(int posts);
  void ClearAnnounced();
  int Announced() const { return announced_; }
  // The rules that keep failing ("name：cause" each), named in the tooltip
  // and marked on the icon until none is left.
  void SetBroken(const QStringList& rules);
  const QStringList& Broken() const { return broken_; }
  // The menu's first entry follows the start/pause button's caption.
  void SetStartPauseCaption(const QString& caption);

  QSystemTrayIcon* Icon() const { return icon_; }
  QMenu* Menu() const { return menu_; }

 private:
  void Update();

  TrayActions actions_;
  QSystemTrayIcon* icon_;
  QMenu* menu_;
  QAction* start_pause_;
  int announced_ = 0;
  QStringList broken_;
};

}  // namespace dw
