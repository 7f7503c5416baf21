#include "app/program.h"

#include <QApplication>
#include <filesystem>
#include <system_error>

#include "app/window_ops.h"
#include "collect/collection_round.h"
#include "runtime/system.h"
#include "runtime/ui/ui_hooks.h"
#include "runtime/ui/ui_ops.h"
#include "store/rule_loader.h"

namespace dw {
namespace {

const char kDatabaseName[] = "qel6.sdb";
const char kMissingDatabaseText[] =
    "\xCA\xFD\xBE\xDD\xBF\xE2\xCE\xC4\xBC\xFE qel6.sdb "  // 数据库文件
    "\xC8\xB1\xCA\xA7\xA3\xAC\xCE\xDE\xB7\xA8\xB9\xA4\xD7\xF7\xA3\xA1"  // 缺失，无法工作！
    "\r\n\r\n\r\n"
    "\xC7\xEB\xB5\xBD\xCF\xC2\xD4\xD8\xCD\xEA\xD5\xFB\xB0\xE6\xB1\xBE"
    "\xA3\xA1";  // 请到下载完整版本！
const char kMissingDatabaseCaption[] =
    "\xC6\xF4\xB6\xAF\xCA\xA7\xB0\xDC";  // 启动失败
const char kOpenFailedText[] =
    "\xCA\xFD\xBE\xDD\xBF\xE2\xB4\xF2\xBF\xAA\xCA\xA7\xB0\xDC\xA3\xA1";  // 数据库打开失败！
constexpr int kErrorIcon = 0x10;

// The main window's created event: the window set-up and the database
// start-up, before the window is first shown.
bool OnMainWindowCreated(Program& program, const StartupOptions& options) {
  MainWindow* main = program.main_window.get();
  program.reminder_window = std::make_unique<ReminderWindow>(options.reminder);
  LoadWindow(program.reminder_window.get(), nullptr, false);
  program.view =
      std::make_unique<WindowCollectView>(main, program.reminder_window.get());

  WriteProperty(main->PostList(), kPropLeft, 2);
  WriteProperty(main, kPropMaximizeButton, false);
  WriteProperty(main, kPropWidth, 660);

  const MessageBoxFunction& message_box = options.message_box;
  const std::string path =
      options.program_directory + "/" + std::string(kDatabaseName);
  if (!FileExists(path)) {
    message_box(kMissingDatabaseText, kErrorIcon,
                std::string(kMissingDatabaseCaption));
    UnloadWindow(main);
    return false;
  }
  ProgramState& state = program.state;
  if (!DbOpen(state.database, path, /*create=*/false)) {
    message_box(kOpenFailedText, 0, std::nullopt);
    UnloadWindow(main);
    return false;
  }
  state.database_path = path;
  state.first_round = true;
  LoadRules(state.database, state.record_set, state.rule_table, *program.view);
  LoadSettings(state.database, state.record_set, state.settings,
               state.keyword_list);
  return true;
}

}  // namespace

bool StartProgram(Program& program, const StartupOptions& given) {
  StartupOptions options = given;
  if (!options.message_box) {
    options.message_box = [](const std::string& text, int style,
                             const std::optional<std::string>& caption) {
      return ShowMessageBox(text, style, caption);
    };
  }
  program.main_window = std::make_unique<MainWindow>();
  LoadWindow(program.main_window.get(), nullptr, false);
  if (!OnMainWindowCreated(program, options)) return false;

  ProgramState& state = program.state;
  WindowCollectView& view = *program.view;
  MainWindowActions actions;
  actions.start_collection = [&state, &view] { StartCollection(state, view); };
  actions.stop_collection = [&state] { StopCollection(state); };
  program.main_window->SetActions(std::move(actions));
  return true;
}

void ReleaseProgramState(ProgramState& state) {
  state.chosen_rules.clear();
  state.rule_table = RuleTable();
  state.seen_ids = SeenIds();
  state.keyword_list.clear();
  RsClose(state.record_set);
  DbClose(state.database);
  state.settings.tx_wxkey.clear();
}

void EndProgram(Program& program) {
  // Nothing may still use the state or the windows when they go. The
  // worker is waited for with events running: it may be waiting on this
  // thread itself (a runtime-error box it raised).
  StopCollection(program.state);
  JoinThreadDispatching(program.state.collection_worker);
  program.view.reset();
  program.reminder_window.reset();
  program.main_window.reset();
  ReleaseProgramState(program.state);
}

int RunProgram(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  InstallRuntimeUiHooks();
  const std::string directory = ProgramDirectory();
  std::error_code ignored;
  std::filesystem::current_path(directory, ignored);

  Program program;
  StartupOptions options;
  options.program_directory = directory;
  if (!StartProgram(program, options)) {
    EndProgram(program);
    return 0;
  }
  QObject::connect(program.main_window.get(), &MainWindow::Closed, &app,
                   &QApplication::quit);
  program.main_window->show();
  app.exec();
  EndProgram(program);
  return 0;
}

}  // namespace dw
