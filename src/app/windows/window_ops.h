#pragma once

#include <string>
#include <variant>

class QTreeWidget;
class QWidget;

namespace dw {

class ListBox;
class StatusBar;

// The window and control operations the program's logic is written
// against. Text is GBK. Every operation may be called from any thread and
// is carried out on the GUI thread: operations without a result are queued
// when called from another thread (the caller does not wait), operations
// with a result wait for it.

// Property numbers, shared by windows and controls.
enum PropertyNumber {
  kPropLeft = 0,
  kPropTop = 1,
  kPropWidth = 2,   // outer width
  kPropHeight = 3,  // outer height
  kPropVisible = 5,
  kPropTitle = 8,            // window
  kPropCaption = 10,         // button
  kPropMaximizeButton = 16,  // window
  kPropAlwaysOnTop = 29,     // window
  kPropSelectedRow = 35,     // list, -1 when none; read only
};

using PropertyValue = std::variant<int, bool, std::string>;

// Creates the window's platform window, non-modal unless `modal`; whether
// it shows is up to the window (a hidden window stays hidden).
bool LoadWindow(QWidget* window, QWidget* owner = nullptr, bool modal = false);
// Closes the window for good.
void UnloadWindow(QWidget* window);

// An unknown property reads as 0 and is not written.
PropertyValue ReadProperty(QWidget* target, int number);
void WriteProperty(QWidget* target, int number, const PropertyValue& value);
int ReadIntProperty(QWidget* target, int number);
bool ReadBoolProperty(QWidget* target, int number);
std::string ReadTextProperty(QWidget* target, int number);

// Tree: items are numbered 0.. in display order, children after parents.
int TreeItemCount(QTreeWidget* tree);
int TreeItemValue(QTreeWidget* tree, int index);   // 0 for a bad index
int TreeCheckState(QTreeWidget* tree, int index);  // 1, 0, -1 bad index
// Appends under `parent` (-1: the root level); returns the new index.
int TreeAddItem(QTreeWidget* tree, const std::string& text, int value,
                int check_state = 0, int parent = -1, bool bold = false);
void TreeClear(QTreeWidget* tree);

// Lists: rows and columns from 0. A negative or too large position
// appends; position 0 inserts at the top. Returns the new row's index.
int ListInsertRow(ListBox* list, int position = -1);
void ListSetItemText(ListBox* list, int row, int column,
                     const std::string& text);
std::string ListItemText(ListBox* list, int row, int column = 0);
// Image -1 (or any number outside the image list) removes the image.
void ListSetItemImage(ListBox* list, int row, int column, int image = -1);
void ListClear(ListBox* list);

// Status bar parts from 0; a part that does not exist is left alone.
void StatusSetText(StatusBar* bar, int part, const std::string& text);
// -1 or below: the part reaches to the right edge.
void StatusSetWidth(StatusBar* bar, int part, int width = 50);

}  // namespace dw
