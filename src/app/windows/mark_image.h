#pragma once

#include <QIcon>

namespace dw {

// The 15 by 15 green round mark that flags a keyword hit in the post list.
QIcon GreenMarkImage();

}  // namespace dw
