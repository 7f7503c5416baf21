#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QMenu;
class QWidget;

namespace dw {

class ListBox;
class MainWindow;
class ReminderWindow;

struct PostMenuActions {
  // Opens a GBK address; false when it was not opened (when empty,
  // OpenWebAddressWatched, whose later failures go to `report` too).
  std::function<bool(const std::string&)> open_link;
  // Tells the user why a link did not open.
  std::function<void(const QString&)> report;
};

// The context menu of a list of posts: 打开链接, 复制链接, 复制标题 for the
// row under the mouse. It lives as long as the list.
class PostMenu : public QObject {
  Q_OBJECT

 public:
  PostMenu(ListBox* list, int link_column, int title_column,
           PostMenuActions actions);

  // The menu for a row, owned by the caller; null for a row that does not
  // exist. Its actions are named open_link, copy_link and copy_title.
  QMenu* MenuForRow(int row);

 private:
  ListBox* list_;
  int link_column_;
  int title_column_;
  PostMenuActions actions_;
};

// A new menu with 打开链接, 复制链接 and 复制标题 for one post (its GBK link),
// owned by the caller.
QMenu* NewPostMenu(QWidget* parent, const std::string& link,
                   const QString& title, const PostMenuActions& actions);

// Opens a GBK link with actions.open_link, or tells actions.report why it
// could not be opened. False when it was not opened.
bool OpenLinkOrExplain(const PostMenuActions& actions, const std::string& link);

// What opening a link needs on the main window: OpenWebAddress, and part 1
// of its status bar for the reason a link did not open.
PostMenuActions StatusBarLinkActions(MainWindow& main);

// The menu on both lists of posts, opening links with StatusBarLinkActions.
void AddPostMenus(MainWindow& main, ReminderWindow& reminder);

}  // namespace dw
