#include "app/rules/code_inputs.h"

namespace dw {

QString OtherCodeText(const QString& code) {
  return QString::fromUtf8("其他 (%1)").arg(code);
}

CodeList::CodeList(std::vector<CodeChoice> choices, QWidget* parent)
    : QComboBox(parent), choices_(std::move(choices)) {
  for (const CodeChoice& choice : choices_) {
    addItem(QString::fromUtf8("%1 %2").arg(QString::fromUtf8(choice.caption),
                                           choice.code),
            QString::fromUtf8(choice.code));
  }
  connect(this, &QComboBox::activated, this, [this](int index) {
    // Picking a known code lets the other value go for good.
    if (index < static_cast<int>(choices_.size()) && other_) {
      other_.reset();
      removeItem(count() - 1);
    }
    emit CodeChanged();
  });
}

void CodeList::SetCode(const QString& code) {
  if (other_) removeItem(count() - 1);
  other_.reset();
  const int known = findData(code);
  if (known >= 0) {
    setCurrentIndex(known);
    return;
  }
  other_ = code;
  addItem(OtherCodeText(code), code);
  setCurrentIndex(count() - 1);
}

QString CodeList::Code() const { return currentData().toString(); }

CodeCheck::CodeCheck(const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent), caption_(caption) {
  connect(this, &QCheckBox::clicked, this, [this] {
    if (other_) {
      // Half-ticked goes to ticked on the first click; never back.
      other_.reset();
      setTristate(false);
      setText(caption_);
    }
    emit CodeChanged();
  });
}

void CodeCheck::SetCode(const QString& code) {
  const bool known = code == "0" || code == "1";
  if (known) {
    other_.reset();
  } else {
    other_ = code;
  }
  setTristate(!known);
  setText(known ? caption_ : caption_ + " — " + OtherCodeText(code));
  setCheckState(code == "1" ? Qt::Checked
                : known     ? Qt::Unchecked
                            : Qt::PartiallyChecked);
}

QString CodeCheck::Code() const {
  if (other_) return *other_;
  return isChecked() ? "1" : "0";
}

}  // namespace dw
