#include "runtime/ui/qt_text.h"

#include "runtime/gb18030.h"

namespace dw {

QString GbkToQString(std::string_view gbk) {
  if (gbk.empty()) return QString();
  const std::string utf8 = GbkToUtf8(gbk);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string QStringToGbk(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()) * 2);
  char form[4];
  for (qsizetype k = 0; k < text.size(); ++k) {
    char32_t c = text[k].unicode();
    // A lone surrogate has no form and becomes "?".
    if (QChar::isHighSurrogate(c) && k + 1 < text.size() &&
        text[k + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(static_cast<char16_t>(c), text[++k].unicode());
    }
    out.append(form, PutGbk(c, form));
  }
  return out;
}

}  // namespace dw
