#include "app/cli/probe_tool.h"

#include <fstream>
#include <iostream>
#include <iterator>

#include "collect/rule_probe.h"
#include "runtime/gb18030.h"
#include "store/rule_row.h"

namespace dw {
namespace {

const char* YesNo(bool value) { return value ? "true" : "false"; }

void PrintProbeJson(const RuleReport& report, std::ostream& out) {
  out << "{\"rule\": " << report.rule_id
      << ", \"name\": " << JsonString(ShowUtf8(report.rule_name))
      << ", \"fetch\": {\"attempts\": " << report.fetch.attempts
      << ", \"status\": " << report.fetch.status
      << ", \"bytes\": " << report.fetch.bytes
      << ", \"ms\": " << report.fetch.ms << ", \"error\": "
      << (report.fetch.failure == HttpFailure::kNone
              ? std::string("null")
              : JsonString(HttpFailureName(report.fetch.failure)))
      << "}"
      << ", \"cut\": {\"start_found\": " << YesNo(report.cut.start_found)
      << ", \"end_found\": " << YesNo(report.cut.end_found)
      << ", \"bytes\": " << report.cut.bytes << "}"
      << ", \"pattern\": {\"compiled\": " << YesNo(report.pattern.compiled)
      << ", \"matches\": " << report.pattern.matches << "}"
      << ", \"failed_step\": ";
  if (report.failed_step == FailedStep::kNone) {
    out << "null";
  } else {
    out << JsonString(FailedStepName(report.failed_step));
  }
  out << ", \"posts\": [";
  for (size_t i = 0; i < report.found.size(); ++i) {
    const FoundPost& post = report.found[i];
    out << (i ? ", " : "") << "{\"id\": " << JsonString(ShowUtf8(post.id))
        << ", \"title\": " << JsonString(ShowUtf8(post.title))
        << ", \"link\": " << JsonString(ShowUtf8(post.link))
        << ", \"stored\": " << YesNo(post.stored) << "}";
  }
  out << "]}\n";
}

void PrintProbeText(const RuleReport& report, const ToolRequest& request,
                    std::ostream& out) {
  auto found = [](bool yes) { return yes ? "found" : "missing"; };
  out << "rule " << report.rule_id << ": " << ShowUtf8(report.rule_name)
      << "\n";
  if (request.page_file) {
    out << "fetch:   read from " << *request.page_file << ", "
        << report.fetch.bytes << " bytes\n";
  } else {
    out << "fetch:   " << report.fetch.attempts << " attempt(s), status "
        << report.fetch.status << ", " << report.fetch.bytes << " bytes, "
        << report.fetch.ms << " ms";
    if (report.fetch.failure != HttpFailure::kNone) {
      out << ", error " << HttpFailureName(report.fetch.failure) << " ("
          << HttpFailureWords(report.fetch.failure) << ")";
    }
    if (report.fetch.out_of_time) out << ", abandoned at the 60 s deadline";
    out << "\n";
  }
  // Steps after the failing one did not run.
  const FailedStep failed = report.failed_step;
  out << "cut:     ";
  if (failed == FailedStep::kFetch) {
    out << "not reached\n";
  } else {
    out << "start marker " << found(report.cut.start_found) << ", end marker "
        << found(report.cut.end_found) << ", " << report.cut.bytes
        << " bytes between\n";
  }
  out << "pattern: ";
  if (failed == FailedStep::kFetch || failed == FailedStep::kStartMarker ||
      failed == FailedStep::kEndMarker || failed == FailedStep::kEmptyCut) {
    out << "not reached\n";
  } else {
    out << (report.pattern.gave_up    ? "gave up: too much backtracking"
            : report.pattern.compiled ? "compiled"
                                      : "refused or not compiling")
        << ", " << report.pattern.matches << " match(es)\n";
  }
  out << "failed:  "
      << (report.failed_step == FailedStep::kNone
              ? "none"
              : FailedStepName(report.failed_step))
      << "\n";
  int stored = 0;
  for (const FoundPost& post : report.found) stored += post.stored ? 1 : 0;
  out << "posts:   " << report.found.size() << " ("
      << report.found.size() - stored << " new, " << stored
      << " already stored)\n";
  for (const FoundPost& post : report.found) {
    out << (post.stored ? "stored" : "new") << "\t" << ShowUtf8(post.id) << "\t"
        << ShowUtf8(post.title) << "\t" << ShowUtf8(post.link) << "\n";
  }
}

}  // namespace

std::optional<std::string> ToUtf8(const std::string& gbk) {
  bool whole = false;
  std::string utf8 = GbkToUtf8(gbk, &whole);
  if (!whole) return std::nullopt;
  return utf8;
}

std::string ShowUtf8(const std::string& gbk) { return GbkToUtf8(gbk); }

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

bool ReadFile(const std::string& path, std::string* bytes) {
  if (path == "-") {
    bytes->assign(std::istreambuf_iterator<char>(std::cin), {});
    return !std::cin.bad();
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes->assign(std::istreambuf_iterator<char>(file), {});
  return !file.bad();
}

bool OpenDatabase(const ToolRequest& request, Database& db, std::ostream& err) {
  if (!request.database.empty() &&
      DbOpen(db, request.database, /*create=*/false)) {
    return true;
  }
  err << "dealwatcher: cannot open the database "
      << (request.database.empty() ? "(none found; name one with --db FILE)"
                                   : request.database)
      << "\n";
  return false;
}

bool ReadPage(const ToolRequest& request, std::optional<std::string>* page,
              std::ostream& err) {
  if (!request.page_file) return true;
  std::string bytes;
  if (!ReadFile(*request.page_file, &bytes)) {
    err << "dealwatcher: cannot read the page " << *request.page_file << "\n";
    return false;
  }
  *page = std::move(bytes);
  return true;
}

std::optional<RuleRow> ToolRule(const ToolRequest& request, Database& db,
                                std::ostream& err) {
  bool loaded = false;
  std::vector<RuleRow> rows = LoadRuleRows(db, &loaded);
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    if (row->id == request.rule_id) return std::move(*row);
  }
  err << "dealwatcher: "
      << (loaded ? "no rule " + std::to_string(request.rule_id) + " in "
                 : "cannot read the rules of ")
      << request.database << (loaded ? "" : ": " + DbLastError(db)) << "\n";
  return std::nullopt;
}

int ProbeTool(const ToolRequest& request, std::ostream& out,
              std::ostream& err) {
  std::optional<std::string> page;
  if (!ReadPage(request, &page, err)) return kToolUsageError;
  Database db;
  if (!OpenDatabase(request, db, err)) return kToolUsageError;
  const std::optional<RuleRow> row = ToolRule(request, db, err);
  if (!row) return kToolUsageError;
  const RuleReport report = ProbeRule(*row, db, page);
  if (request.json) {
    PrintProbeJson(report, out);
  } else {
    PrintProbeText(report, request, out);
  }
  return report.failed_step == FailedStep::kNone && !report.found.empty()
             ? kToolOk
             : kToolFailed;
}

}  // namespace dw
