#include "app/program.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>
#include <utility>

#include "app/desktop/data_location.h"
#include "app/desktop/desktop_session.h"
#include "app/desktop/end_signals.h"
#include "app/desktop/qt_translations.h"
#include "app/desktop/single_instance.h"
#include "app/windows/post_menu.h"
#include "app/windows/window_ops.h"
#include "collect/collection_round.h"
#include "collect/health_record.h"
#include "collect/pending_posts.h"
#include "collect/run_log.h"
#include "collect/saved_rules.h"
#include "runtime/system.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/ui_hooks.h"
#include "runtime/ui/ui_ops.h"
#include "store/post_history.h"
#include "store/reminder_settings.h"
#include "store/round_storage.h"
#include "store/rule_loader.h"

namespace dw {
namespace {

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

// The fixed "database missing" text, then where the program looked (and
// why the user's copy could not be made, when that was the trouble).
std::string MissingDatabaseText(const StartupOptions& options) {
  std::string text = kMissingDatabaseText;
  text += "\r\n\r\n" + QStringToGbk(QString::fromUtf8("查找过的位置："));
  for (const std::string& place : options.looked_in) {
    text += "\r\n" + QStringToGbk(QFile::decodeName(place.c_str()));
  }
  if (!options.problem.empty()) {
    text += "\r\n\r\n" +
            QStringToGbk(QString::fromLocal8Bit(options.problem.c_str()));
  }
  return text;
}

std::string UnreadableDatabaseText(const std::string& path,
                                   const std::string& reason) {
  return QStringToGbk(QString::fromUtf8("数据库文件 %1 无法读取：%2")
                          .arg(QFile::decodeName(path.c_str()),
                               QString::fromUtf8(reason.c_str())));
}

void Note(const std::string& line) {
  if (!line.empty()) std::cerr << "dealwatcher: " << line << std::endl;
}

// The program whose event loop runs, for an end that bypasses it: the
// window system's library ends the process with exit() when the display
// goes away, and only a handler run by exit() sees that end.
Program* g_running = nullptr;
constexpr int kExitJoinMs = 10 * 1000;

void EndAtExit() {
  Program* program = std::exchange(g_running, nullptr);
  if (!program) return;
  StopCollection(program->state);
  // The worker never waits on the GUI thread for long; one that does not
  // end still uses the state, which is then left alone.
  if (JoinThread(program->state.collection_worker, kExitJoinMs)) {
    SavePendingPosts(program->state);
  }
}

// Posts an earlier run could not store, kept in the journal, are stored
// before any round, each once; the status bar says what became of them.
// The GUI thread waits only a moment for a held database: what it refuses
// waits among the pending posts for the worker.
void ReplayWaitingPosts(Program& program) {
  constexpr int kReplayWaitMs = 300;
  JournalReplay replay;
  {
    const ShortBusyWait brief(program.state.database, kReplayWaitMs);
    replay = ReplayJournal(program.state);
  }
  if (replay.read == 0) return;
  const QString text =
      QString::fromUtf8("上次没能保存的 %1 条帖子：补存 %2 条，已存过 %3 条")
          .arg(replay.read)
          .arg(replay.stored)
          .arg(replay.found_stored) +
      (replay.waiting > 0
           ? QString::fromUtf8("，%1 条等数据库空闲再存").arg(replay.waiting)
           : QString());
  Note(text.toStdString());
  StatusSetText(program.main_window->Status(), 1, " " + QStringToGbk(text));
  program.view->ShowWaitingPosts(
      static_cast<int>(program.state.pending_posts.size()),
      program.state.refusal);
}

// The main window's created event: the window set-up and the database
// start-up, before the window is first shown.
bool OnMainWindowCreated(Program& program, const StartupOptions& options) {
  MainWindow* main = program.main_window.get();
  // A double-click on a link that cannot be opened says why, as the post
  // menu does, instead of nothing happening.
  ReminderWindowOptions reminder = options.reminder;
  if (!reminder.open_link) {
    reminder.open_link =
        [actions = StatusBarLinkActions(*main)](const std::string& link) {
          OpenLinkOrExplain(actions, link);
        };
  }
  program.reminder_window = std::make_unique<ReminderWindow>(reminder);
  LoadWindow(program.reminder_window.get(), nullptr, false);
  program.view =
      std::make_unique<WindowCollectView>(main, program.reminder_window.get());

  WriteProperty(main->PostList(), kPropLeft, 2);
  WriteProperty(main, kPropWidth, 660);
  // Deals go by in minutes: a watcher on a large screen gets the room it
  // is given, the narrowed size being the smallest.
  main->GrowFromCurrentSize();

  const MessageBoxFunction& message_box = options.message_box;
  const std::string& path = options.database_path;
  if (!FileExists(path)) {
    message_box(MissingDatabaseText(options), kErrorIcon,
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
  const bool loaded = LoadRules(state.database, state.record_set,
                                state.rule_table, *program.view) &&
                      LoadSettings(state.database, state.record_set,
                                   state.settings, state.keyword_list);
  // A file that opens but cannot be read (damaged, not a database, without
  // the rules) would otherwise give an empty window whose rounds do
  // nothing. A held file is no damage: the program starts, and a reload
  // reads the rules once it frees.
  if (!loaded && !DbLastFailureBusy(state.database)) {
    message_box(UnreadableDatabaseText(path, DbLastError(state.database)),
                kErrorIcon, std::string(kMissingDatabaseCaption));
    UnloadWindow(main);
    return false;
  }
  ApplyCollectSettings(state);
  ReplayWaitingPosts(program);
  state.health = LoadRuleHealth(state.database);
  for (const auto& [rule_id, health] : state.health) {
    program.view->Health().Set(rule_id, health);
  }

  // The history's own tables, and the posts stored without them indexed in
  // the background.
  const HistorySetUp history = PrepareHistory(state.database);
  PrepareRoundStorage(state.database);
  if (!history.problem.empty()) Note(history.problem);
  HistoryWindowOptions history_options;
  history_options.database_path = path;
  history_options.links = StatusBarLinkActions(*main);
  history_options.use_index = history.search_index;
  history_options.problem = QString::fromStdString(history.problem);
  history_options.take_write_damage = [&state] {
    return state.history_write_damaged.exchange(false);
  };
  program.history_window =
      std::make_unique<HistoryWindow>(std::move(history_options));
  // Also without the tables: their upkeep makes them once the file frees.
  program.history_window->StartCatchUp();
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
  program.rules =
      std::make_unique<RulesController>(state, *program.main_window, view);
  RulesController& rules = *program.rules;
  MainWindowActions actions;
  actions.start_collection = [&state, &view, &rules,
                              button = program.main_window->StartButton()] {
    rules.BeforeStart();
    // Events ran while the start waited for the last worker: a pause
    // clicked meanwhile wins, or a worker would run under "开始".
    if (button->text() != QString::fromUtf8("暂停")) return;
    StartCollection(state, view);
  };
  actions.stop_collection = [&state, &rules] {
    StopCollection(state);
    rules.AfterStop();
  };
  actions.open_rules = [&rules] { rules.OpenWindow(); };

  // Reminders the user chose. Our own table is made at the first save:
  // until then the file stays as it was delivered.
  Reminders::Links links;
  links.main = program.main_window.get();
  links.view = &view;
  links.rules = &rules;
  links.log_path = LogPathBeside(state.database_path);
  links.quit = [] { QCoreApplication::exit(0); };
  links.history = [history = program.history_window.get()] { history->Open(); };
  program.reminders = std::make_unique<Reminders>(std::move(links));
  Reminders* reminders = program.reminders.get();
  reminders->Apply(ReadReminderSettings(state.database));
  rules.OnRemindersSaved(
      [reminders](const ReminderSettings& s) { reminders->Apply(s); });
  actions.hide_on_close = [reminders] { return reminders->HideOnClose(); };
  actions.open_history = [history = program.history_window.get()] {
    history->Open();
  };
  actions.open_link = [links = StatusBarLinkActions(*program.main_window)](
                          const std::string& link) {
    OpenLinkOrExplain(links, link);
  };
  program.main_window->SetActions(std::move(actions));
  AddPostMenus(*program.main_window, *program.reminder_window);
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
  // Posts the database refused until the end get one more try, and the
  // log keeps those it still refuses.
  SavePendingPosts(program.state);
  program.reminders.reset();
  program.rules.reset();
  program.history_window.reset();  // ends its catch-up first
  program.view.reset();
  program.reminder_window.reset();
  program.main_window.reset();
  ReleaseProgramState(program.state);
}

namespace {

// Where the database is and where else was looked: the file named on the
// command line, or the one the data places give.
StartupOptions StartupOptionsFor(const std::string& database,
                                 const DataPlaces& places, DataChoice choice) {
  StartupOptions options;
  options.database_path =
      database.empty() ? ChosenPath(choice, places) : database;
  options.looked_in =
      database.empty() ? LookedAt(places) : std::vector<std::string>{database};
  const std::string log = LogPathBeside(options.database_path);
  if (IsSymbolicLink(log)) {
    Note("the log " + log +
         " is a symbolic link, which is not followed: nothing is logged");
  }
  return options;
}

// Settled before the display is opened, so a second start ends at once.
// A file named on the command line that is not there gets the "database
// missing" box and no lock, and no folder is made for it. The exit code
// when this start ends here.
std::optional<int> ClaimDatabase(DataChoice choice,
                                 const StartupOptions& options,
                                 std::unique_ptr<SingleInstance>& instance) {
  if (choice == DataChoice::kCreatePerUser) {
    std::error_code ignored;
    MakePrivateFolders(
        std::filesystem::path(options.database_path).parent_path().string(),
        ignored);
  }
  if (choice == DataChoice::kCreatePerUser ||
      FileExists(options.database_path)) {
    instance = std::make_unique<SingleInstance>(options.database_path);
    const SingleInstance::Claim claim = instance->TakeOver();
    Note(claim.note);
    if (claim.outcome == SingleInstance::Outcome::kHandedOver) return 0;
    if (claim.outcome == SingleInstance::Outcome::kBlocked) return 1;
  }
  return std::nullopt;
}

void PrepareApplication(QApplication& app, bool chose_x11,
                        const std::string& directory,
                        SingleInstance* instance) {
  InstallQtTranslations(app);
  FinishDesktopSession(chose_x11);
  app.setQuitOnLastWindowClosed(false);
  SetProgramIcon();
  InstallRuntimeUiHooks();
  std::error_code ignored;
  std::filesystem::current_path(directory, ignored);
  if (instance && !instance->Listen()) {
    Note("cannot listen on " + instance->SocketPath().toStdString() +
         "; a second start will not find this one");
  }
}

// The user's own copy from the installed template; no database when it
// could not be made.
void CreatePerUserDatabase(DataChoice choice, const DataPlaces& places,
                           StartupOptions& options) {
  if (choice != DataChoice::kCreatePerUser) return;
  if (CreateFromTemplate(places.installed_template, options.database_path,
                         &options.problem)) {
    Note("created " + options.database_path + " from " +
         places.installed_template);
  } else {
    options.database_path.clear();
  }
}

// The main window tied to a second start and to the ways the program
// ends, then shown, and the collection started when asked to.
void ShowMainWindow(QApplication& app, Program& program,
                    SingleInstance* instance, EndSignals& end_signals,
                    bool start) {
  MainWindow* main = program.main_window.get();
  if (instance) {
    QObject::connect(instance, &SingleInstance::RaiseRequested, main,
                     [main] { BringToFront(main); });
  }
  // exit, not quit: quit first asks every window to close and gives up when
  // one declines (the reminder window only hides), which would leave the
  // program running while the rules window is open.
  QObject::connect(main, &MainWindow::Closed, &app,
                   [] { QCoreApplication::exit(0); });
  // A signal to end takes the same way out as a closed window.
  QObject::connect(&end_signals, &EndSignals::EndRequested, &app,
                   [](int number) { QCoreApplication::exit(128 + number); });
  static const bool at_exit_set = std::atexit(EndAtExit) == 0;
  if (!at_exit_set) Note("cannot keep unsaved posts if the display goes away");
  main->show();
  if (start || program.reminders->Settings().start_on_launch) {
    main->StartButton()->click();
  }
}

}  // namespace

int RunProgram(int argc, char** argv, const std::string& database, bool start) {
  const bool chose_x11 = PrepareDesktopSession();
  const std::string directory = ProgramDirectory();
  const DataPlaces places = FindDataPlaces(directory);
  const DataChoice choice = database.empty()
                                ? ChooseDatabase(places, FileExists)
                                : DataChoice::kPortable;
  StartupOptions options = StartupOptionsFor(database, places, choice);
  std::unique_ptr<SingleInstance> instance;
  if (const std::optional<int> code =
          ClaimDatabase(choice, options, instance)) {
    return *code;
  }

  QApplication app(argc, argv);
  PrepareApplication(app, chose_x11, directory, instance.get());
  CreatePerUserDatabase(choice, places, options);
  Program program;
  if (!StartProgram(program, options)) {
    EndProgram(program);
    instance.reset();  // its socket goes before the application object
    return 0;
  }
  EndSignals end_signals;
  ShowMainWindow(app, program, instance.get(), end_signals, start);
  g_running = &program;
  const int code = app.exec();
  g_running = nullptr;
  EndProgram(program);
  instance.reset();
  return code;
}

}  // namespace dw
