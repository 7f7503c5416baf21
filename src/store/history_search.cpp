#include "store/history_search.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <variant>

#include "runtime/utf8.h"
#include "store/search_words.h"
#include "store/sql_statement.h"
#include "store/title_pairs.h"

namespace dw {
namespace {

// A phrase of the index's query language: the word taken literally.
std::string IndexPhrase(std::string_view word) {
  std::string phrase = "\"";
  for (char c : word) {
    if (c == '"') phrase += '"';
    phrase += c;
  }
  return phrase + "\"";
}

bool HasAsciiLetter(std::string_view word) {
  return std::any_of(word.begin(), word.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  });
}

std::string LikePattern(std::string_view word) {
  std::string pattern = "%";
  for (char c : word) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  return pattern + "%";
}

// The statement text and its values, built from the filter. `what` is the
// result columns; with `below_id` the statement gives a page, its size the
// last value still to bind.
struct Query {
  std::string sql;
  std::vector<std::variant<std::int64_t, std::string>> values;
};

// The conditions gathered so far: terms for the full-text index and the
// row conditions beside it, with the row conditions' values in order.
struct Conditions {
  std::string index_query;
  std::string where;
  std::vector<std::variant<std::int64_t, std::string>> values;

  void Add(const char* condition) {
    where += where.empty() ? " WHERE " : " AND ";
    where += condition;
  }
  void AddIndex(const std::string& term) {
    if (!index_query.empty()) index_query += " AND ";
    index_query += term;
  }
};

// A short word looked up in the pairs index: any of its cases' pairs.
void AddPairsLookUp(Conditions& c, const std::vector<std::string>& cases) {
  std::vector<std::string> phrases;
  for (const std::string& variant : cases) {
    const std::string phrase = IndexPhrase(PairWord(variant).value());
    if (std::find(phrases.begin(), phrases.end(), phrase) == phrases.end()) {
      phrases.push_back(phrase);
    }
  }
  std::string any;
  for (const std::string& phrase : phrases) {
    any += (any.empty() ? "(" : " OR ") + phrase;
  }
  c.AddIndex(any + ")");
}

// A short word sought in every title, in each of its cases.
void AddAnyCaseScan(Conditions& c, const std::vector<std::string>& cases) {
  std::string any;
  for (const std::string& variant : cases) {
    any += any.empty() ? "(" : " OR ";
    any += "instr(p.title, ?) > 0";
    c.values.emplace_back(variant);
  }
  c.Add((any + ")").c_str());
}

// A short word sought in every title, or among a long word's matches.
void AddShortWord(Conditions& c, const std::string& word, bool pairs) {
  // SQLite folds ASCII letters only; a word of a letter or two is sought
  // in each of its cases, few enough to name.
  const std::vector<std::string> cases =
      Utf8Length(word) <= 2 ? CaseVariants(word) : std::vector<std::string>();
  if (pairs && PairWord(word)) {
    AddPairsLookUp(c, cases);
  } else if (cases.size() > 1) {
    AddAnyCaseScan(c, cases);
  } else if (HasAsciiLetter(word)) {
    c.Add("p.title LIKE ? ESCAPE '\\'");
    c.values.emplace_back(LikePattern(word));
  } else {
    // With no letter to fold, a plain byte search finds the same rows
    // several times faster, which a scan of every title needs.
    c.Add("instr(p.title, ?) > 0");
    c.values.emplace_back(word);
  }
}

// The FROM clause; given index terms, the walk goes through the index's
// matches newest first and ends as soon as the page is full, its MATCH the
// first condition and value.
std::string JoinIndex(Conditions& c, bool pairs) {
  if (c.index_query.empty()) return " FROM dw_post p";
  const std::string table = pairs ? "dw_post_pairs" : "dw_post_search";
  std::vector<std::variant<std::int64_t, std::string>> values;
  values.emplace_back(c.index_query);
  values.insert(values.end(), c.values.begin(), c.values.end());
  c.values = std::move(values);
  c.where = " WHERE " + table + " MATCH ?" +
            (c.where.empty() ? std::string() : " AND " + c.where.substr(7));
  return " FROM " + table + " s JOIN dw_post p ON p.info_id = s.rowid";
}

void AddPostConditions(Conditions& c, const HistoryFilter& filter) {
  if (filter.site_id) {
    c.Add("p.site_id = ?");
    c.values.emplace_back(*filter.site_id);
  }
  if (filter.hits_only) c.Add("p.hit = 1");
  if (filter.from != std::numeric_limits<std::int64_t>::min()) {
    c.Add("p.fetched_at >= ?");
    c.values.emplace_back(filter.from);
  }
  if (filter.to != std::numeric_limits<std::int64_t>::max()) {
    c.Add("p.fetched_at < ?");
    c.values.emplace_back(filter.to);
  }
}

Query BuildQuery(const HistoryFilter& filter, const char* what,
                 std::optional<std::int64_t> below_id) {
  Conditions c;
  std::vector<std::string> short_words;
  for (std::string& word : SearchWords(filter.text)) {
    if (filter.use_index && Utf8Length(word) >= 3) {
      c.AddIndex(IndexPhrase(word));
    } else {
      short_words.push_back(std::move(word));
    }
  }
  // Alone, short words are looked up in their own index. Beside a long one
  // they are sought among its matches, few next to every title.
  const bool pairs =
      c.index_query.empty() && filter.use_index && filter.pairs_complete;
  for (const std::string& word : short_words) AddShortWord(c, word, pairs);
  const bool indexed = !c.index_query.empty();
  const std::string from = JoinIndex(c, pairs);
  const char* id = indexed ? "s.rowid" : "p.info_id";
  AddPostConditions(c, filter);
  if (below_id) {
    c.Add((std::string(id) + " < ?").c_str());
    c.values.emplace_back(*below_id);
  }
  Query q;
  q.sql = std::string("SELECT ") + what + from + c.where;
  if (below_id) q.sql += std::string(" ORDER BY ") + id + " DESC LIMIT ?";
  q.values = std::move(c.values);
  return q;
}

bool BindAll(SqlStatement& statement, const Query& q) {
  int index = 1;
  for (const auto& value : q.values) {
    const bool ok = std::holds_alternative<std::int64_t>(value)
                        ? statement.Bind(index, std::get<std::int64_t>(value))
                        : statement.Bind(index, std::get<std::string>(value));
    if (!ok) return false;
    ++index;
  }
  return true;
}

}  // namespace

