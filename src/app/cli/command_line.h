// The program's command line: one table of options, read before any
// application object exists, so that the rule tools and --help need no
// display. Without a tool option the program opens its windows.
//
// The hidden option --man-page prints a roff manual page (section 1) built
// from the same table as --help; the install step runs the built program
// with it to write share/man/man1/dealwatcher.1.
#pragma once

#include <QStringList>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace dw {

enum class ToolAction {
  kWindows,  // no tool option: the program starts as usual
  kHelp,
  kVersion,
  kManPage,
  kProbe,
  kExportRules,
  kImportRules,
  kSearch,
  kLearnRule,
  kRepairRule,
  kUsageError,  // `error` says why; exit status 2
};

struct ToolRequest {
  ToolAction action = ToolAction::kWindows;
  bool windows = true;  // action == kWindows
  // --db made absolute; empty: the default, DefaultDatabasePath() of
  // app/desktop/data_location.h, settled only by a tool that opens it.
  std::string database;
  std::string error;   // UTF-8, one line, for kUsageError
  bool start = false;  // --start: collecting starts with the windows

  int rule_id = 0;                       // --probe, --repair-rule
  std::optional<std::string> page_file;  // --page
  bool json = false;                     // --json
  std::string rules_file;                // --export-rules, --import-rules
  std::string search_text;               // --search, UTF-8
  std::string learn_url;                 // --learn-rule
  std::vector<std::string> examples;     // --example, UTF-8
};

// Exit statuses of the tools.
inline constexpr int kToolOk = 0;
inline constexpr int kToolFailed = 1;      // a rule step failed, or bad rules
inline constexpr int kToolUsageError = 2;  // usage or database error

// Reads the command line (arguments after the program name, UTF-8 or the
// locale's encoding). Never exits, prints nothing and needs no application
// object.
ToolRequest ParseToolRequest(const QStringList& arguments);
ToolRequest ParseToolRequest(int argc, char** argv);

// Runs the tool the request names, printing results to `out` and problems
// to `err` (UTF-8). Returns the exit status. Needs a QCoreApplication for the
// tools that fetch pages; nothing here needs a display.
int RunTool(const ToolRequest& request, std::ostream& out, std::ostream& err);

// The texts built from the option table.
std::string HelpText();
std::string ManPage();

}  // namespace dw
