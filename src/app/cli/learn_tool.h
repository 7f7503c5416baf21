// The command line's rule learning: a new rule from example titles and a
// mended rule from stored posts. Same conventions as the probe.
#pragma once

#include <ostream>

#include "app/cli/command_line.h"

namespace dw {

// --learn-rule URL --example TITLE [--example TITLE ...] [--page FILE] [--json]
int LearnRuleTool(const ToolRequest& request, std::ostream& out,
                  std::ostream& err);

// --repair-rule RULE_ID [--page FILE] [--json]
int RepairRuleTool(const ToolRequest& request, std::ostream& out,
                   std::ostream& err);

}  // namespace dw
