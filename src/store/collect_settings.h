// How often the rounds come and how a failing site is asked, kept in our
// key-value table beside the reminder settings.
#pragma once

#include <optional>

#include "runtime/database.h"

namespace dw {

inline constexpr int kDefaultRoundPauseSeconds = 150;
// Below this a round of many sites would hardly end before the next began,
// and the sites would see a client that never rests.
inline constexpr int kLeastRoundPauseSeconds = 30;
inline constexpr int kMostRoundPauseSeconds = 24 * 60 * 60;

struct CollectSettings {
  int round_pause_seconds = kDefaultRoundPauseSeconds;
  // A site failing rounds in a row is asked less and less often.
  bool back_off = false;

  bool operator==(const CollectSettings&) const = default;
};

// What the user chose, values brought inside their bounds; nothing when
// none was ever saved (or the table cannot be read), so that the caller's
// own pacing stands.
std::optional<CollectSettings> ReadCollectSettings(Database& db);

// Writes both values, all or nothing.
bool SaveCollectSettings(Database& db, const CollectSettings& settings);

}  // namespace dw
