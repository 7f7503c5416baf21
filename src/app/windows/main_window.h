#pragma once

#include <QLabel>
#include <QPoint>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "app/windows/list_box.h"
#include "app/windows/status_bar.h"

namespace dw {

// What the main window's handlers call outside the window itself.
struct MainWindowActions {
  std::function<void()> start_collection;
  std::function<void()> stop_collection;
  std::function<void(const std::string&)> open_link;  // GBK address
  std::function<void(int)> delay;    // ms, while events keep running
  std::function<void()> open_rules;  // the 规则 button
  // True when closing should only hide the window (in the tray).
  std::function<bool()> hide_on_close;
  std::function<void()> open_history;  // the 历史 button and Ctrl+F
};

// The 规则 button's tooltip: `what` (rich text) is what the rules are
// up to, empty when nothing is to say; the keys that open the window are
// named either way.
QString RulesButtonTip(const QString& what);

// The program's working surface: the description label, the rules button,
// the start/pause button, the post list, the status bar and the (hidden)
// rule tree. Closing it ends the program.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit MainWindow(MainWindowActions actions = {});

  void SetActions(MainWindowActions actions);

  // From now on the window's size is its smallest, and the post list takes
  // up whatever the window grows by (maximised included); the controls
  // above it keep their places. On a screen too low for the usual
  // height the list is shorter by what the screen lacks.
  void GrowFromCurrentSize();

  QLabel* Label() const { return label_; }
  ListBox* PostList() const { return post_list_; }
  QPushButton* StartButton() const { return start_button_; }
  QPushButton* RulesButton() const { return rules_button_; }
  QPushButton* HistoryButton() const { return history_button_; }
  StatusBar* Status() const { return status_; }
  QTreeWidget* RuleTree() const { return rule_tree_; }

 signals:
  void Closed();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void DockStatusBar();
  void FitPostList();
  void OnMainWindowResized();
  void OnStartPauseClicked();
  void OnPostListDoubleClicked();

  MainWindowActions actions_;
  QLabel* label_;
  ListBox* post_list_;
  QPushButton* start_button_;
  QPushButton* rules_button_;
  QPushButton* history_button_;
  StatusBar* status_;
  QTreeWidget* rule_tree_;
  // Dragging by the background or the label: handed to the window manager
  // at the first move, or done by hand where it does not take it.
  enum class Drag { kNone, kPressed, kByHand };
  Drag drag_ = Drag::kNone;
  QPoint drag_start_mouse_, drag_start_window_;
  // The post list's distance from the right and bottom edges to keep;
  // empty until the window may grow.
  std::optional<QSize> list_margin_;
  // The size inside the frame as designed, before a small screen cut it.
  QSize designed_;
};

}  // namespace dw
