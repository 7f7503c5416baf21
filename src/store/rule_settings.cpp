#include "store/rule_settings.h"

#include "store/sql_statement.h"

namespace dw {
namespace {

constexpr char kCreate[] =
    "CREATE TABLE IF NOT EXISTS dw_rule_setting(rule_id INTEGER NOT NULL, "
    "name TEXT NOT NULL, value TEXT NOT NULL, PRIMARY KEY(rule_id, name))";

// The switches so far; a setting of another kind gets a field of its own
// kind here.
struct Switch {
  const char* name;
  bool RuleRow::*field;
};
constexpr Switch kSwitches[] = {
    {"json_strings", &RuleRow::json_strings},
    {"ignore_cert_errors", &RuleRow::ignore_cert_errors},
    {"plain_titles", &RuleRow::plain_titles},
};
// Settings that are text: a charset's name.
struct Text {
  const char* name;
  std::string RuleRow::*field;
};
constexpr Text kTexts[] = {{"charset", &RuleRow::charset}};
// Settings that are whole numbers from 0 to `most`.
struct Number {
  const char* name;
  int RuleRow::*field;
  int most;
};
constexpr Number kNumbers[] = {
    {"interval_minutes", &RuleRow::interval_minutes, kMostIntervalMinutes}};
static_assert(std::size(kSwitches) + std::size(kTexts) + std::size(kNumbers) ==
              std::size(kRuleSettings));

const Number* FindNumber(std::string_view name) {
  for (const Number& n : kNumbers) {
    if (name == n.name) return &n;
  }
  return nullptr;
}

// Plain decimal digits (empty reads as 0), at most `most`.
std::optional<int> NumberOf(std::string_view value, int most) {
  if (value.size() > 9) return std::nullopt;
  int number = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number > most) return std::nullopt;
  return number;
}

const Text* FindText(std::string_view name) {
  for (const Text& t : kTexts) {
    if (name == t.name) return &t;
  }
  return nullptr;
}

// A charset's name as iconv knows them: letters, digits, "-", "_", ":".
bool IsCharsetName(std::string_view value) {
  if (value.size() > 40) return false;
  for (char c : value) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                    c == ':' || c == '.';
    if (!ok) return false;
  }
  return true;
}

const Switch* FindSwitch(std::string_view name) {
  for (const Switch& s : kSwitches) {
    if (name == s.name) return &s;
  }
  return nullptr;
}

bool TableExists(Database& db, bool* ok) {
  SqlStatement find(db,
                    "SELECT 1 FROM sqlite_master WHERE type='table' AND name="
                    "'dw_rule_setting'");
  const int step = find.Step();
  *ok = step == SQLITE_ROW || step == SQLITE_DONE;
  return step == SQLITE_ROW;
}

}  // namespace

bool IsSwitchSetting(std::string_view name) {
  return FindSwitch(name) != nullptr;
}

bool IsNumberSetting(std::string_view name) {
  return FindSwitch(name) != nullptr || FindNumber(name) != nullptr;
}

const char* SettingValueRule(std::string_view name, bool chinese) {
  if (FindSwitch(name)) return chinese ? "只能是 0 或 1" : "must be 0 or 1";
  if (FindNumber(name)) {
    return chinese ? "必须是 0 到 10080 的整数（最多一周）"
                   : "must be a whole number from 0 to 10080 (a week)";
  }
  return chinese ? "不是字符集的名字" : "is no charset name";
}

std::optional<std::string> RuleSettingValue(const RuleRow& row,
                                            std::string_view name) {
  if (const Text* t = FindText(name)) return row.*(t->field);
  if (const Number* n = FindNumber(name)) {
    return std::to_string(row.*(n->field));
  }
  const Switch* s = FindSwitch(name);
  if (!s) return std::nullopt;
  return std::string(row.*(s->field) ? "1" : "0");
}

bool SetRuleSetting(RuleRow& row, std::string_view name,
                    std::string_view value) {
  if (const Text* t = FindText(name)) {
    if (!IsCharsetName(value)) return false;
    row.*(t->field) = std::string(value);
    return true;
  }
  if (const Number* n = FindNumber(name)) {
    const std::optional<int> number = NumberOf(value, n->most);
    if (!number) return false;
    row.*(n->field) = *number;
    return true;
  }
  const Switch* s = FindSwitch(name);
  if (!s || (value != "0" && value != "1")) return false;
  row.*(s->field) = value == "1";
  return true;
}

bool IsDefaultRuleSetting(const RuleRow& row, std::string_view name) {
  return RuleSettingValue(row, name) == RuleSettingValue(RuleRow(), name);
}

std::map<std::int64_t, RuleSettingTexts> LoadRuleSettings(Database& db,
                                                          bool* ok) {
  std::map<std::int64_t, RuleSettingTexts> settings;
  if (!TableExists(db, ok)) return settings;
  SqlStatement read(db, "SELECT rule_id, name, value FROM dw_rule_setting");
  int step = SQLITE_ERROR;
  while ((step = read.Step()) == SQLITE_ROW) {
    settings[read.Int(0)][read.Text(1)] = read.Text(2);
  }
  *ok = step == SQLITE_DONE;
  if (!*ok) settings.clear();
  return settings;
}

void ApplyRuleSettings(const RuleSettingTexts& texts, RuleRow& row) {
  for (const auto& [name, value] : texts) SetRuleSetting(row, name, value);
}

bool SaveRuleSettings(Database& db, const std::vector<RuleRow>& rows) {
  if (!DbExecute(db, kCreate)) return false;
  SqlStatement forget(db,
                      "DELETE FROM dw_rule_setting WHERE rule_id=? AND name=?");
  SqlStatement keep(db,
                    "INSERT OR REPLACE INTO dw_rule_setting(rule_id, name, "
                    "value) VALUES(?,?,?)");
  for (const RuleRow& row : rows) {
    for (const char* name : kRuleSettings) {
      const bool off = IsDefaultRuleSetting(row, name);
      SqlStatement& write = off ? forget : keep;
      write.Reset();
      if (!write.Bind(1, row.id) || !write.Bind(2, name) ||
          (!off && !write.Bind(3, *RuleSettingValue(row, name))) ||
          !write.Run()) {
        return false;
      }
    }
  }
  return true;
}

bool DeleteRuleSettings(Database& db, std::int64_t id) {
  return DbExecute(db, kCreate) &&
         DbExecute(db, "DELETE FROM dw_rule_setting WHERE rule_id=?",
                   {static_cast<long long>(id)});
}

}  // namespace dw
