#include "app/desktop/tray_icon.h"

#include <QAction>
#include <QFont>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QSystemTrayIcon>

namespace dw {
namespace {

constexpr int kIconSize = 48;

// The program's icon with the count in a red disc at its top right, and a
// yellow warning triangle at its bottom left while rules keep failing.
QIcon BadgedIcon(int count, bool warning) {
  const QIcon plain(":/dealwatcher/48x48/apps/dealwatcher.png");
  if (count <= 0 && !warning) return plain;
  QPixmap picture = plain.pixmap(kIconSize, kIconSize);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  if (warning) {
    const qreal side = kIconSize * 0.55;
    const QPointF corner(0, kIconSize);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(QColor(250, 200, 0));
    painter.drawPolygon(QPolygonF{corner, corner + QPointF(side, 0),
                                  corner + QPointF(side / 2, -side)});
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(static_cast<int>(side * 0.6));
    painter.setFont(font);
    painter.drawText(QRectF(0, kIconSize - side * 0.8, side, side * 0.8),
                     Qt::AlignCenter, "!");
  }
  if (count <= 0) return QIcon(picture);
  const QRectF disc(kIconSize * 0.4, 0, kIconSize * 0.6, kIconSize * 0.6);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(220, 30, 30));
  painter.drawEllipse(disc);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(count > 99 ? 12 : 18);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(disc, Qt::AlignCenter,
                   count > 99 ? QString("99+") : QString::number(count));
  return QIcon(picture);
}

}  // namespace

TrayIcon::TrayIcon(TrayActions actions, QObject* parent)
    : QObject(parent), actions_(std::move(actions)) {
  icon_ = new QSystemTrayIcon(this);
  menu_ = new QMenu;
  const auto add = [this](const char* caption, std::function<void()>& act) {
    QAction* action = menu_->addAction(QString::fromUtf8(caption));
    connect(action, &QAction::triggered, this, [&act] {
      if (act) act();
    });
    return action;
  };
  start_pause_ = add("开始", actions_.start_pause);
  if (actions_.history) add("历史", actions_.history);
  add("规则", actions_.rules);
  menu_->addSeparator();
  add("退出", actions_.quit);
  icon_->setContextMenu(menu_);
  connect(icon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger ||
                reason == QSystemTrayIcon::DoubleClick) {
              if (actions_.raise) actions_.raise();
            }
          });
  Update();
  icon_->show();
}

TrayIcon::~TrayIcon() {
  icon_->hide();
  delete menu_;
}

bool TrayIcon::Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TrayIcon::AddAnnounced(int posts) {
  if (posts <= 0) return;
  announced_ += posts;
  Update();
}

void TrayIcon::ClearAnnounced() {
  if (announced_ == 0) return;
  announced_ = 0;
  Update();
}

void TrayIcon::SetStartPauseCaption(const QString& caption) {
  start_pause_->setText(caption);
}

void TrayIcon::SetBroken(const QStringList& rules) {
  if (rules == broken_) return;
  broken_ = rules;
  Update();
}

void TrayIcon::Update() {
  icon_->setIcon(BadgedIcon(announced_, !broken_.isEmpty()));
  QString tip =
      announced_ > 0
          ? QString::fromUtf8("Deal Watcher：%1 条新帖").arg(announced_)
          : QString::fromUtf8("Deal Watcher");
  if (!broken_.isEmpty()) {
    tip += QString::fromUtf8("\n规则失败：") + broken_.join("\n");
  }
  icon_->setToolTip(tip);
}

}  // namespace dw
