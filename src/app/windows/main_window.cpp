#include "app/windows/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QWindow>
#include <algorithm>

#include "app/windows/reminder_place.h"
#include "app/windows/screen_fit.h"
#include "app/windows/window_ops.h"
#include "runtime/delay.h"
#include "runtime/ui/ui_ops.h"
#include "runtime/ui/window_state.h"

namespace dw {
namespace {

constexpr int kStatusBarHeight = 20;
constexpr int kCreatedWidth = 1000;  // outer size as created
constexpr int kCreatedHeight = 600;
const char kStartCaption[] = "\xBF\xAA\xCA\xBC";  // 开始
const char kPauseCaption[] = "\xD4\xDD\xCD\xA3";  // 暂停

const QKeySequence kRulesKeys(Qt::CTRL | Qt::Key_R);
// The keypad's Enter as well as the main one.
const QKeySequence kStartPauseKeys[] = {QKeySequence(Qt::CTRL | Qt::Key_Return),
                                        QKeySequence(Qt::CTRL | Qt::Key_Enter)};

}  // namespace

QString RulesButtonTip(const QString& what) {
  const QString keys = kRulesKeys.toString(QKeySequence::NativeText);
  return what.isEmpty()
             ? QString::fromUtf8("查看、勾选、编辑和测试规则（%1）").arg(keys)
             : what + QString::fromUtf8("<p>打开规则窗口：%1</p>").arg(keys);
}

MainWindow::MainWindow(MainWindowActions actions)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint |
                           Qt::WindowCloseButtonHint) {
  SetActions(std::move(actions));
  setWindowTitle(QStringLiteral("Voskel v1.0"));

  // Created bottom of the stacking order first: the post list covers the
  // rule tree once start-up moves it left.
  rule_tree_ = new QTreeWidget(this);
  rule_tree_->setGeometry(-1, 46, 86, 336);
  rule_tree_->setHeaderHidden(true);
  rule_tree_->setRootIsDecorated(false);

  status_ = new StatusBar(this, {42, 0, -1});
  status_->setObjectName("status_bar");
  status_->Part(0)->setFrameStyle(QFrame::NoFrame);
  status_->SetText(0, QString::fromUtf8(" 状态"));

  start_button_ = new QPushButton(QString::fromUtf8("开始"), this);
  start_button_->setObjectName("start_button");
  start_button_->setGeometry(560, 5, 77, 32);
  connect(start_button_, &QPushButton::clicked, this,
          &MainWindow::OnStartPauseClicked);

  // In the gap between the description and the start/pause button, so
  // nothing else of the layout moves.
  rules_button_ = new QPushButton(QString::fromUtf8("规则"), this);
  rules_button_->setObjectName("rules_button");
  rules_button_->setGeometry(476, 5, 77, 32);
  connect(rules_button_, &QPushButton::clicked, this, [this] {
    if (actions_.open_rules) actions_.open_rules();
  });
  // Just past the end of the description's text, inside its box.
  history_button_ = new QPushButton(QString::fromUtf8("历史"), this);
  history_button_->setObjectName("history_button");
  history_button_->setGeometry(436, 5, 38, 32);
  auto open_history = [this] {
    if (actions_.open_history) actions_.open_history();
  };
  connect(history_button_, &QPushButton::clicked, this, open_history);
  connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this,
          open_history);
  // The two buttons used most, from the keyboard too; their tooltips say so.
  connect(new QShortcut(kRulesKeys, this), &QShortcut::activated, rules_button_,
          &QPushButton::click);
  for (const QKeySequence& keys : kStartPauseKeys) {
    connect(new QShortcut(keys, this), &QShortcut::activated, start_button_,
            &QPushButton::click);
  }
  start_button_->setToolTip(
      QString::fromUtf8("开始或暂停采集（%1）")
          .arg(kStartPauseKeys[0].toString(QKeySequence::NativeText)));
  rules_button_->setToolTip(RulesButtonTip(QString()));
  history_button_->setToolTip(
      QString::fromUtf8("历史帖子（%1）")
          .arg(QKeySequence(QKeySequence::Find)
                   .toString(QKeySequence::NativeText)));

  post_list_ =
      new ListBox(this,
                  {{QString(), 0, Qt::AlignLeft},
                   {QString::fromUtf8("链接"), 0, Qt::AlignLeft},
                   {QString::fromUtf8("站名"), 82, Qt::AlignHCenter},
                   {QString::fromUtf8("标题"), 450, Qt::AlignLeft},
                   {QString::fromUtf8("抓取时间"), 90, Qt::AlignHCenter}},
                  /*whole_row_selection=*/true);
  post_list_->setGeometry(84, 41, 640, 496);
  post_list_->setFrameStyle(QFrame::Box | QFrame::Plain);
  connect(post_list_, &ListBox::DoubleClicked, this,
          &MainWindow::OnPostListDoubleClicked);

  label_ =
      new QLabel(QString::fromUtf8("自动监控赚客吧、线报屋、月云网、抢抢网、"
                                   "爱Q活动线报。功能建议可给我留言"),
                 this);
  label_->setGeometry(4, 9, 440, 24);
  // Presses on the label reach the window, which drags itself.
  label_->setAttribute(Qt::WA_TransparentForMouseEvents);

  CloseOnEscape(this);

  // Created 1000 by 600 (outer size) at the centre of the primary screen,
  // clear of its task bar, wherever that screen stands on the desktop. The
  // platform window exists first, so its frame is known where it is.
  winId();
  KeepOuterSizeWhenFramed(this);
  WriteProperty(this, kPropWidth, kCreatedWidth);
  WriteProperty(this, kPropHeight, kCreatedHeight);
  designed_ = size();
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPoint place = CentreOn(screen ? screen->availableGeometry() : QRect(),
                                QSize(kCreatedWidth, kCreatedHeight));
  WriteProperty(this, kPropLeft, place.x());
  WriteProperty(this, kPropTop, place.y());
  // A small screen, or one at a large scale, gets the largest window that
  // fits, inside its area: the title bar and the buttons stay reachable.
  FitToScreen(this, size());
  // A hidden window gets its resize event only when shown; the bar is laid
  // out for the created size at once.
  DockStatusBar();
  OnMainWindowResized();
}

