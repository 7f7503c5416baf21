#include "app/cli/command_line.h"

#include <QCommandLineParser>
#include <filesystem>
#include <sstream>
#include <system_error>
#include <vector>

#include "app/cli/learn_tool.h"
#include "app/cli/probe_tool.h"
#include "app/desktop/data_location.h"

#ifndef DW_VERSION
#define DW_VERSION "1.0.0"
#endif

namespace dw {
namespace {

const char kProgramName[] = "dealwatcher";

// One option of the program. `value` names its argument (nullptr: a flag);
// `example` is shown under it in the manual page.
struct OptionSpec {
  const char* name;
  const char* value;
  const char* help;
  const char* example;
  bool hidden = false;
};

// Every option, in the order --help and the manual page list them.
const OptionSpec kOptions[] = {
    {"help", nullptr, "Show this help and exit.", "dealwatcher --help"},
    {"version", nullptr, "Show the version and exit.", "dealwatcher --version"},
    {"db", "FILE",
     "Use the database FILE instead of the one the windows open by default. "
     "Applies to the windows and to every tool.",
     "dealwatcher --db ~/rules-test.sdb --export-rules -"},
    {"start", nullptr,
     "Start collecting as soon as the window shows, as the start button "
     "would (the setting 启动时开始采集 does the same on every start).",
     "dealwatcher --start"},
    {"probe", "RULE_ID",
     "Run the rule once through the same chain a collection round uses (the "
     "rule need not be ticked) and print every step: fetch, cut, pattern, the "
     "first failing step, then each post found with its id, title, link and "
     "whether its link is already stored. Writes nothing. Exit status 0 when "
     "the rule found posts, 1 when a step failed.",
     "dealwatcher --probe 9"},
    {"learn-rule", "URL",
     "Propose up to three rules for the list page at URL that find the posts "
     "titled by --example (a feed needs none), best first, each with the "
     "posts it finds. Writes nothing. Exit status 0 when a rule was "
     "proposed, 1 when none.",
     "dealwatcher --learn-rule https://bbs.example/forum-2-1.html --example "
     "\"Cheap monitor\""},
    {"example", "TITLE",
     "With --learn-rule: the title of one post as the page shows it; give it "
     "once or twice. A title ending in ... stands for its beginning.",
     "dealwatcher --learn-rule URL --example \"First title\" --example "
     "\"Second...\""},
    {"repair-rule", "RULE_ID",
     "Propose a mended rule for a rule that stopped finding posts, from the "
     "rule's newest stored posts found again on its page, keeping what of "
     "the rule still works; tells how many stored posts a proposal would "
     "announce again. Writes nothing. Exit status as --learn-rule.",
     "dealwatcher --repair-rule 9"},
    {"page", "FILE",
     "With --probe, --learn-rule or --repair-rule: take the page from FILE "
     "instead of fetching it (for --probe the rule's isgbk still decides how "
     "it is decoded; for --learn-rule URL is then only the rule's address "
     "and the base of its links).",
     "dealwatcher --probe 9 --page slickdeals-frontpage.xml"},
    {"json", nullptr,
     "With --probe, --learn-rule, --repair-rule or --search: print the "
     "result as one JSON object.",
     "dealwatcher --probe 7 --json"},
    {"export-rules", "FILE",
     "Write every rule (every column, unloaded rules too) to FILE as a UTF-8 "
     "JSON array ordered by id; - writes to standard output.",
     "dealwatcher --export-rules rules.json"},
    {"import-rules", "FILE",
     "Check the rules in FILE (as --export-rules writes them) and insert or "
     "replace them by id, all in one transaction. Any error writes nothing "
     "and prints one line per problem (exit status 1); warnings are printed "
     "and the import goes on. A running program sees the change at its next "
     "start.",
     "dealwatcher --import-rules rules.json"},
    {"search", "TEXT",
     "Print the stored posts whose titles hold every word of TEXT (Chinese "
     "or not, letters in any case), newest first: the first 100 and how many "
     "there are in all. An empty TEXT lists the newest posts. Posts stored "
     "by an earlier version or another program are indexed first. Exit "
     "status 0 whatever it found.",
     "dealwatcher --search 'ç»¿è¶' --json"},
    {"man-page", nullptr, "Print this manual page in roff and exit.",
     "dealwatcher --man-page > dealwatcher.1", /*hidden=*/true},
};

struct ToolOption {
  const char* name;
  ToolAction action;
};
const ToolOption kTools[] = {
    {"probe", ToolAction::kProbe},
    {"export-rules", ToolAction::kExportRules},
    {"import-rules", ToolAction::kImportRules},
    {"search", ToolAction::kSearch},
    {"learn-rule", ToolAction::kLearnRule},
    {"repair-rule", ToolAction::kRepairRule},
    {"man-page", ToolAction::kManPage},
};

ToolRequest UsageError(ToolRequest request, const QString& error) {
  request.action = ToolAction::kUsageError;
  request.windows = false;
  request.error = error.toStdString();
  return request;
}

std::string Absolute(const QString& path) {
  std::error_code ignored;
  const std::filesystem::path given(path.toStdString());
  const std::filesystem::path full = std::filesystem::absolute(given, ignored);
  return full.empty() ? given.string() : full.string();
}

// Escapes what roff would read as a request or an escape.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

// `text` broken into lines of at most kHelpWidth columns, each indented.
std::string Wrapped(const std::string& text, const std::string& indent) {
  constexpr size_t kHelpWidth = 78;
  std::istringstream words(text);
  std::string out, line, word;
  while (words >> word) {
    if (!line.empty() &&
        indent.size() + line.size() + 1 + word.size() > kHelpWidth) {
      out += indent + line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  return out + indent + line + "\n";
}

std::string Synopsis(const OptionSpec& option) {
  std::string text = std::string("--") + option.name;
  if (option.value) text += std::string(" ") + option.value;
  return text;
}

}  // namespace

ToolRequest ParseToolRequest(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const OptionSpec& option : kOptions) {
    QStringList names{QString::fromLatin1(option.name)};
    if (QLatin1String(option.name) == QLatin1String("help")) names << "h";
    parser.addOption(option.value
                         ? QCommandLineOption(names, option.help, option.value)
                         : QCommandLineOption(names, option.help));
  }
  ToolRequest request;
  if (!parser.parse(QStringList{kProgramName} + arguments)) {
    return UsageError(request, parser.errorText());
  }
  if (parser.isSet("help"))
    request.action = ToolAction::kHelp;
  else if (parser.isSet("version"))
    request.action = ToolAction::kVersion;
  request.windows = request.action == ToolAction::kWindows;
  if (!request.windows) return request;

  if (!parser.positionalArguments().isEmpty()) {
    return UsageError(request, "unexpected argument: " +
                                   parser.positionalArguments().first());
  }
  if (parser.isSet("db")) {
    if (parser.value("db").isEmpty()) {
      return UsageError(request, "--db needs a file name");
    }
    request.database = Absolute(parser.value("db"));
  }
  for (const ToolOption& tool : kTools) {
    if (!parser.isSet(tool.name)) continue;
    if (request.action != ToolAction::kWindows) {
      return UsageError(request, QString("--%1 cannot be used with another "
                                         "tool option")
                                     .arg(tool.name));
    }
    request.action = tool.action;
  }
  request.start = parser.isSet("start");
  if (request.start && request.action != ToolAction::kWindows) {
    return UsageError(request, "--start works only without a tool option");
  }
  const bool reads_page = request.action == ToolAction::kProbe ||
                          request.action == ToolAction::kLearnRule ||
                          request.action == ToolAction::kRepairRule;
  if (parser.isSet("page") && !reads_page) {
    return UsageError(request,
                      "--page works only with --probe, --learn-rule or "
                      "--repair-rule");
  }
  if (parser.isSet("json") && !reads_page &&
      request.action != ToolAction::kSearch) {
    return UsageError(request,
                      "--json works only with --probe, --learn-rule, "
                      "--repair-rule or --search");
  }
  if (parser.isSet("example") && request.action != ToolAction::kLearnRule) {
    return UsageError(request, "--example works only with --learn-rule");
  }
  if (reads_page) {
    if (parser.isSet("page"))
      request.page_file = Absolute(parser.value("page"));
    request.json = parser.isSet("json");
  }
  switch (request.action) {
    case ToolAction::kProbe:
    case ToolAction::kRepairRule: {
      const QString option =
          request.action == ToolAction::kProbe ? "probe" : "repair-rule";
      bool number = false;
      request.rule_id = parser.value(option).toInt(&number);
      if (!number) {
        return UsageError(request, "--" + option +
                                       " needs a rule id, a whole number, "
                                       "not \"" +
                                       parser.value(option) + "\"");
      }
      break;
    }
    case ToolAction::kLearnRule: {
      request.learn_url = parser.value("learn-rule").toStdString();
      if (request.learn_url.empty()) {
        return UsageError(request, "--learn-rule needs the page's address");
      }
      for (const QString& example : parser.values("example")) {
        request.examples.push_back(example.toStdString());
      }
      break;
    }
    case ToolAction::kExportRules:
    case ToolAction::kImportRules: {
      const QString file = parser.value(
          request.action == ToolAction::kExportRules ? "export-rules"
                                                     : "import-rules");
      if (file.isEmpty()) return UsageError(request, "a file name is needed");
      request.rules_file = file == "-" ? "-" : Absolute(file);
      break;
    }
    case ToolAction::kSearch:
      request.search_text = parser.value("search").toStdString();
      request.json = parser.isSet("json");
      break;
    default:
      break;
  }
  request.windows = request.action == ToolAction::kWindows;
  return request;
}

ToolRequest ParseToolRequest(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return ParseToolRequest(arguments);
}

std::string HelpText() {
  std::ostringstream text;
  text << "Usage: " << kProgramName << " [--db FILE] [TOOL]\n\n"
       << "Watches bargain sites for new posts. Without a tool option the "
          "windows open;\nwith one, the tool runs without a display and the "
          "program exits.\n\nOptions:\n";
  for (const OptionSpec& option : kOptions) {
    if (option.hidden) continue;
    text << "  " << Synopsis(option) << "\n" << Wrapped(option.help, "      ");
  }
  text << "\nExit status: 0 done (the probed rule found posts, a rule was "
          "proposed), 1 a rule\nstep failed, no rule could be proposed or "
          "the rules to import have errors, 2 a\nusage or database error.\n";
  return text.str();
}

std::string ManPage() {
  std::ostringstream page;
  page << ".TH DEALWATCHER 1 \"\" \"dealwatcher " DW_VERSION
          "\" "
          "\"User Commands\"\n"
       << ".SH NAME\ndealwatcher \\- watch bargain sites for new posts\n"
       << ".SH SYNOPSIS\n.B dealwatcher\n[\\fB\\-\\-db\\fR \\fIFILE\\fR] "
          "[\\fITOOL\\fR]\n"
       << ".SH DESCRIPTION\nWithout a tool option the program opens its "
          "windows and watches the ticked rules of its database. With one of "
          "the options below it runs that tool without a display, prints "
          "UTF\\-8 text and exits.\n"
       << ".SH OPTIONS\n";
  for (const OptionSpec& option : kOptions) {
    if (option.hidden) continue;
    page << ".TP\n.B " << Roff(Synopsis(option)) << "\n"
         << Roff(option.help) << "\n.RS\n.nf\n"
         << Roff(option.example) << "\n.fi\n.RE\n";
  }
  page << ".SH EXIT STATUS\n0 done (the probed rule found posts, a rule was "
          "proposed); 1 a rule step failed, no rule could be proposed or the "
          "rules to import have errors; 2 a usage or database error.\n"
       << ".SH FILES\n.TP\n.I qel6.sdb\nThe database: rules, settings and "
          "stored posts (text in GBK). Beside the program when it stands "
          "there (portable); otherwise "
          "\\fI$XDG_DATA_HOME/dealwatcher/qel6.sdb\\fR (by default "
          "\\fI~/.local/share/dealwatcher/qel6.sdb\\fR), copied from "
          "\\fIshare/dealwatcher/qel6.sdb\\fR of the installation on the "
          "first start.\n.TP\n.I qel6.sdb.lock\nHeld by the program "
          "running on the database beside it.\n.TP\n.I qel6.log\nOne line "
          "per rule run, beside the database in use and named after it.\n";
  return page.str();
}

int RunTool(const ToolRequest& request, std::ostream& out, std::ostream& err) {
  switch (request.action) {
    case ToolAction::kHelp:
      out << HelpText();
      return kToolOk;
    case ToolAction::kVersion:
      out << kProgramName << " " << DW_VERSION << "\n";
      return kToolOk;
    case ToolAction::kManPage:
      out << ManPage();
      return kToolOk;
    case ToolAction::kProbe:
    case ToolAction::kExportRules:
    case ToolAction::kImportRules:
    case ToolAction::kSearch:
    case ToolAction::kLearnRule:
    case ToolAction::kRepairRule: {
      // The windows' database, made from the template on first use as they
      // would make it.
      ToolRequest tool = request;
      if (tool.database.empty()) tool.database = DefaultDatabasePath();
      if (tool.action == ToolAction::kProbe) return ProbeTool(tool, out, err);
      if (tool.action == ToolAction::kSearch) return SearchTool(tool, out, err);
      if (tool.action == ToolAction::kLearnRule) {
        return LearnRuleTool(tool, out, err);
      }
      if (tool.action == ToolAction::kRepairRule) {
        return RepairRuleTool(tool, out, err);
      }
      if (tool.action == ToolAction::kExportRules) {
        return ExportRulesTool(tool, out, err);
      }
      return ImportRulesTool(tool, out, err);
    }
    case ToolAction::kWindows:
    case ToolAction::kUsageError:
      break;
  }
  std::string error =
      request.error.empty() ? "no tool option given" : request.error;
  if (error.ends_with('.')) error.pop_back();
  err << kProgramName << ": " << error << " (see " << kProgramName
      << " --help)\n";
  return kToolUsageError;
}

}  // namespace dw
