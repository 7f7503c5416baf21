#include "runtime/ui/qt_text.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringEncoder>

namespace dw {

// Qt's codec names map to ICU's converters; "GBK" there is code page 936.
QString GbkToQString(std::string_view gbk) {
  if (gbk.empty()) return QString();
  QStringDecoder decoder("GBK");
  if (!decoder.isValid()) return QString::fromLatin1(gbk.data(), gbk.size());
  return decoder.decode(QByteArrayView(gbk.data(), gbk.size()));
}

std::string QStringToGbk(const QString& text) {
  if (text.isEmpty()) return std::string();
  QStringEncoder encoder("GBK");
  if (!encoder.isValid()) return text.toLatin1().toStdString();
  QByteArray bytes = encoder.encode(text);
  return std::string(bytes.constData(), bytes.size());
}

}  // namespace dw
