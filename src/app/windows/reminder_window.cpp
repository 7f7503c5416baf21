#include "app/windows/reminder_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "app/windows/reminder_place.h"
#include "app/windows/window_ops.h"
#include "runtime/ui/ui_ops.h"
#include "runtime/ui/window_state.h"

namespace dw {
namespace {

constexpr int kWidth = 449;
constexpr int kHeight = 191;
constexpr int kCountdownSeconds = 15;

}  // namespace

ReminderWindow::ReminderWindow(ReminderWindowOptions options)
    : QWidget(nullptr,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                  Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      options_(std::move(options)) {
  if (!options_.mouse_position) {
    options_.mouse_position = [] { return QPoint(MouseX(), MouseY()); };
  }
  if (!options_.open_link) options_.open_link = OpenWebAddress;

  setWindowTitle(QString::fromUtf8("提醒窗口"));
  // 449 by 191 is the outer size: the frame, where already known, comes off.
  winId();
  setFixedSize(kWidth - (frameGeometry().width() - width()),
               kHeight - (frameGeometry().height() - height()));
  KeepOuterSizeWhenFramed(this);
  // A reminder must not take the keyboard from what the user is doing.
  setAttribute(Qt::WA_ShowWithoutActivating);

  list_ = new ListBox(this,
                      {{QString::fromUtf8("标题"), 342, Qt::AlignLeft},
                       {QString::fromUtf8("链接"), 0, Qt::AlignLeft},
                       {QString::fromUtf8("时间"), 76, Qt::AlignHCenter}},
                      /*whole_row_selection=*/false);
  list_->setObjectName("reminder_list");
  list_->setGeometry(2, 2, 440, 160);
  list_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  connect(list_, &ListBox::DoubleClicked, this,
          &ReminderWindow::OnReminderListDoubleClicked);
  CloseOnEscape(this);

  countdown_.setInterval(options_.second_ms);
  connect(&countdown_, &QTimer::timeout, this,
          &ReminderWindow::OnCountdownTick);

  PlaceOnScreen();
}

void ReminderWindow::PlaceOnScreen() {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect whole = screen ? screen->geometry() : QRect();
  const int clearance =
      screen ? TaskbarClearance(whole, screen->availableGeometry()) : 0;
  const QPoint place =
      PlaceReminderWindow(clearance, whole, ReadIntProperty(this, kPropWidth),
                          ReadIntProperty(this, kPropHeight));
  WriteProperty(this, kPropLeft, place.x());
  WriteProperty(this, kPropTop, place.y());
}

void ReminderWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // restored, not made visible
  RequestNoTaskbarEntry(this);
  OnReminderShown();
}

void ReminderWindow::OnReminderShown() {
  // One count-down per showing: a new showing ends any earlier one.
  countdown_.stop();
  passes_ = 0;
  countdown_.start();
}

void ReminderWindow::OnCountdownTick() {
  ++passes_;
  WriteProperty(this, kPropTitle, CountdownTitle(kCountdownSeconds - passes_));
  const QRect window(
      ReadIntProperty(this, kPropLeft), ReadIntProperty(this, kPropTop),
      ReadIntProperty(this, kPropWidth), ReadIntProperty(this, kPropHeight));
  if (MouseOverWindow(options_.mouse_position(), window)) {
    WriteProperty(this, kPropTitle, HeldTitle());
    countdown_.stop();
    return;
  }
  if (passes_ >= kCountdownSeconds) {
    countdown_.stop();
    WriteProperty(this, kPropVisible, false);
  }
}

void ReminderWindow::closeEvent(QCloseEvent* event) {
  // Never destroyed by the user: closing only hides it, and its count-down
  // ends with the showing.
  event->ignore();
  countdown_.stop();
  WriteProperty(this, kPropVisible, false);
}

void ReminderWindow::OnReminderListDoubleClicked() {
  const int row = ReadIntProperty(list_, kPropSelectedRow);
  if (row == -1) return;
  options_.open_link(ListItemText(list_, row, 1));
}

}  // namespace dw
