// The rule tools of the command line: each reads the database named by the
// request (RunTool fills in the default), prints UTF-8 to `out` (results) and
// `err` (problems) and returns the exit status (see command_line.h).
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "app/cli/command_line.h"
#include "runtime/database.h"
#include "store/rule_row.h"

namespace dw {

// --probe RULE_ID [--page FILE] [--json]
int ProbeTool(const ToolRequest& request, std::ostream& out, std::ostream& err);

// --export-rules FILE
int ExportRulesTool(const ToolRequest& request, std::ostream& out,
                    std::ostream& err);

// --import-rules FILE
int ImportRulesTool(const ToolRequest& request, std::ostream& out,
                    std::ostream& err);

// --search TEXT [--json]
int SearchTool(const ToolRequest& request, std::ostream& out,
               std::ostream& err);

// Shared by the tools.

// Program text on its way out: GBK to UTF-8, exactly, or nothing when the
// bytes are not GBK.
std::optional<std::string> ToUtf8(const std::string& gbk);
// For showing only: what is not GBK becomes U+FFFD.
std::string ShowUtf8(const std::string& gbk);
// One rule as a JSON object, every column as --export-rules writes it and
// each setting off its default ("json_strings": 1); false, with a line on
// `err` per column, when a cell is not GBK text. The import reads it back.
bool WriteRuleJson(const RuleRow& row, std::ostream& json, std::ostream& err);
// `utf8` as a JSON string, quotes included.
std::string JsonString(const std::string& utf8);
// The whole file, or standard input for "-"; false when it cannot be read.
bool ReadFile(const std::string& path, std::string* bytes);
// Opens the request's database (never creating it); false, with one line on
// `err`, when it cannot.
bool OpenDatabase(const ToolRequest& request, Database& db, std::ostream& err);
// The bytes of --page into `page` (left alone without one); false, with one
// line on `err`, when the file cannot be read.
bool ReadPage(const ToolRequest& request, std::optional<std::string>* page,
              std::ostream& err);
// The stored row of the request's rule id; nothing, with one line on `err`
// saying whether the rule is missing or the rules unreadable, and why.
std::optional<RuleRow> ToolRule(const ToolRequest& request, Database& db,
                                std::ostream& err);

}  // namespace dw
