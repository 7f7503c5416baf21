#include "app/windows/window_ops.h"

#include <QAbstractButton>
#include <QPointer>
#include <QTreeWidget>
#include <functional>

#include "app/windows/gui_thread.h"
#include "app/windows/list_box.h"
#include "app/windows/status_bar.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/window_state.h"

namespace dw {
namespace {

int OuterWidth(const QWidget* w) {
  return w->isWindow() ? w->frameGeometry().width() : w->width();
}
int OuterHeight(const QWidget* w) {
  return w->isWindow() ? w->frameGeometry().height() : w->height();
}

int AsInt(const PropertyValue& v) {
  if (auto* i = std::get_if<int>(&v)) return *i;
  if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  return 0;
}
bool AsBool(const PropertyValue& v) { return AsInt(v) != 0; }
std::string AsText(const PropertyValue& v) {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  return std::to_string(AsInt(v));
}

PropertyValue ReadOnGui(QWidget* w, int number) {
  switch (number) {
    case kPropLeft:  // for a window, pos() is the frame's position
      return w->x();
    case kPropTop:
      return w->y();
    case kPropWidth:
      return OuterWidth(w);
    case kPropHeight:
      return OuterHeight(w);
    case kPropVisible:
      return w->isWindow() ? w->isVisible() : !w->isHidden();
    case kPropTitle:
      return QStringToGbk(w->windowTitle());
    case kPropCaption:
      if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        return QStringToGbk(b->text());
      }
      return std::string();
    case kPropMaximizeButton:
      return w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
    case kPropAlwaysOnTop:
      return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    case kPropSelectedRow:
      if (auto* list = qobject_cast<ListBox*>(w)) return list->SelectedRow();
      if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        const auto selected = tree->selectedItems();
        return selected.isEmpty() ? -1
                                  : tree->indexOfTopLevelItem(selected.front());
      }
      return -1;
    default:
      return 0;
  }
}

void SetMaximizeButton(QWidget* w, bool on) {
  Qt::WindowFlags flags = w->windowFlags() | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
  flags.setFlag(Qt::WindowMaximizeButtonHint, on);
  if (flags == w->windowFlags()) return;
  const bool was_visible = w->isVisible();
  const bool was_created = w->testAttribute(Qt::WA_WState_Created);
  const QPoint place = w->pos();
  w->setWindowFlags(flags);  // re-creates the frame, which hides the window
  if (was_created) w->winId();
  w->move(place);
  if (was_visible) w->show();
}

void WriteOnGui(QWidget* w, int number, const PropertyValue& value) {
  switch (number) {
    case kPropLeft:  // for a window, pos() is the frame's position
      w->move(AsInt(value), w->y());
      break;
    case kPropTop:
      w->move(w->x(), AsInt(value));
      break;
    case kPropWidth:
      w->resize(AsInt(value) - (OuterWidth(w) - w->width()), w->height());
      break;
    case kPropHeight:
      w->resize(w->width(), AsInt(value) - (OuterHeight(w) - w->height()));
      break;
    case kPropVisible:
      w->setVisible(AsBool(value));
      break;
    case kPropTitle:
      w->setWindowTitle(GbkToQString(AsText(value)));
      break;
    case kPropCaption:
      if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(GbkToQString(AsText(value)));
      }
      break;
    case kPropMaximizeButton:
      if (w->isWindow()) SetMaximizeButton(w, AsBool(value));
      break;
    case kPropAlwaysOnTop:
      if (w->isWindow()) SetAlwaysOnTop(w, AsBool(value));
      break;
    default:
      break;
  }
}

// Pre-order walk: the item at `index`, counting parents before children.
QTreeWidgetItem* TreeItemAt(QTreeWidget* tree, int index) {
  if (index < 0) return nullptr;
  int seen = 0;
  std::function<QTreeWidgetItem*(QTreeWidgetItem*)> walk =
      [&](QTreeWidgetItem* parent) -> QTreeWidgetItem* {
    for (int i = 0; i < parent->childCount(); ++i) {
      QTreeWidgetItem* item = parent->child(i);
      if (seen++ == index) return item;
      if (QTreeWidgetItem* found = walk(item)) return found;
    }
    return nullptr;
  };
  return walk(tree->invisibleRootItem());
}

int CountItems(QTreeWidgetItem* parent) {
  int count = 0;
  for (int i = 0; i < parent->childCount(); ++i) {
    count += 1 + CountItems(parent->child(i));
  }
  return count;
}

int IndexOf(QTreeWidget* tree, QTreeWidgetItem* wanted) {
  for (int i = 0, n = CountItems(tree->invisibleRootItem()); i < n; ++i) {
    if (TreeItemAt(tree, i) == wanted) return i;
  }
  return -1;
}

}  // namespace

