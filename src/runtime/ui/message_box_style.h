#pragma once

#include <QMessageBox>

namespace dw {

// Translation between the classic message-box style bits and Qt.
QMessageBox::Icon MessageBoxIcon(int style);
QMessageBox::StandardButtons MessageBoxButtons(int style);
// The button that has the focus first, by the default-button bits.
QMessageBox::StandardButton MessageBoxDefaultButton(int style);
// The program's number for a pressed button; -1 for one it does not know.
int MessageBoxResult(QMessageBox::StandardButton button);

}  // namespace dw
