#pragma once

#include <QLabel>
#include <QWidget>
#include <vector>

namespace dw {

// A bar of text parts laid out left to right, each as wide as it was set;
// a part set to a negative width reaches to the right edge.
class StatusBar : public QWidget {
  Q_OBJECT

 public:
  StatusBar(QWidget* parent, const std::vector<int>& widths);

  int PartCount() const { return static_cast<int>(parts_.size()); }
  void SetText(int part, const QString& text);
  void SetWidth(int part, int width);
  // The part's label, for the layout's own adjustments; null when absent.
  QLabel* Part(int part) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void LayOut();

  std::vector<QLabel*> parts_;
  std::vector<int> widths_;
};

}  // namespace dw
