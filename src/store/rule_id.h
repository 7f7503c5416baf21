// The one reading of a rule id, for the windows and the tools alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace dw {

// True for the ids a rule can have, 1 to 9999.
bool IsRuleId(std::int64_t id);

// The rule id `text` stands for: exact decimal digits of a whole number from
// 1 to 9999, as the database gives an integer back. A fraction ("7.5"), a
// number past 9999 however large ("4294967303"), a sign or any other text
// is no rule id.
std::optional<int> RuleIdOf(std::string_view text);

}  // namespace dw
