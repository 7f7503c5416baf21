// The statements the program issues: the two loader queries, the
// first-round duplicate check and the insert of a post. Values of posts are
// bound, never pasted into the text, so quotes in a rule name, title or link
// are stored as they are and nothing in a value can change a statement.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/database.h"

namespace dw {

// Columns in the order the rule loader reads them.
inline constexpr char kRuleStatement[] =
    "select id,isdo,rank,isgbk,type,name,url,cookie,reg,before,after,tindex,"
    "idindex ,pinurl,lastid from rule where isdo<>'3' order by rank desc";

inline constexpr char kSettingsStatement[] =
    "select keywd,pl_shop,pl_kuai,pl_man,tx_tc,tx_sy,tx_wx,tx_onlygz,tx_wxkey "
    "from con";

// The settings loader takes the first row `con` returns; settings are
// written back to that same row.
inline constexpr char kFirstSettingsRow[] = "(select rowid from con limit 1)";

inline constexpr char kDuplicateStatement[] =
    "SELECT * from info where url = ?";

inline constexpr char kInsertPostStatement[] =
    "insert into info(planname,planid,title,url,addtime,zt) "
    "values(?,?,?,?,?,?)";

// Number of stored posts whose link is exactly link (through RunQuery, so
// the record set stays open until the next query or CloseQuery).
int CountStoredPosts(RecordSet& rs, Database& db, const std::string& link);

// Whether a post with this link is stored. A lookup the database refused
// (held by another program, say) answers kUnknown, never kNo.
enum class Stored { kNo, kYes, kUnknown };
Stored FindStoredPost(RecordSet& rs, Database& db, const std::string& link);

struct StoredPost {
  std::string planName;  // the rule's name
  int planId = 0;        // the rule's id
  std::string title;
  std::string url;
  std::string addTime;  // short time text of storing
  int zt = 0;           // 1 when the title holds a keyword
  // When it was found (seconds since 1970 UTC); 0: the moment addTime names.
  std::int64_t fetchedAt = 0;
};

// Inserts the post into info and, in the same transaction, into the
// history tables of our own (see post_history.h). True when it was stored
// in info. Should our part be refused, the row in info is kept all the
// same and our part is caught up later: the index never costs a post. Part
// of the caller's transaction when one is open; inside one, a damaged index
// takes the whole transaction with it (the engine rolls it back), so there
// InsertPost and, after the commit, AddPostHistory are the safe pair.
bool StorePost(Database& db, const StoredPost& post);

// Inserts the post into info alone; `info_id` gets its row id.
bool InsertPost(Database& db, const StoredPost& post, std::int64_t* info_id);

// Adds the history rows of the post stored as `info_id` (see
// AddHistoryEntry).
bool AddPostHistory(Database& db, const StoredPost& post, std::int64_t info_id,
                    bool* damaged = nullptr);

}  // namespace dw
