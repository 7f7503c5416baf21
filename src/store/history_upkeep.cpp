#include "store/history_upkeep.h"

#include <sqlite3.h>

#include "store/sql_statement.h"

namespace dw {
namespace {

constexpr char kSearchIndex[] = "dw_post_search";
constexpr char kPairsIndex[] = "dw_post_pairs";

// The trigram index reads its titles from dw_post and is rebuilt from it;
// the short-word index keeps no text, so it is emptied and the catch-up
// gives every entry its words again.
bool Rebuild(Database& db, const std::string& index) {
  const std::string command = index == kSearchIndex ? "rebuild" : "delete-all";
  const std::string sql =
      "INSERT INTO " + index + "(" + index + ") VALUES('" + command + "')";
  return RunSql(db, sql.c_str());
}

bool CheckAndRebuild(Database& db, HistoryUpkeep& upkeep) {
  bool all_rebuilt = true;
  for (const char* index : {kSearchIndex, kPairsIndex}) {
    if (!HistoryIndexDamaged(db, index)) continue;
    upkeep.damaged = true;
    all_rebuilt = Rebuild(db, index) && all_rebuilt;
  }
  upkeep.rebuilt = upkeep.damaged && all_rebuilt;
  return upkeep.damaged;
}

}  // namespace

bool HistoryIndexDamaged(Database& db, const std::string& index) {
  const std::string sql =
      "INSERT INTO " + index + "(" + index + ") VALUES('integrity-check')";
  if (RunSql(db, sql.c_str())) return false;
  return LastErrorIsDamage(db);
}

HistoryUpkeep KeepUpHistory(Database& db, bool check,
                            const std::function<bool()>& stop, int batch,
                            std::int64_t now) {
  HistoryUpkeep upkeep;
  upkeep.setup = PrepareHistory(db);
  if (!upkeep.setup.tables) return upkeep;
  const bool indexes = upkeep.setup.search_index;
  if (check && indexes) CheckAndRebuild(db, upkeep);
  upkeep.catch_up = CatchUpHistory(db, stop, batch, now);
  if (upkeep.catch_up.refused == SQLITE_CORRUPT && indexes && !check &&
      CheckAndRebuild(db, upkeep)) {
    const std::int64_t added = upkeep.catch_up.added;
    upkeep.catch_up = CatchUpHistory(db, stop, batch, now);
    upkeep.catch_up.added += added;
  }
  return upkeep;
}

std::string HistoryUpkeepText(const HistoryUpkeep& upkeep) {
  std::string text;
  if (upkeep.damaged) {
    text = upkeep.rebuilt ? "全文索引曾损坏，已从保存的帖子重建"
                          : "全文索引已损坏，重建未成，稍后再试";
  }
  const auto add = [&text](const std::string& more) {
    text += (text.empty() ? "" : "；") + more;
  };
  if (!upkeep.setup.tables) {
    add(upkeep.setup.problem.empty() ? "历史记录表还没建好，稍后自动重试"
                                     : upkeep.setup.problem + "，稍后自动重试");
    return text;
  }
  if (!upkeep.setup.problem.empty()) add(upkeep.setup.problem);
  if (upkeep.catch_up.all_indexed || upkeep.catch_up.refused == SQLITE_OK) {
    return text;
  }
  switch (upkeep.catch_up.refused) {
    case SQLITE_FULL:
      add("历史记录不完整：磁盘已满，腾出空间后自动补齐");
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      add("历史记录不完整：数据库正忙，稍后自动补齐");
      break;
    case SQLITE_CORRUPT:
      add("历史记录不完整：索引损坏");
      break;
    default:
      add("历史记录不完整，稍后自动补齐");
  }
  return text;
}

}  // namespace dw
