#pragma once

#include <QString>

namespace dw {

// The entry that starts the program at login, in the desktop's autostart
// folder ($XDG_CONFIG_HOME/autostart, ~/.config/autostart by default).
QString AutostartEntryPath();

bool AutostartEnabled();

// Writes the entry starting `program`, or removes it. False when that
// could not be done.
bool SetAutostart(bool on, const QString& program);

}  // namespace dw
