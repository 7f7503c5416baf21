#include "app/windows/mark_image.h"

#include <QPainter>
#include <QPixmap>

namespace dw {

QIcon GreenMarkImage() {
  QPixmap pixmap(15, 15);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0, 110, 0), 1));
  painter.setBrush(QColor(40, 180, 40));
  painter.drawEllipse(QRectF(1.5, 1.5, 12, 12));
  return QIcon(pixmap);
}

}  // namespace dw
