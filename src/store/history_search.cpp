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

Query BuildQuery(const HistoryFilter& filter, const char* what,
                 std::optional<std::int64_t> below_id) {
  Query q;
  std::string index_query;
  std::string where;
  auto add = [&where](const char* condition) {
    where += where.empty() ? " WHERE " : " AND ";
    where += condition;
  };
  auto add_index = [&index_query](const std::string& term) {
    if (!index_query.empty()) index_query += " AND ";
    index_query += term;
  };
  std::vector<std::string> short_words;
  for (std::string& word : SearchWords(filter.text)) {
    if (filter.use_index && Utf8Length(word) >= 3) {
      add_index(IndexPhrase(word));
    } else {
      short_words.push_back(std::move(word));
    }
  }
  // Alone, short words are looked up in their own index. Beside a long one
  // they are sought among its matches, few next to every title.
  const bool pairs =
      index_query.empty() && filter.use_index && filter.pairs_complete;
  for (const std::string& word : short_words) {
    // SQLite folds ASCII letters only; a word of a letter or two is sought
    // in each of its cases, few enough to name.
    const std::vector<std::string> cases =
        Utf8Length(word) <= 2 ? CaseVariants(word) : std::vector<std::string>();
    if (const auto pair = pairs ? PairWord(word) : std::nullopt) {
      std::vector<std::string> phrases;
      for (const std::string& variant : cases) {
        const std::string phrase = IndexPhrase(PairWord(variant).value());
        if (std::find(phrases.begin(), phrases.end(), phrase) ==
            phrases.end()) {
          phrases.push_back(phrase);
        }
      }
      std::string any;
      for (const std::string& phrase : phrases) {
        any += (any.empty() ? "(" : " OR ") + phrase;
      }
      add_index(any + ")");
    } else if (cases.size() > 1) {
      std::string any;
      for (const std::string& variant : cases) {
        any += any.empty() ? "(" : " OR ";
        any += "instr(p.title, ?) > 0";
        q.values.emplace_back(variant);
      }
      add((any + ")").c_str());
    } else if (HasAsciiLetter(word)) {
      add("p.title LIKE ? ESCAPE '\\'");
      q.values.emplace_back(LikePattern(word));
    } else {
      // With no letter to fold, a plain byte search finds the same rows
      // several times faster, which a scan of every title needs.
      add("instr(p.title, ?) > 0");
      q.values.emplace_back(word);
    }
  }
  // Given an index, the walk goes through its matches newest first and
  // ends as soon as the page is full.
  std::string from = " FROM dw_post p";
  if (!index_query.empty()) {
    const std::string table = pairs ? "dw_post_pairs" : "dw_post_search";
    from = " FROM " + table + " s JOIN dw_post p ON p.info_id = s.rowid";
    std::vector<std::variant<std::int64_t, std::string>> values;
    values.emplace_back(index_query);
    values.insert(values.end(), q.values.begin(), q.values.end());
    q.values = std::move(values);
    where = " WHERE " + table + " MATCH ?" +
            (where.empty() ? std::string() : " AND " + where.substr(7));
  }
  const char* id = index_query.empty() ? "p.info_id" : "s.rowid";
  if (filter.site_id) {
    add("p.site_id = ?");
    q.values.emplace_back(*filter.site_id);
  }
  if (filter.hits_only) add("p.hit = 1");
  if (filter.from != std::numeric_limits<std::int64_t>::min()) {
    add("p.fetched_at >= ?");
    q.values.emplace_back(filter.from);
  }
  if (filter.to != std::numeric_limits<std::int64_t>::max()) {
    add("p.fetched_at < ?");
    q.values.emplace_back(filter.to);
  }
  if (below_id) {
    where += where.empty() ? " WHERE " : " AND ";
    where += std::string(id) + " < ?";
    q.values.emplace_back(*below_id);
  }
  q.sql = std::string("SELECT ") + what + from + where;
  if (below_id) q.sql += std::string(" ORDER BY ") + id + " DESC LIMIT ?";
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