bool LoadWindow(QWidget* window, QWidget* owner, bool modal) {
  if (!window) return false;
  return CallOnGui(window, [=] {
    if (owner && window->parentWidget() != owner) {
      window->setParent(owner, window->windowFlags() | Qt::Window);
    }
    if (modal) {
      window->setWindowModality(Qt::ApplicationModal);
      window->show();
    }
    window->winId();  // the platform window exists from here on
    return true;
  });
}

void UnloadWindow(QWidget* window) {
  if (!window) return;
  RunOnGui(window, [w = QPointer<QWidget>(window)] {
    if (w) w->close();
  });
}

PropertyValue ReadProperty(QWidget* target, int number) {
  if (!target) return 0;
  return CallOnGui(target, [=] { return ReadOnGui(target, number); });
}

void WriteProperty(QWidget* target, int number, const PropertyValue& value) {
  if (!target) return;
  RunOnGui(target, [w = QPointer<QWidget>(target), number, value] {
    if (w) WriteOnGui(w, number, value);
  });
}

int ReadIntProperty(QWidget* target, int number) {
  return AsInt(ReadProperty(target, number));
}
bool ReadBoolProperty(QWidget* target, int number) {
  return AsBool(ReadProperty(target, number));
}
std::string ReadTextProperty(QWidget* target, int number) {
  return AsText(ReadProperty(target, number));
}

int TreeItemCount(QTreeWidget* tree) {
  if (!tree) return 0;
  return CallOnGui(tree, [=] { return CountItems(tree->invisibleRootItem()); });
}

int TreeItemValue(QTreeWidget* tree, int index) {
  if (!tree) return 0;
  return CallOnGui(tree, [=] {
    QTreeWidgetItem* item = TreeItemAt(tree, index);
    return item ? item->data(0, Qt::UserRole).toInt() : 0;
  });
}

int TreeCheckState(QTreeWidget* tree, int index) {
  if (!tree) return -1;
  return CallOnGui(tree, [=] {
    QTreeWidgetItem* item = TreeItemAt(tree, index);
    if (!item) return -1;
    return item->checkState(0) == Qt::Checked ? 1 : 0;
  });
}

int TreeAddItem(QTreeWidget* tree, const std::string& text, int value,
                int check_state, int parent, bool bold) {
  if (!tree) return -1;
  return CallOnGui(tree, [=] {
    QTreeWidgetItem* under =
        parent < 0 ? tree->invisibleRootItem() : TreeItemAt(tree, parent);
    if (!under) under = tree->invisibleRootItem();
    auto* item = new QTreeWidgetItem(under);
    item->setText(0, GbkToQString(text));
    item->setData(0, Qt::UserRole, value);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, check_state == 1 ? Qt::Checked : Qt::Unchecked);
    if (bold) {
      QFont font = item->font(0);
      font.setBold(true);
      item->setFont(0, font);
    }
    return IndexOf(tree, item);
  });
}

void TreeClear(QTreeWidget* tree) {
  if (!tree) return;
  RunOnGui(tree, [t = QPointer<QTreeWidget>(tree)] {
    if (t) t->clear();
  });
}

int ListInsertRow(ListBox* list, int position) {
  if (!list) return -1;
  return CallOnGui(list,
                   [=] { return list->Rows()->InsertRows(position, {{}}); });
}

void ListSetItemText(ListBox* list, int row, int column,
                     const std::string& text) {
  if (!list) return;
  RunOnGui(list, [l = QPointer<ListBox>(list), row, column, text] {
    if (l) l->Rows()->SetText(row, column, text);
  });
}

std::string ListItemText(ListBox* list, int row, int column) {
  if (!list) return std::string();
  return CallOnGui(list, [=] { return list->Rows()->Text(row, column); });
}

void ListSetItemImage(ListBox* list, int row, int column, int image) {
  if (!list) return;
  RunOnGui(list, [l = QPointer<ListBox>(list), row, column, image] {
    if (l) l->Rows()->SetImage(row, column, image);
  });
}

void ListClear(ListBox* list) {
  if (!list) return;
  RunOnGui(list, [l = QPointer<ListBox>(list)] {
    if (l) l->clear();
  });
}

void StatusSetText(StatusBar* bar, int part, const std::string& text) {
  if (!bar) return;
  RunOnGui(bar, [b = QPointer<StatusBar>(bar), part, text] {
    if (b) b->SetText(part, GbkToQString(text));
  });
}

void StatusSetWidth(StatusBar* bar, int part, int width) {
  if (!bar) return;
  RunOnGui(bar, [b = QPointer<StatusBar>(bar), part, width] {
    if (b) b->SetWidth(part, width < -1 ? -1 : width);
  });
}

}  // namespace dw
