// The small writes the rules window makes besides whole rule rows: a rule's
// tick and the keyword text. Text is GBK, as stored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "runtime/database.h"

namespace dw {

// Sets `isdo` of the rule with this id, leaving every other column as it
// is. False when the statement fails or no row has the id.
bool SetRuleIsdo(Database& db, std::int64_t id, const std::string& isdo);

// `keywd` of the settings row the loader reads (the first); empty text when
// `con` has no row, nothing when the statement fails.
std::optional<std::string> ReadKeywordText(Database& db);

// Writes `keywd` (keywords separated by CR LF) into that same row, or adds a
// settings row with it when `con` has none. False when nothing was written.
bool SaveKeywordText(Database& db, const std::string& keywd);

}  // namespace dw
