#include "runtime/ui/message_box_style.h"

#include <vector>

namespace dw {
namespace {

std::vector<QMessageBox::StandardButton> ButtonsInOrder(int style) {
  using B = QMessageBox::StandardButton;
  switch (style & 0xF) {
    case 1:
      return {B::Ok, B::Cancel};
    case 2:
      return {B::Abort, B::Retry, B::Ignore};
    case 3:
      return {B::Yes, B::No, B::Cancel};
    case 4:
      return {B::Yes, B::No};
    case 5:
      return {B::Retry, B::Cancel};
    default:
      return {B::Ok};
  }
}

}  // namespace

QMessageBox::Icon MessageBoxIcon(int style) {
  switch (style & 0xF0) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QMessageBox::StandardButtons MessageBoxButtons(int style) {
  QMessageBox::StandardButtons buttons;
  for (auto b : ButtonsInOrder(style)) buttons |= b;
  return buttons;
}

QMessageBox::StandardButton MessageBoxDefaultButton(int style) {
  auto order = ButtonsInOrder(style);
  size_t index = (style & 0xF00) >> 8;
  return index < order.size() ? order[index] : order.front();
}

int MessageBoxResult(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok:
      return 0;
    case QMessageBox::Cancel:
      return 1;
    case QMessageBox::Abort:
      return 2;
    case QMessageBox::Retry:
      return 3;
    case QMessageBox::Ignore:
      return 4;
    case QMessageBox::Yes:
      return 5;
    case QMessageBox::No:
      return 6;
    default:
      return -1;
  }
}

}  // namespace dw
