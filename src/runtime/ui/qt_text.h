#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace dw {

// Program text is GBK; Qt wants Unicode. These are the only crossings.
QString GbkToQString(std::string_view gbk);
std::string QStringToGbk(const QString& text);

}  // namespace dw
