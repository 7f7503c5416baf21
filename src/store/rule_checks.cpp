#include "store/rule_checks.h"

#include <charconv>
#include <cstdint>
#include <string_view>

#include "runtime/gbk_char.h"
#include "runtime/native_pattern.h"
#include "runtime/text_ops.h"
#include "runtime/web_address.h"
#include "text/site_cleanup.h"

namespace dw {
namespace {

// The 1-based number of the GBK character that holds byte `offset` (one
// past the last for the end of the text).
std::size_t CharacterAt(const std::string& text, std::size_t offset) {
  std::size_t number = 1;
  for (std::size_t i = 0; i < text.size() && i < offset;
       i += GbkCharLength(text, i)) {
    if (i + GbkCharLength(text, i) <= offset) ++number;
  }
  return number;
}

// The longest text each column may hold, in bytes: far past any real
// rule, and short enough that a row written by another program cannot
// swamp the memory or the windows.
constexpr std::size_t kMaxPatternBytes = 8192;
struct LengthLimit {
  const char* column;
  std::size_t bytes;
};
constexpr LengthLimit kLengthLimits[] = {
    {"name", 200},     {"url", 4096},
    {"cookie", 16384}, {"reg", kMaxPatternBytes},
    {"before", 4096},  {"after", 4096},
    {"pinurl", 4096}};

// The integer in `text`, when it is one at all (leading zeros and a plus
// sign allowed, as a user types them).
bool ReadInteger(const std::string& text, std::int64_t* value) {
  std::string_view digits = text;
  if (digits.starts_with("+")) {
    digits.remove_prefix(1);
    if (digits.starts_with("-")) return false;
  }
  const auto result =
      std::from_chars(digits.data(), digits.data() + digits.size(), *value);
  return result.ec == std::errc() &&
         result.ptr == digits.data() + digits.size();
}

void CheckGroup(const char* column, const std::string& text, int groups,
                std::vector<RuleProblem>& problems) {
  std::int64_t value = 0;
  if (!ReadInteger(text, &value)) {
    problems.push_back(
        {column, "is not a whole number", false, RuleCheck::kWholeNumber});
  } else if (groups >= 0 && (value < 0 || value > groups)) {
    problems.push_back({column,
                        "must be from 0 to " + std::to_string(groups) +
                            ", the number of groups in the pattern",
                        false, RuleCheck::kGroupRange, std::to_string(groups)});
  }
}

// The ids without a clean-up as runs: "7 to 11 and 13 to 9999".
std::string IdsWithoutCleanUp() {
  std::vector<std::string> runs;
  for (int id = kFirstRuleId; id <= kLastRuleId; ++id) {
    if (HasSiteCleanUp(id)) continue;
    int last = id;
    while (last < kLastRuleId && !HasSiteCleanUp(last + 1)) ++last;
    runs.push_back(last == id
                       ? std::to_string(id)
                       : std::to_string(id) + " to " + std::to_string(last));
    id = last;
  }
  std::string text;
  for (size_t i = 0; i < runs.size(); ++i) {
    if (i > 0) text += i + 1 == runs.size() ? " and " : ", ";
    text += runs[i];
  }
  return text;
}

}  // namespace

int PatternGroupCount(const std::string& pattern) {
  int groups = 0;
  const size_t n = pattern.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = pattern[i];
    if (c == '\\') {
      if (i + 1 < n && pattern[i + 1] == 'Q') {  // quoted up to \E
        const size_t end = pattern.find("\\E", i + 2);
        i = end == std::string::npos ? n : end + 1;
      } else {
        ++i;
      }
    } else if (c == '[') {
      size_t j = i + 1;
      if (j < n && pattern[j] == '^') ++j;
      if (j < n && pattern[j] == ']') ++j;
      while (j < n && pattern[j] != ']') j += pattern[j] == '\\' ? 2 : 1;
      i = j;
    } else if (c == '(') {
      const std::string_view rest = std::string_view(pattern).substr(i + 1);
      if (rest.starts_with("?#")) {
        const size_t end = pattern.find(')', i);
        i = end == std::string::npos ? n : end;
      } else if (!rest.starts_with("?") || rest.starts_with("?P<") ||
                 rest.starts_with("?'") ||
                 (rest.starts_with("?<") && !rest.starts_with("?<=") &&
                  !rest.starts_with("?<!"))) {
        ++groups;
      }
    }
  }
  return groups;
}

