#include "app/windows/status_bar.h"

#include <algorithm>

namespace dw {

StatusBar::StatusBar(QWidget* parent, const std::vector<int>& widths)
    : QWidget(parent), widths_(widths) {
  for (size_t i = 0; i < widths.size(); ++i) {
    auto* label = new QLabel(this);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    parts_.push_back(label);
  }
  LayOut();
}

void StatusBar::SetText(int part, const QString& text) {
  if (QLabel* label = Part(part)) label->setText(text);
}

void StatusBar::SetWidth(int part, int width) {
  if (!Part(part)) return;
  widths_[part] = width;
  LayOut();
}

QLabel* StatusBar::Part(int part) const {
  if (part < 0 || part >= PartCount()) return nullptr;
  return parts_[part];
}

void StatusBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOut();
}

void StatusBar::LayOut() {
  int left = 0;
  for (int i = 0; i < PartCount(); ++i) {
    const int width =
        widths_[i] < 0 ? std::max(0, this->width() - left) : widths_[i];
    parts_[i]->setGeometry(left, 0, width, height());
    left += width;
  }
}

}  // namespace dw
