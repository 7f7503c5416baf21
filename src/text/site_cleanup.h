// The clean-up some sites' pages need before a rule's pattern runs, chosen
// by rule id. The steps below are the one description of it: the chain runs
// them, and the editor says from them what an id's clean-up removes.
#pragma once

#include <span>
#include <string>

namespace dw {

struct CleanUpStep {
  bool by_pattern;          // a Perl-syntax pattern, else plain text
  const char* find;         // ASCII
  const char* replacement;  // ASCII
};

// The steps of `rule_id`'s clean-up in the order they run; empty for an id
// that gets none.
std::span<const CleanUpStep> SiteCleanUpSteps(int rule_id);

inline bool HasSiteCleanUp(int rule_id) {
  return !SiteCleanUpSteps(rule_id).empty();
}

// `page` after every step of `rule_id`'s clean-up.
std::string SiteCleanUp(int rule_id, std::string page);

// The community of rule 6 moved from this group number to the next one; old
// links on its page still carry the former.
inline constexpr char kFormerGroupNumber[] = "4217";
inline constexpr char kCurrentGroupNumber[] = "4305";

}  // namespace dw
