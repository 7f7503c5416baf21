// Rules to and from JSON files: the export and the import.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/probe_tool.h"
#include "runtime/ui/qt_text.h"
#include "runtime/utf8.h"
#include "store/rule_checks.h"
#include "store/rule_row.h"
#include "store/rule_settings.h"

namespace dw {
namespace {

// A stored integer column as JSON: a number when SQLite holds a number
// there (digits, or a real number in its shortest form), text otherwise.
std::string JsonStoredNumber(const std::string& text) {
  if (IsIntegerText(text)) return text;
  double value = 0;
  const auto read = std::from_chars(text.data(), text.data() + text.size(),
                                    value, std::chars_format::general);
  if (read.ec == std::errc() && read.ptr == text.data() + text.size() &&
      std::isfinite(value)) {
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (std::string(buffer, written.ptr) == text) return text;
  }
  return JsonString(text);
}

// A JSON value for one column, as RuleRow holds it (GBK); false with a
// message when it cannot be one.
bool CellFromJson(const QJsonValue& value, std::string* cell,
                  std::string* problem) {
  if (value.isString()) {
    // Only a lone surrogate has no form in program text.
    const QString text = value.toString();
    std::string gbk = QStringToGbk(text);
    if (GbkToQString(gbk) != text) {
      *problem = "holds text that cannot be written in GBK";
      *cell = "";
      return false;
    }
    *cell = std::move(gbk);
    return true;
  }
  if (value.isDouble()) {
    const double number = value.toDouble();
    if (value.toVariant().typeId() == QMetaType::LongLong) {
      *cell = std::to_string(value.toInteger());  // exact beyond 2^53
    } else if (std::trunc(number) == number && std::fabs(number) < 9.2e18) {
      *cell = std::to_string(static_cast<qint64>(number));
    } else {
      char buffer[32];
      *cell = std::string(
          buffer, std::to_chars(buffer, buffer + sizeof buffer, number).ptr);
    }
    return true;
  }
  *problem = "must be text or a number";
  return false;
}

// A setting's JSON value as kept ("1" for a switch on); false with a
// message when the setting cannot take it. Older files lack the key: the
// row keeps the default.
bool SettingFromJson(const QJsonValue& value, const std::string& name,
                     RuleRow& row, std::string* problem) {
  std::string text;
  if (value.isBool()) {
    text = value.toBool() ? "1" : "0";
  } else if (value.isDouble() || value.isString()) {
    CellFromJson(value, &text, problem);
  }
  if (SetRuleSetting(row, name, text)) return true;
  *problem = SettingValueRule(name, /*chinese=*/false);
  return false;
}

struct ImportProblem {
  std::string rule;  // "rule 7", or "rule #3" (its place) without an id
  RuleProblem problem;
};

// The rule of one JSON object, and what is wrong with it.
RuleRow RowFromJson(const QJsonObject& object, int place,
                    std::vector<ImportProblem>& problems) {
  RuleRow row;
  const QJsonValue id = object.value("id");
  std::string label = "rule #" + std::to_string(place);
  std::string id_text;
  std::string ignored;
  if (id.isUndefined()) {
    // Takes a free id when the rules are written (row.id stays 0 till then).
  } else if (CellFromJson(id, &id_text, &ignored) && IsIntegerText(id_text)) {
    row.id = std::stoll(id_text);
    label = "rule " + id_text;
  } else {
    problems.push_back({label, {"id", "must be a whole number"}});
  }
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string column = it.key().toStdString();
    if (column == "id") continue;
    std::string* cell = RuleRowCell(row, column);
    std::string problem;
    if (RuleSettingValue(row, column)) {
      if (!SettingFromJson(it.value(), column, row, &problem)) {
        problems.push_back({label, {column, problem}});
      }
    } else if (!cell) {
      problems.push_back(
          {label, {column, "is no column of rule; ignored", true}});
    } else if (!CellFromJson(it.value(), cell, &problem)) {
      problems.push_back({label, {column, problem}});
    }
  }
  for (RuleProblem& problem : CheckRule(row)) {
    if (problem.column == "id" && label.starts_with("rule #")) {
      continue;  // already said, or the id is yet to be chosen
    }
    problems.push_back({label, std::move(problem)});
  }
  return row;
}

// A rule the file gives no id takes the id a new rule would, among the
// database's rules and the file's; each choice is said. The reason when
// none could be given; empty when all have one.
std::string GiveFreeIds(Database& db, std::vector<RuleRow>& rows,
                        std::ostream& out) {
  if (std::none_of(rows.begin(), rows.end(),
                   [](const RuleRow& row) { return row.id == 0; })) {
    return "";
  }
  bool loaded = false;
  std::vector<RuleRow> taken = LoadRuleRows(db, &loaded);
  if (!loaded) return "cannot read the rules it holds";
  taken.insert(taken.end(), rows.begin(), rows.end());
  for (RuleRow& row : rows) {
    if (row.id != 0) continue;
    row.id = NewRuleId(taken);
    if (row.id == 0) return "it has no free rule id left";
    taken.push_back(row);
    out << "a rule without an id gets id " << row.id << "\n";
  }
  return "";
}

}  // namespace

