#pragma once

#include <string>

#include "collect/worker_context.h"

namespace dw {

// Fetches the rule's page, cuts and tidies it, finds its posts with the
// rule's pattern and hands each new one to HandlePost, the last on the page
// first. A rule id without a row in the rule table does nothing.
void CollectRule(WorkerContext& ctx, int rule_id);

// The clean-up some sites' pages need before the rule's pattern runs,
// chosen by rule id.
std::string SiteCleanUp(int rule_id, std::string page);

// The community of rule 6 moved from this group number to the next one; old
// links on its page still carry the former.
inline constexpr char kFormerGroupNumber[] = "4217";
inline constexpr char kCurrentGroupNumber[] = "4305";

}  // namespace dw
