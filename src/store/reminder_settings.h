// How new posts reach the user: the reminder switches of `con` and the
// settings of our own kept beside them in a key-value table. Text is GBK.
#pragma once

#include <optional>
#include <string>

#include "runtime/database.h"

namespace dw {

// The key-value table of our own, made when missing.
inline constexpr char kSettingTable[] = "dw_setting";

struct ReminderSettings {
  // From the first row of `con`; on when the text is exactly "1".
  bool window = false;         // tx_tc: the reminder window
  bool sound = false;          // tx_sy
  bool push = false;           // tx_wx
  bool only_keywords = false;  // tx_onlygz
  std::string push_address;    // tx_wxkey
  // Our own, off unless set.
  bool desktop_notice = false;
  bool close_to_tray = false;
  bool start_on_launch = false;
  // On unless set off: a rule's first run lists and stores its posts but
  // does not notify, push or sound for them (a new site's page is full of
  // posts that are only new to us).
  bool quiet_first_run = true;
};

// Creates the key-value table when missing. False when it cannot.
bool EnsureSettingTable(Database& db);

// One value of our own; nothing when it was never written or cannot be read.
std::optional<std::string> ReadSetting(Database& db, const std::string& key);
bool WriteSetting(Database& db, const std::string& key,
                  const std::string& value);

// Everything above; what cannot be read keeps its default.
ReminderSettings ReadReminderSettings(Database& db);

// Writes the switches into the first row of `con` (a row is added when it
// has none) and our own settings into the key-value table, all or nothing.
bool SaveReminderSettings(Database& db, const ReminderSettings& settings);

}  // namespace dw
