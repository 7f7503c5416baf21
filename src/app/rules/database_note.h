#pragma once

#include <QString>

#include "runtime/database.h"

namespace dw {

// Why the window's last statement failed, for the end of its message:
// "（数据库忙，稍后再试）" while another program holds the file (the window
// waits only a blink for it), else the engine's own words.
QString DatabaseFailureNote(const Database& db);

}  // namespace dw
