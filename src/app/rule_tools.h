// The rule tools of the command line: each reads the database named by the
// request (RunTool fills in the default), prints UTF-8 to `out` (results) and
// `err` (problems) and returns the exit status (see command_line.h).
#pragma once

#include <ostream>

#include "app/command_line.h"

namespace dw {

// --probe RULE_ID [--page FILE] [--json]
int ProbeTool(const ToolRequest& request, std::ostream& out, std::ostream& err);

// --export-rules FILE
int ExportRulesTool(const ToolRequest& request, std::ostream& out,
                    std::ostream& err);

// --import-rules FILE
int ImportRulesTool(const ToolRequest& request, std::ostream& out,
                    std::ostream& err);

}  // namespace dw
