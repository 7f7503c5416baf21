#include "store/post_history.h"

#include <unordered_map>

#include "runtime/gb18030.h"
#include "store/sql_statement.h"
#include "store/title_pairs.h"

namespace dw {
namespace {

constexpr char kCreateTables[] =
    "CREATE TABLE IF NOT EXISTS dw_post_site("
    "id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
    "CREATE TABLE IF NOT EXISTS dw_post("
    "info_id INTEGER PRIMARY KEY, site_id INTEGER NOT NULL, "
    "fetched_at INTEGER NOT NULL, hit INTEGER NOT NULL, title TEXT NOT NULL);"
    // Small enough that counting every post reads little.
    "CREATE INDEX IF NOT EXISTS dw_post_by_time ON dw_post(fetched_at);";

// The index reads its titles from dw_post; the trigger keeps it filled in
// the very statement that adds a title, so the two never disagree.
constexpr char kCreateSearchIndex[] =
    "CREATE VIRTUAL TABLE IF NOT EXISTS dw_post_search USING fts5("
    "title, content='dw_post', content_rowid='info_id', tokenize='trigram');"
    "CREATE TRIGGER IF NOT EXISTS dw_post_search_add AFTER INSERT ON dw_post "
    "BEGIN INSERT INTO dw_post_search(rowid, title) "
    "VALUES (new.info_id, new.title); END;"
    // One- and two-character words (see TitlePairs). Only whether a title
    // holds a word is kept, and no copy of the text: the writers of dw_post
    // add its words themselves, since no trigger can make them.
    "CREATE VIRTUAL TABLE IF NOT EXISTS dw_post_pairs USING fts5("
    "pairs, content='', detail=none, tokenize='ascii');";

// Set once, when the short-word index is made. A catch-up writes a segment
// of each index per batch; merged four at a time, the default, every word
// was written again and again, a tenth of the catch-up. A search reads a
// few more segments instead, which costs it nothing to speak of.
constexpr char kTuneIndexes[] =
    "INSERT INTO dw_post_search(dw_post_search, rank) VALUES('automerge', 16);"
    "INSERT INTO dw_post_pairs(dw_post_pairs, rank) VALUES('automerge', 16);";

}  // namespace

bool DropStaleEntry(Database& db, std::int64_t info_id,
                    const std::string& title) {
  SqlStatement kept(db, "SELECT title FROM dw_post WHERE info_id=?");
  if (!kept.Bind(1, info_id)) return false;
  const int step = kept.Step();
  if (step == SQLITE_DONE) return true;
  if (step != SQLITE_ROW) return false;
  const std::string old = kept.Text(0);
  if (old == title) return true;
  // The indexes forget the old title by its own words; without the
  // full-text module there are none.
  SqlStatement search(db,
                      "INSERT INTO dw_post_search(dw_post_search, rowid, "
                      "title) VALUES('delete', ?, ?)");
  SqlStatement pairs(db,
                     "INSERT INTO dw_post_pairs(dw_post_pairs, rowid, pairs) "
                     "VALUES('delete', ?, ?)");
  SqlStatement drop(db, "DELETE FROM dw_post WHERE info_id=?");
  // An entry older than the short-word index may lack its words there.
  SqlStatement paired(db, "SELECT 1 FROM dw_post_pairs WHERE rowid=?");
  const bool has_pairs =
      paired.Ok() && paired.Bind(1, info_id) && paired.Step() == SQLITE_ROW;
  return (!search.Ok() ||
          (search.Bind(1, info_id) && search.Bind(2, old) && search.Run())) &&
         (!has_pairs || (pairs.Bind(1, info_id) &&
                         pairs.Bind(2, TitlePairs(old)) && pairs.Run())) &&
         drop.Bind(1, info_id) && drop.Run();
}

namespace {

// Adds an entry's rows; the caller holds the savepoint.
class HistoryWriter {
 public:
  explicit HistoryWriter(Database& db);
  // False when a statement was refused; the caller rolls back.
  bool Add(const HistoryEntry& entry);