void MainWindow::SetActions(MainWindowActions actions) {
  actions_ = std::move(actions);
  if (!actions_.open_link) actions_.open_link = OpenWebAddress;
  if (!actions_.delay) actions_.delay = [](int ms) { Delay(ms); };
}

void MainWindow::GrowFromCurrentSize() {
  // The margins the layout gives the list at the window's designed height,
  // even when the screen allowed less: then the list is what shrinks.
  const QRect list = post_list_->geometry();
  list_margin_ = QSize(width() - list.width() - list.left(),
                       designed_.height() - list.height() - list.top());
  setMinimumSize(size().boundedTo(ScreenRoom(this)));
  FitPostList();
}

void MainWindow::FitPostList() {
  if (!list_margin_) return;
  const QPoint at = post_list_->pos();
  post_list_->resize(std::max(0, width() - at.x() - list_margin_->width()),
                     std::max(0, height() - at.y() - list_margin_->height()));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  DockStatusBar();
  FitPostList();
  OnMainWindowResized();
}

void MainWindow::DockStatusBar() {
  status_->setGeometry(0, height() - kStatusBarHeight, width(),
                       kStatusBarHeight);
}

void MainWindow::OnMainWindowResized() {
  const int width = ReadIntProperty(this, kPropWidth);
  StatusSetWidth(status_, 1, static_cast<int>(width - 150.0));
}

void MainWindow::OnStartPauseClicked() {
  if (ReadTextProperty(start_button_, kPropCaption) == kStartCaption) {
    WriteProperty(start_button_, kPropCaption, std::string(kPauseCaption));
    if (actions_.start_collection) actions_.start_collection();
  } else {
    WriteProperty(start_button_, kPropCaption, std::string(kStartCaption));
    if (actions_.stop_collection) actions_.stop_collection();
  }
}

void MainWindow::OnPostListDoubleClicked() {
  const int row = ReadIntProperty(post_list_, kPropSelectedRow);
  if (row == -1) return;
  // Keeps the window in front of the browser window that opens.
  WriteProperty(this, kPropAlwaysOnTop, true);
  actions_.open_link(ListItemText(post_list_, row, 1));
  actions_.delay(200);
  WriteProperty(this, kPropAlwaysOnTop, false);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (actions_.hide_on_close && actions_.hide_on_close()) {
    event->ignore();
    hide();
    return;
  }
  QWidget::closeEvent(event);
  if (event->isAccepted()) emit Closed();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  drag_ = Drag::kPressed;
  drag_start_mouse_ = event->globalPosition().toPoint();
  drag_start_window_ = pos();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (drag_ == Drag::kPressed) {
    // The window manager takes over only while the button is held, which it
    // surely is once the mouse moves: handed over at the press, a quick
    // click could leave the window following the mouse.
    QWindow* handle = windowHandle();
    if (handle && handle->startSystemMove()) {
      drag_ = Drag::kNone;
      return;
    }
    drag_ = Drag::kByHand;
  }
  if (drag_ != Drag::kByHand) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  move(drag_start_window_ + event->globalPosition().toPoint() -
       drag_start_mouse_);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) drag_ = Drag::kNone;
  QWidget::mouseReleaseEvent(event);
}

}  // namespace dw