std::vector<RuleProblem> CheckRuleLimits(const RuleRow& row) {
  std::vector<RuleProblem> problems;
  for (const auto& [column, bytes] : kLengthLimits) {
    if (RuleRowCell(row, column)->size() > bytes) {
      problems.push_back({column,
                          "is longer than " + std::to_string(bytes) +
                              " bytes, more than any rule needs",
                          false, RuleCheck::kTooLong, std::to_string(bytes)});
    }
  }
  for (const char* column : kRuleColumns) {
    const std::string* cell = RuleRowCell(row, column);
    if (cell && cell->find('\0') != std::string::npos) {
      problems.push_back({column, "holds a zero byte, which no rule text may",
                          false, RuleCheck::kZeroByte});
    }
  }
  return problems;
}

std::vector<RuleProblem> CheckRule(const RuleRow& row) {
  std::vector<RuleProblem> problems;
  if (row.id < kFirstRuleId || row.id > kLastRuleId) {
    problems.push_back({"id",
                        "must be from " + std::to_string(kFirstRuleId) +
                            " to " + std::to_string(kLastRuleId),
                        false, RuleCheck::kIdRange});
  }
  if (!IsHttpAddress(row.url)) {
    problems.push_back({"url", "must start with http:// or https://", false,
                        RuleCheck::kHttpAddress});
  }
  int groups = -1;
  if (row.reg.empty()) {
    problems.push_back({"reg", "is empty", false, RuleCheck::kEmpty});
  } else if (row.reg.size() > kMaxPatternBytes) {
    // Too long to be worth compiling; said with the other lengths below.
  } else if (PatternHangsParser(std::string_view(row.reg))) {
    problems.push_back(
        {"reg",
         "is refused: the pattern engine would never finish reading "
         "it (a possessive quantifier before a comment)",
         false, RuleCheck::kPatternRefused});
  } else {
    Pattern pattern = PatternNew();
    PatternError why;
    if (PatternCreate(pattern, row.reg, /*case_sensitive=*/false, &why)) {
      groups = PatternGroupCount(row.reg);
    } else {
      problems.push_back({"reg",
                          "does not compile: " + why.message +
                              " at character " +
                              std::to_string(CharacterAt(row.reg, why.offset)),
                          false, RuleCheck::kPatternCompile, why.message,
                          CharacterAt(row.reg, why.offset)});
    }
  }
  if (row.isgbk != "0" && row.isgbk != "1") {
    problems.push_back(
        {"isgbk", "must be 0 or 1", false, RuleCheck::kZeroOrOne});
  }
  std::int64_t type = 0;
  if (!ReadInteger(row.type, &type)) {
    problems.push_back(
        {"type", "is not a whole number", false, RuleCheck::kWholeNumber});
  }
  CheckGroup("tindex", row.tindex, groups, problems);
  CheckGroup("idindex", row.idindex, groups, problems);
  if (row.after.empty()) {
    problems.push_back({"after",
                        "is empty: an empty end marker counts as found at "
                        "once, so the cut is always empty",
                        false, RuleCheck::kCutEmpty});
  }

  for (RuleProblem& problem : CheckRuleLimits(row)) {
    problems.push_back(std::move(problem));
  }

  if (row.id >= kFirstRuleId && row.id <= kLastRuleId &&
      HasSiteCleanUp(static_cast<int>(row.id))) {
    problems.push_back({"id",
                        "gets the clean-up of one particular site before "
                        "matching; ids " +
                            IdsWithoutCleanUp() + " get none",
                        true, RuleCheck::kSiteCleanUp});
  }
  std::int64_t id_group = 0;
  if (ReadInteger(row.idindex, &id_group)) {
    const std::string placeholder = "[" + std::to_string(id_group) + "]";
    if (FindText(row.pinurl, placeholder) < 1) {
      problems.push_back({"pinurl",
                          "lacks " + placeholder + ", where the post id goes",
                          true, RuleCheck::kLinkLacksId, placeholder});
    }
  }
  if (row.before.empty()) {
    problems.push_back({"before",
                        "is empty: the cut starts at the top of the page", true,
                        RuleCheck::kCutFromTop});
  }
  return problems;
}

}  // namespace dw
