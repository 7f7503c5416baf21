#pragma once

#include <QWidget>

#include "runtime/database.h"
#include "store/collect_settings.h"

class QCheckBox;
class QLabel;
class QSpinBox;

namespace dw {

// How often the rounds come and whether a failing site is asked less often.
class CollectTab : public QWidget {
  Q_OBJECT

 public:
  CollectTab(Database& db, QWidget* parent = nullptr);

  // Reads the settings again (the defaults while none were saved).
  void Reload();
  // False, with the reason shown, when nothing was written.
  bool Save();
  void ShowMessage(const QString& text, bool error = false);

  CollectSettings Chosen() const;
  QSpinBox* RoundPause() const { return pause_; }
  QCheckBox* BackOff() const { return back_off_; }

 signals:
  void Saved();

 private:
  Database& db_;
  QSpinBox* pause_;
  QCheckBox* back_off_;
  QLabel* message_;
};

}  // namespace dw
