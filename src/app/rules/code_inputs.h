// Inputs for the columns that hold a code: a list of the known codes by
// name, and a check box for a yes/no column. A stored value outside the
// known ones is shown as "其他 (N)" and given back byte for byte until the
// user picks another.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace dw {

struct CodeChoice {
  const char* code;
  const char* caption;  // UTF-8
};

class CodeList : public QComboBox {
  Q_OBJECT

 public:
  CodeList(std::vector<CodeChoice> choices, QWidget* parent = nullptr);

  void SetCode(const QString& code);
  QString Code() const;

 signals:
  void CodeChanged();

 private:
  std::vector<CodeChoice> choices_;
  std::optional<QString> other_;  // a stored value outside the choices
};

// "1" ticked, "0" not; any other stored value shows half-ticked until
// clicked.
class CodeCheck : public QCheckBox {
  Q_OBJECT

 public:
  CodeCheck(const QString& caption, QWidget* parent = nullptr);

  void SetCode(const QString& code);
  QString Code() const;

 signals:
  void CodeChanged();

 private:
  QString caption_;
  std::optional<QString> other_;
};

// "其他 (N)": how a value outside the known codes is shown.
QString OtherCodeText(const QString& code);

}  // namespace dw