 private:
  Database& db_;
  SqlStatement add_site_;
  SqlStatement find_site_;
  SqlStatement add_post_;
  SqlStatement add_pairs_;
  std::unordered_map<std::string, std::int64_t> sites_;
};

HistoryWriter::HistoryWriter(Database& db)
    : db_(db),
      add_site_(db, "INSERT OR IGNORE INTO dw_post_site(name) VALUES(?)"),
      find_site_(db, "SELECT id FROM dw_post_site WHERE name=?"),
      add_post_(db,
                "INSERT OR IGNORE INTO dw_post(info_id, site_id, fetched_at, "
                "hit, title) VALUES(?,?,?,?,?)"),
      add_pairs_(db, "INSERT INTO dw_post_pairs(rowid, pairs) VALUES(?,?)") {}

bool HistoryWriter::Add(const HistoryEntry& entry) {
  auto site = sites_.find(entry.site);
  if (site == sites_.end()) {
    add_site_.Reset();
    find_site_.Reset();
    if (!add_site_.Bind(1, entry.site) || !add_site_.Run() ||
        !find_site_.Bind(1, entry.site) || find_site_.Step() != SQLITE_ROW) {
      return false;
    }
    site = sites_.emplace(entry.site, find_site_.Int(0)).first;
  }
  const std::string title = GbkToUtf8(entry.title);
  if (!DropStaleEntry(db_, entry.info_id, title)) return false;
  add_post_.Reset();
  if (!add_post_.Bind(1, entry.info_id) || !add_post_.Bind(2, site->second) ||
      !add_post_.Bind(3, entry.fetched_at) ||
      !add_post_.Bind(4, std::int64_t{entry.hit ? 1 : 0}) ||
      !add_post_.Bind(5, title) || !add_post_.Run()) {
    return false;
  }
  // An entry already there has its words already; without the full-text
  // module there is no index to fill.
  if (sqlite3_changes(db_.Handle()) == 0 || !add_pairs_.Ok()) return true;
  add_pairs_.Reset();
  return add_pairs_.Bind(1, entry.info_id) &&
         add_pairs_.Bind(2, TitlePairs(title)) && add_pairs_.Run();
}

}  // namespace

HistorySetUp PrepareHistory(Database& db) {
  HistorySetUp setup;
  if (!RunSql(db, "SAVEPOINT dw_prepare_history")) {
    setup.problem = "数据库不可写，历史记录暂不可用";
    return setup;
  }
  setup.tables = RunSql(db, kCreateTables);
  if (setup.tables) {
    // Compiled without the module or the tokenizer, the statement fails:
    // the history then works by scan alone.
    const bool had_pairs = HasShortWordIndex(db);
    setup.search_index = RunSql(db, kCreateSearchIndex) &&
                         (had_pairs || RunSql(db, kTuneIndexes));
    // A file held by another program refuses a new index at the first
    // start of a version that adds one; that is not a missing module.
    const int refusal = sqlite3_errcode(db.Handle());
    if (!setup.search_index &&
        (refusal == SQLITE_BUSY || refusal == SQLITE_LOCKED)) {
      setup.problem = "数据库正忙：本次历史搜索将逐条查找，帖子多时较慢";
    } else if (!setup.search_index) {
      setup.problem =
          "SQLite 缺少 FTS5 全文检索或 trigram 分词器：历史搜索将逐条查找，"
          "帖子多时较慢";
    }
  } else {
    setup.problem =
        "无法建立历史记录表：" + std::string(sqlite3_errmsg(db.Handle()));
  }
  if (!setup.tables || !setup.search_index) {
    // The failed index statement may have left half of itself.
    RunSql(db, "ROLLBACK TO dw_prepare_history");
    if (setup.tables) setup.tables = RunSql(db, kCreateTables);
  }
  if (!RunSql(db, "RELEASE dw_prepare_history")) {
    RunSql(db, "ROLLBACK");
    setup = HistorySetUp{};
    setup.problem = "数据库正忙，历史记录暂不可用";
  }
  return setup;
}

bool HasShortWordIndex(Database& db) {
  return SqlStatement(db, "SELECT 1 FROM dw_post_pairs LIMIT 0").Ok();
}

bool LastErrorIsDamage(Database& db) {
  return db.IsOpen() &&
         (sqlite3_extended_errcode(db.Handle()) & 0xff) == SQLITE_CORRUPT;
}

bool AddHistoryEntry(Database& db, const HistoryEntry& entry, bool* damaged) {
  if (!RunSql(db, "SAVEPOINT dw_history_entry")) return false;
  HistoryWriter writer(db);  // its statements keep the reason until they go
  const bool ok = writer.Add(entry);
  if (!ok && damaged && LastErrorIsDamage(db)) *damaged = true;
  if (!ok) RunSql(db, "ROLLBACK TO dw_history_entry");
  if (!RunSql(db, "RELEASE dw_history_entry")) {
    if (damaged && LastErrorIsDamage(db)) *damaged = true;
    RunSql(db, "ROLLBACK");  // outside a transaction, a commit that failed
    return false;
  }
  return ok;
}

}  // namespace dw