std::optional<std::vector<HistoryPost>> FindHistory(Database& db,
                                                    const HistoryFilter& filter,
                                                    std::int64_t below_id,
                                                    int limit) {
  Query q = BuildQuery(filter,
                       "p.info_id, (SELECT name FROM dw_post_site WHERE id = "
                       "p.site_id), p.title, (SELECT url FROM info WHERE "
                       "rowid = p.info_id), p.fetched_at, p.hit",
                       below_id);
  q.values.emplace_back(std::int64_t{limit});
  SqlStatement find(db, q.sql.c_str());
  if (!find.Ok() || !BindAll(find, q)) return std::nullopt;
  std::vector<HistoryPost> posts;
  int step;
  while ((step = find.Step()) == SQLITE_ROW) {
    HistoryPost& post = posts.emplace_back();
    post.id = find.Int(0);
    post.site = find.Text(1);
    post.title = find.Text(2);
    post.link = find.Text(3);
    post.fetched_at = find.Int(4);
    post.hit = find.Int(5) != 0;
  }
  if (step != SQLITE_DONE) return std::nullopt;
  return posts;
}

std::optional<std::int64_t> CountHistory(Database& db,
                                         const HistoryFilter& filter) {
  const Query q = BuildQuery(filter, "count(*)", std::nullopt);
  SqlStatement count(db, q.sql.c_str());
  if (!count.Ok() || !BindAll(count, q) || count.Step() != SQLITE_ROW) {
    return std::nullopt;
  }
  return count.Int(0);
}

std::vector<HistorySite> HistorySites(Database& db) {
  std::vector<HistorySite> sites;
  SqlStatement all(db, "SELECT id, name FROM dw_post_site ORDER BY name");
  while (all.Step() == SQLITE_ROW) sites.push_back({all.Int(0), all.Text(1)});
  return sites;
}

}  // namespace dw
