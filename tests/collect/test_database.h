#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/rule_row.h"
#include "store/schema_text.h"

namespace dw::testing {

// One row of table `info`.
struct InfoRow {
  std::string planname;
  std::string planid;
  std::string title;
  std::string url;
  std::string addtime;
  std::string zt;
};

// A database file in a fresh temporary folder, built from the schema the
// program ships, with an empty `rule` table and one `con` row.
class TestDatabase {
 public:
  TestDatabase() {
    dir_ = std::filesystem::temp_directory_path() /
           ("dw_collect_" + std::to_string(::getpid()) + "_" +
            std::to_string(counter_++));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "qel6.sdb").string();
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) {
      throw std::runtime_error("cannot create test database");
    }
    Exec(SchemaText());
    Exec("delete from rule; delete from con; delete from info;");
    Exec(
        "insert into con(keywd,pl_shop,pl_kuai,pl_man,tx_tc,tx_sy,tx_wx,"
        "tx_onlygz,tx_wxkey) values('',0,0,0,'1','0','0','0','')");
  }
  ~TestDatabase() {
    sqlite3_close(db_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  const std::string& path() const { return path_; }

  void Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::string message = error ? error : "?";
      sqlite3_free(error);
      throw std::runtime_error(message + " in: " + sql);
    }
  }

  // Appends the row as text; unlike SaveRuleRows it keeps an earlier row
  // with the same id, as a file edited by hand may hold.
  void AddRule(const RuleRow& rule) {
    Bind(
        "insert into rule(id,isdo,rank,isgbk,type,name,url,cookie,reg,"
        "before,after,tindex,idindex,pinurl,lastid) values(?,?,?,?,?,?,?,?,?,?,"
        "?,?,?,?,?)",
        {std::to_string(rule.id), rule.isdo, rule.rank, rule.isgbk, rule.type,
         rule.name, rule.url, rule.cookie, rule.reg, rule.before, rule.after,
         rule.tindex, rule.idindex, rule.pinurl, rule.lastid});
  }

  void SetKeywords(const std::string& keywd) {
    Bind("update con set keywd=?", {keywd});
  }

  void AddInfo(const std::string& url) {
    Bind(
        "insert into info(planname,planid,title,url,addtime,zt) "
        "values('old',1,'old',?,'1/1 12:00',0)",
        {url});
  }

  std::vector<InfoRow> Info() {
    std::vector<InfoRow> rows;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db_,
                       "select planname,planid,title,url,addtime,zt from info "
                       "order by rowid",
                       -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      auto text = [&](int c) {
        const unsigned char* t = sqlite3_column_text(stmt, c);
        return t ? std::string(reinterpret_cast<const char*>(t)) : "";
      };
      rows.push_back({text(0), text(1), text(2), text(3), text(4), text(5)});
    }
    sqlite3_finalize(stmt);
    return rows;
  }

 private:
  void Bind(const char* sql, const std::vector<std::string>& values) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(db_));
    }
    for (int i = 0; i < static_cast<int>(values.size()); ++i) {
      sqlite3_bind_text(stmt, i + 1, values[i].data(),
                        static_cast<int>(values[i].size()), SQLITE_TRANSIENT);
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
  }

  static inline int counter_ = 0;
  std::filesystem::path dir_;
  std::string path_;
  sqlite3* db_ = nullptr;
};

}  // namespace dw::testing
