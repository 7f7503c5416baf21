// A rule's settings beyond the columns of `rule`, kept in a key-value table
// of our own (rule id, name, value), so that a new setting needs no change
// of any table. They travel with their rule: loaded with it, written in the
// same transaction, copied, exported and imported with it, removed with it.
// Only a setting that differs from its default has a row.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/database.h"
#include "store/rule_row.h"

namespace dw {

inline constexpr char kRuleSettingTable[] = "dw_rule_setting";

// The settings this program knows, by the name the table, the export and
// the editor use.
inline constexpr const char* kRuleSettings[] = {
    "json_strings", "ignore_cert_errors", "plain_titles", "charset",
    "interval_minutes"};

// The longest interval a rule may ask for: a week.
inline constexpr int kMostIntervalMinutes = 7 * 24 * 60;

// True for a setting that is a switch ("0" or "1").
bool IsSwitchSetting(std::string_view name);
// True for a setting that is a number (a switch is one too); the others
// are text.
bool IsNumberSetting(std::string_view name);
// What a value the setting refused should have been, in the user's words
// (UTF-8) or in the tools' (English).
const char* SettingValueRule(std::string_view name, bool chinese);

// The setting's value as kept ("1" or "0" for a switch); nothing for a name
// not in kRuleSettings.
std::optional<std::string> RuleSettingValue(const RuleRow& row,
                                            std::string_view name);

// Sets it from a kept value; false, and the row unchanged, for a name not in
// kRuleSettings or a value the setting cannot take.
bool SetRuleSetting(RuleRow& row, std::string_view name,
                    std::string_view value);

// True when the setting holds its default (a fresh RuleRow's).
bool IsDefaultRuleSetting(const RuleRow& row, std::string_view name);

// Every kept setting by rule id and name, values as stored; empty without
// the table. `*ok` is false when the table is there but cannot be read.
std::map<std::int64_t, RuleSettingTexts> LoadRuleSettings(Database& db,
                                                          bool* ok);

// Gives each row the settings kept for its id (unknown names and values
// are passed over).
void ApplyRuleSettings(const RuleSettingTexts& texts, RuleRow& row);

// Writes each row's settings under its id: rows for those off their
// default, none for the rest; settings of names this program does not know
// stay. Creates the table when missing. Part of the caller's transaction.
bool SaveRuleSettings(Database& db, const std::vector<RuleRow>& rows);

// Removes every setting of the id. Part of the caller's transaction.
bool DeleteRuleSettings(Database& db, std::int64_t id);

}  // namespace dw
