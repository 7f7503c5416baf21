#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace dw {

// Program text is GBK (with the four-byte forms of runtime/gb18030.h); Qt
// wants Unicode. These are the only crossings. A lone surrogate becomes "?".
QString GbkToQString(std::string_view gbk);
std::string QStringToGbk(const QString& text);

}  // namespace dw
