#include "store/reminder_settings.h"

#include <sqlite3.h>

#include "store/statements.h"

namespace dw {
namespace {

constexpr char kDesktopNotice[] = "desktop_notice";
constexpr char kCloseToTray[] = "close_to_tray";
constexpr char kStartOnLaunch[] = "start_on_launch";
constexpr char kQuietFirstRun[] = "quiet_first_run";

std::string Flag(bool on) { return on ? "1" : "0"; }

bool Query(Database& db, const std::string& sql, const SqlValues& values,
           Array<std::string>* rows) {
  RecordSet rs;
  if (!RsOpen(rs, sql, db, values) || !RsRequery(rs)) return false;
  *rows = RsAllRows(rs);
  return rows->Rows() >= 1;
}

bool WriteAll(Database& db, const ReminderSettings& s) {
  const SqlValues switches{Flag(s.window), Flag(s.sound), Flag(s.push),
                           Flag(s.only_keywords), s.push_address};
  if (!DbExecute(db,
                 std::string("update con set tx_tc=?,tx_sy=?,tx_wx=?,"
                             "tx_onlygz=?,tx_wxkey=? where rowid=") +
                     kFirstSettingsRow,
                 switches)) {
    return false;
  }
  if (sqlite3_changes(db.Handle()) == 0 &&
      !DbExecute(db,
                 "insert into con(keywd,tx_tc,tx_sy,tx_wx,tx_onlygz,tx_wxkey) "
                 "values('',?,?,?,?,?)",
                 switches)) {
    return false;
  }
  return EnsureSettingTable(db) &&
         WriteSetting(db, kDesktopNotice, Flag(s.desktop_notice)) &&
         WriteSetting(db, kCloseToTray, Flag(s.close_to_tray)) &&
         WriteSetting(db, kStartOnLaunch, Flag(s.start_on_launch)) &&
         WriteSetting(db, kQuietFirstRun, Flag(s.quiet_first_run));
}

}  // namespace

bool EnsureSettingTable(Database& db) {
  return DbExecute(db, std::string("create table if not exists ") +
                           kSettingTable +
                           " (key text primary key, value text not null)");
}

std::optional<std::string> ReadSetting(Database& db, const std::string& key) {
  Array<std::string> rows;
  if (!Query(db,
             std::string("select value from ") + kSettingTable + " where key=?",
             {key}, &rows)) {
    return std::nullopt;
  }
  return rows(1, 1);
}

bool WriteSetting(Database& db, const std::string& key,
                  const std::string& value) {
  return DbExecute(db,
                   std::string("insert or replace into ") + kSettingTable +
                       " (key, value) values (?, ?)",
                   {key, value});
}

ReminderSettings ReadReminderSettings(Database& db) {
  ReminderSettings s;
  Array<std::string> rows;
  if (Query(db,
            std::string("select tx_tc,tx_sy,tx_wx,tx_onlygz,tx_wxkey from con "
                        "where rowid=") +
                kFirstSettingsRow,
            {}, &rows)) {
    s.window = rows(1, 1) == "1";
    s.sound = rows(1, 2) == "1";
    s.push = rows(1, 3) == "1";
    s.only_keywords = rows(1, 4) == "1";
    s.push_address = rows(1, 5);
  }
  s.desktop_notice = ReadSetting(db, kDesktopNotice) == "1";
  s.close_to_tray = ReadSetting(db, kCloseToTray) == "1";
  s.start_on_launch = ReadSetting(db, kStartOnLaunch) == "1";
  s.quiet_first_run = ReadSetting(db, kQuietFirstRun) != "0";
  return s;
}

bool SaveReminderSettings(Database& db, const ReminderSettings& settings) {
  if (!DbExecute(db, "begin immediate")) return false;
  if (WriteAll(db, settings) && DbExecute(db, "commit")) return true;
  DbExecute(db, "rollback");
  return false;
}

}  // namespace dw
