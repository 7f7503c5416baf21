// The one set of rule checks, made by the import, the rules window and the
// learner before a rule is saved or offered. Text is GBK, as stored.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "store/rule_row.h"

namespace dw {

// Which check a problem comes from, so that a window can say it in its own
// words without reading the message.
enum class RuleCheck {
  kOther,           // the message is all there is
  kIdRange,         // the id lies outside kFirstRuleId..kLastRuleId
  kWholeNumber,     // not a whole number
  kGroupRange,      // a group number beyond the pattern's; detail: the count
  kHttpAddress,     // the address is not http(s)
  kEmpty,           // empty where text is needed
  kPatternRefused,  // the pattern engine would never finish reading it
  kPatternCompile,  // the pattern does not compile
  kZeroOrOne,       // must be 0 or 1
  kSiteCleanUp,     // warning: the id gets a site clean-up before matching
  kLinkLacksId,     // warning: the link template lacks detail, the id's place
  kCutFromTop,      // warning: an empty start marker cuts from the top
  kCutEmpty,        // an empty end marker leaves the cut always empty
  kTooLong,         // longer than any rule needs; detail: the limit in bytes
  kZeroByte,        // holds a zero byte
};

// One thing wrong with a rule: `column` names the field (one of
// kRuleColumns); a warning does not stop a save or an import.
struct RuleProblem {
  std::string column;
  std::string message;  // UTF-8, the command line's words
  bool warning = false;
  RuleCheck check = RuleCheck::kOther;
  std::string detail;        // the one value the check's words need, if any
  std::size_t position = 0;  // the 1-based character it points at, if any
};

// The checks the import and the rules window both make, errors first in
// column order, then warnings. Text is GBK here; the import reports text
// that cannot be written in GBK itself, before it builds the row.
std::vector<RuleProblem> CheckRule(const RuleRow& row);

// Only the checks of size and of zero bytes: a row over them is never run,
// however it came into the file.
std::vector<RuleProblem> CheckRuleLimits(const RuleRow& row);

// The number of capturing groups in a Perl-syntax pattern, read from its
// text (named groups count, "(?:", look-arounds and comments do not).
int PatternGroupCount(const std::string& pattern);

}  // namespace dw