bool WriteRuleJson(const RuleRow& row, std::ostream& json, std::ostream& err) {
  bool whole = true;
  json << "{\"id\": " << row.id;
  for (const char* column : kRuleColumns) {
    const std::string* cell = RuleRowCell(row, column);
    if (!cell) continue;
    json << ", " << JsonString(column) << ": ";
    if (IsRuleIntegerColumn(column)) {
      if (std::optional<std::string> text = ToUtf8(*cell)) {
        json << JsonStoredNumber(*text);
        continue;
      }
    } else if (std::optional<std::string> text = ToUtf8(*cell)) {
      json << JsonString(*text);
      continue;
    }
    err << "rule " << row.id << ": " << column
        << ": holds bytes that are not GBK text; nothing exported\n";
    whole = false;
  }
  for (const char* name : kRuleSettings) {
    if (IsDefaultRuleSetting(row, name)) continue;
    const std::string value = *RuleSettingValue(row, name);
    json << ", " << JsonString(name) << ": "
         << (IsNumberSetting(name) ? value : JsonString(value));
  }
  json << "}";
  return whole;
}

int ExportRulesTool(const ToolRequest& request, std::ostream& out,
                    std::ostream& err) {
  Database db;
  if (!OpenDatabase(request, db, err)) return kToolUsageError;
  bool loaded = false;
  const std::vector<RuleRow> rows = LoadRuleRows(db, &loaded);
  if (!loaded) {
    err << "dealwatcher: cannot read the rules of " << request.database << ": "
        << DbLastError(db) << "\n";
    return kToolUsageError;
  }
  std::ostringstream json;
  bool bad_text = false;
  json << "[";
  for (size_t r = 0; r < rows.size(); ++r) {
    json << (r ? ",\n" : "\n") << "  ";
    bad_text |= !WriteRuleJson(rows[r], json, err);
  }
  json << (rows.empty() ? "]\n" : "\n]\n");
  if (bad_text) return kToolFailed;
  if (request.rules_file == "-") {
    out << json.str();
    return out ? kToolOk : kToolUsageError;
  }
  std::ofstream file(request.rules_file, std::ios::binary | std::ios::trunc);
  file << json.str();
  file.close();
  if (!file) {
    err << "dealwatcher: cannot write " << request.rules_file << "\n";
    return kToolUsageError;
  }
  return kToolOk;
}

namespace {

// "line L, column C" of the character a JSON parse error names, both from
// 1; columns count characters. The parser's offset lies just past the
// character it stopped at.
std::string LineAndColumn(const std::string& utf8, std::int64_t offset) {
  const auto end = static_cast<std::size_t>(std::clamp<std::int64_t>(
      offset - 1, 0, static_cast<std::int64_t>(utf8.size())));
  const std::string_view before(utf8.data(), end);
  const std::size_t line_end = before.rfind('\n');
  const std::size_t line = 1 + std::count(before.begin(), before.end(), '\n');
  const std::size_t column = 1 + Utf8Length(line_end == std::string_view::npos
                                                ? before
                                                : before.substr(line_end + 1));
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

int ImportRulesTool(const ToolRequest& request, std::ostream& out,
                    std::ostream& err) {
  std::string bytes;
  if (!ReadFile(request.rules_file, &bytes)) {
    err << "dealwatcher: cannot read " << request.rules_file << "\n";
    return kToolUsageError;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.erase(0, 3);  // an editor's BOM
  QJsonParseError parse_error;
  const QJsonDocument document =
      QJsonDocument::fromJson(QByteArray::fromStdString(bytes), &parse_error);
  if (parse_error.error != QJsonParseError::NoError || !document.isArray()) {
    err << request.rules_file << ": "
        << (document.isNull()
                ? "not JSON: " + parse_error.errorString().toStdString() +
                      " at " + LineAndColumn(bytes, parse_error.offset)
                : std::string("not a JSON array of rules"))
        << "\n";
    return kToolFailed;
  }
  std::vector<RuleRow> rows;
  std::vector<ImportProblem> problems;
  std::set<std::int64_t> ids;
  const QJsonArray array = document.array();
  for (int i = 0; i < array.size(); ++i) {
    if (!array[i].isObject()) {
      problems.push_back(
          {"rule #" + std::to_string(i + 1), {"", "is not a JSON object"}});
      continue;
    }
    rows.push_back(RowFromJson(array[i].toObject(), i + 1, problems));
    if (!array[i].toObject().contains("id")) continue;
    if (!ids.insert(rows.back().id).second) {
      problems.push_back({"rule #" + std::to_string(i + 1),
                          {"id",
                           "is used by an earlier rule of this file; "
                           "give each rule its own id"}});
    }
  }
  bool errors = false;
  for (const ImportProblem& p : problems) {
    errors = errors || !p.problem.warning;
    err << (p.problem.warning ? "warning: " : "") << p.rule << ": "
        << (p.problem.column.empty() ? "" : p.problem.column + ": ")
        << p.problem.message << "\n";
  }
  if (errors) return kToolFailed;

  Database db;
  if (!OpenDatabase(request, db, err)) return kToolUsageError;
  if (const std::string problem = GiveFreeIds(db, rows, out);
      !problem.empty()) {
    err << "dealwatcher: " << request.database << ": " << problem
        << "; nothing was changed\n";
    return kToolFailed;
  }
  if (!SaveRuleRows(db, rows)) {
    err << "dealwatcher: cannot write the rules into " << request.database
        << "; nothing was changed\n";
    return kToolUsageError;
  }
  out << "imported " << rows.size() << " rule(s) into " << request.database
      << "\n";
  return kToolOk;
}

}  // namespace dw
