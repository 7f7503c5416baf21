#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/reminders.h"
#include "app/rules_controller.h"
#include "app/window_collect_view.h"
#include "app/windows/history_window.h"
#include "app/windows/main_window.h"
#include "app/windows/reminder_window.h"
#include "collect/program_state.h"

namespace dw {

// Everything the program owns from start-up to its end. The program-wide
// state comes first: it exists before any window and outlives them.
struct Program {
  ProgramState state;
  std::unique_ptr<MainWindow> main_window;
  std::unique_ptr<ReminderWindow> reminder_window;
  std::unique_ptr<WindowCollectView> view;
  std::unique_ptr<RulesController> rules;
  std::unique_ptr<Reminders> reminders;
  std::unique_ptr<HistoryWindow> history_window;
};

using MessageBoxFunction =
    std::function<int(const std::string& text, int style,
                      const std::optional<std::string>& caption)>;

struct StartupOptions {
  // The database to open; empty when none was found.
  std::string database_path;
  // Where qel6.sdb was looked for, named in the "database missing" box, and
  // why the user's copy could not be made when that failed.
  std::vector<std::string> looked_in;
  std::string problem;
  MessageBoxFunction message_box;  // ShowMessageBox when empty
  ReminderWindowOptions reminder;
};

// Loads both windows and, before the main window is first shown, checks
// for and opens the database and loads the rules and settings. True when
// the main window is ready to show; false when start-up told the user why
// it cannot go on (exactly one message box) and the program must end.
bool StartProgram(Program& program, const StartupOptions& options);

// The end of the program: stops and waits for the collection worker, ends
// the count-down, destroys the windows and releases the program-wide state
// in its fixed order. Safe to call more than once.
void EndProgram(Program& program);

// Releases the program-wide state: the chosen rules, the rule table, the
// seen ids, the keywords, the record set's statement, the database
// connection, then the settings' text. No worker may be running.
void ReleaseProgramState(ProgramState& state);

// The whole life of the process; returns its exit code. `database` is the
// file named on the command line; empty to use the portable or the
// per-user one. `start`: collecting starts as soon as the window shows.
int RunProgram(int argc, char** argv, const std::string& database = {},
               bool start = false);

}  // namespace dw
