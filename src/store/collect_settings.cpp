#include "store/collect_settings.h"

#include <algorithm>
#include <string>

#include "runtime/convert.h"
#include "store/reminder_settings.h"

namespace dw {
namespace {

constexpr char kRoundPause[] = "round_pause_seconds";
constexpr char kBackOff[] = "back_off";

}  // namespace

std::optional<CollectSettings> ReadCollectSettings(Database& db) {
  const std::optional<std::string> pause = ReadSetting(db, kRoundPause);
  const std::optional<std::string> back_off = ReadSetting(db, kBackOff);
  if (!pause && !back_off) return std::nullopt;
  CollectSettings settings;
  if (pause) {
    settings.round_pause_seconds = static_cast<int>(
        std::clamp<long long>(ToLongInteger(*pause), kLeastRoundPauseSeconds,
                              kMostRoundPauseSeconds));
  }
  settings.back_off = back_off == "1";
  return settings;
}

bool SaveCollectSettings(Database& db, const CollectSettings& settings) {
  if (!DbExecute(db, "begin immediate")) return false;
  if (EnsureSettingTable(db) &&
      WriteSetting(db, kRoundPause,
                   std::to_string(settings.round_pause_seconds)) &&
      WriteSetting(db, kBackOff, settings.back_off ? "1" : "0") &&
      DbExecute(db, "commit")) {
    return true;
  }
  DbExecute(db, "rollback");
  return false;
}

}  // namespace dw
