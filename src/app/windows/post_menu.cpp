#include "app/windows/post_menu.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include "app/windows/list_box.h"
#include "app/windows/main_window.h"
#include "app/windows/reminder_window.h"
#include "app/windows/window_ops.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/ui_ops.h"

namespace dw {

PostMenu::PostMenu(ListBox* list, int link_column, int title_column,
                   PostMenuActions actions)
    : QObject(list),
      list_(list),
      link_column_(link_column),
      title_column_(title_column),
      actions_(std::move(actions)) {
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) {
            const QModelIndex item = list_->indexAt(at);
            if (!item.isValid()) return;
            list_->setCurrentIndex(item);
            QMenu* menu = MenuForRow(item.row());
            if (!menu) return;
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(list_->viewport()->mapToGlobal(at));
          });
}

QMenu* PostMenu::MenuForRow(int row) {
  if (row < 0 || row >= list_->Rows()->rowCount()) return nullptr;
  return NewPostMenu(list_, ListItemText(list_, row, link_column_),
                     GbkToQString(ListItemText(list_, row, title_column_)),
                     actions_);
}

QMenu* NewPostMenu(QWidget* parent, const std::string& link,
                   const QString& title, const PostMenuActions& actions) {
  auto* menu = new QMenu(parent);
  QAction* open = menu->addAction(QString::fromUtf8("打开链接"));
  open->setObjectName("open_link");
  QObject::connect(open, &QAction::triggered, menu,
                   [actions, link] { OpenLinkOrExplain(actions, link); });
  QAction* copy_link = menu->addAction(QString::fromUtf8("复制链接"));
  copy_link->setObjectName("copy_link");
  QObject::connect(copy_link, &QAction::triggered, menu, [link] {
    QGuiApplication::clipboard()->setText(GbkToQString(link));
  });
  QAction* copy_title = menu->addAction(QString::fromUtf8("复制标题"));
  copy_title->setObjectName("copy_title");
  QObject::connect(copy_title, &QAction::triggered, menu,
                   [title] { QGuiApplication::clipboard()->setText(title); });
  return menu;
}

bool OpenLinkOrExplain(const PostMenuActions& actions,
                       const std::string& link) {
  if (!IsWebAddress(link)) {
    if (actions.report) {
      actions.report(QString::fromUtf8("链接不是 http(s) 地址，无法打开：") +
                     GbkToQString(link));
    }
    return false;
  }
  const auto opener_failed = [report = actions.report](int status) {
    if (!report) return;
    // The opener's own exit statuses: 3 means it found nothing to open
    // links with.
    report(status == 3 ? QString::fromUtf8("没有可用的浏览器，无法打开链接")
                       : QString::fromUtf8("打开链接的程序出错（退出码 %1），"
                                           "链接没有打开")
                             .arg(status));
  };
  const bool opened = actions.open_link
                          ? actions.open_link(link)
                          : OpenWebAddressWatched(link, opener_failed);
  if (!opened && actions.report) {
    actions.report(QString::fromUtf8("没有可用的浏览器，无法打开链接"));
  }
  return opened;
}

PostMenuActions StatusBarLinkActions(MainWindow& main) {
  PostMenuActions actions;
  StatusBar* status = main.Status();
  actions.report = [status](const QString& text) {
    StatusSetText(status, 1, QStringToGbk(QLatin1Char(' ') + text));
  };
  return actions;
}

void AddPostMenus(MainWindow& main, ReminderWindow& reminder) {
  const PostMenuActions actions = StatusBarLinkActions(main);
  new PostMenu(main.PostList(), /*link_column=*/1, /*title_column=*/3, actions);
  new PostMenu(reminder.ReminderList(), /*link_column=*/1, /*title_column=*/0,
               actions);
}

}  // namespace dw
