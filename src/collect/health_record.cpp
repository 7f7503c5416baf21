#include "collect/health_record.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/convert.h"

namespace dw {
namespace {

constexpr char kCreate[] =
    "CREATE TABLE IF NOT EXISTS dw_rule_health ("
    "rule_id INTEGER PRIMARY KEY, failing_rounds INTEGER, last_new TEXT, "
    "store_failed INTEGER, ran_at TEXT, rule_name TEXT, failed_step TEXT, "
    "attempts INTEGER, status INTEGER, failure TEXT, bytes INTEGER, "
    "ms INTEGER, start_found INTEGER, end_found INTEGER, cut_bytes INTEGER, "
    "compiled INTEGER, matches INTEGER, new_posts INTEGER, stored INTEGER, "
    "already_stored INTEGER, run_store_failed INTEGER)";
constexpr int kColumns = 21;

// Days as text: SQL values here are text or integers, and a time must come
// back to the same second.
std::string DaysText(DateTime time) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9f", time.days);
  return text;
}

DateTime DaysOf(const std::string& text) {
  return DateTime{std::strtod(text.c_str(), nullptr)};
}

// Steps and causes are kept by name, so that their numbering may change.
template <typename Enum>
bool EnumOfName(const std::string& name, Enum last,
                const char* (*name_of)(Enum), Enum* value) {
  for (int i = 0; i <= static_cast<int>(last); ++i) {
    if (name == name_of(static_cast<Enum>(i))) {
      *value = static_cast<Enum>(i);
      return true;
    }
  }
  return false;
}

}  // namespace

bool SaveRuleHealth(Database& db, int rule_id, const RuleHealth& health) {
  if (!DbExecute(db, kCreate)) return false;
  const RuleReport report = health.last.value_or(RuleReport());
  const auto n = [](auto value) -> SqlValue {
    return static_cast<long long>(value);
  };
  SqlValues values = {
      n(rule_id),
      n(health.failing_rounds),
      health.last_new ? SqlValue(DaysText(*health.last_new))
                      : SqlValue(nullptr),
      n(health.waiting_posts),
      health.last ? SqlValue(DaysText(report.ran_at)) : SqlValue(nullptr),
      report.rule_name,
      std::string(FailedStepName(report.failed_step)),
      n(report.fetch.attempts),
      n(report.fetch.status),
      std::string(HttpFailureName(report.fetch.failure)),
      n(report.fetch.bytes),
      n(report.fetch.ms),
      n(report.cut.start_found),
      n(report.cut.end_found),
      n(report.cut.bytes),
      n(report.pattern.compiled),
      n(report.pattern.matches),
      n(report.posts.new_posts),
      n(report.posts.stored),
      n(report.posts.already_stored),
      n(report.posts.store_failed),
  };
  std::string sql = "INSERT OR REPLACE INTO dw_rule_health VALUES (?";
  for (int i = 1; i < kColumns; ++i) sql += ",?";
  return DbExecute(db, sql + ")", values);
}

bool ForgetRuleHealth(Database& db, int rule_id) {
  return DbExecute(db, kCreate) &&
         DbExecute(db, "DELETE FROM dw_rule_health WHERE rule_id = ?",
                   {static_cast<long long>(rule_id)});
}

HealthBook LoadRuleHealth(Database& db) {
  HealthBook book;
  RecordSet rs;
  if (!RsOpen(rs, "SELECT * FROM dw_rule_health", db) || !RsRequery(rs) ||
      RsColumnCount(rs) != kColumns) {
    return book;
  }
  const Array<std::string> rows = RsAllRows(rs);
  RsClose(rs);
  for (int r = 1; r <= rows.Rows(); ++r) {
    const auto cell = [&](int c) -> const std::string& { return rows(r, c); };
    const auto number = [&](int c) { return ToLongInteger(cell(c)); };
    const int rule_id = static_cast<int>(number(1));
    FailedStep step = FailedStep::kNone;
    HttpFailure failure = HttpFailure::kNone;
    if (!EnumOfName(cell(7), FailedStep::kNoMatch, FailedStepName, &step) ||
        !EnumOfName(cell(10), HttpFailure::kOther, HttpFailureName, &failure)) {
      continue;
    }
    RuleHealth health;
    health.failing_rounds = static_cast<int>(number(2));
    if (!cell(3).empty()) health.last_new = DaysOf(cell(3));
    // What waited in an earlier session is either stored since or back
    // among the pending posts from the journal: it is counted there.
    if (!cell(5).empty()) {
      RuleReport& report = health.last.emplace();
      report.rule_id = rule_id;
      report.ran_at = DaysOf(cell(5));
      report.rule_name = cell(6);
      report.failed_step = step;
      report.fetch.attempts = static_cast<int>(number(8));
      report.fetch.status = static_cast<int>(number(9));
      report.fetch.failure = failure;
      report.fetch.bytes = number(11);
      report.fetch.ms = number(12);
      report.cut.start_found = number(13) != 0;
      report.cut.end_found = number(14) != 0;
      report.cut.bytes = number(15);
      report.pattern.compiled = number(16) != 0;
      report.pattern.matches = static_cast<int>(number(17));
      report.posts.new_posts = static_cast<int>(number(18));
      report.posts.stored = static_cast<int>(number(19));
      report.posts.already_stored = static_cast<int>(number(20));
      report.posts.store_failed = static_cast<int>(number(21));
    }
    book[rule_id] = std::move(health);
  }
  return book;
}

}  // namespace dw
