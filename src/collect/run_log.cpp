#include "collect/run_log.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "runtime/encoding.h"

namespace dw {
namespace {

namespace fs = std::filesystem;

constexpr char kLogName[] = "qel6.log";

// GBK program text as UTF-8 for the log; a byte that does not convert
// becomes "?". Tabs and line breaks would split a field or a line.
std::string LogText(const std::string& gbk) {
  std::optional<std::string> utf8 = ConvertEncoding(gbk, "GBK", "UTF-8");
  std::string text;
  if (utf8) {
    text = std::move(*utf8);
  } else {
    for (char c : gbk)
      text.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
  }
  for (char& c : text) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

std::string TimeStamp(DateTime time) {
  const std::optional<CalendarTime> t = ToCalendarTime(time);
  if (!t) return "?";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t->year,
                t->month, t->day, t->hour, t->minute, t->second);
  return text;
}

}  // namespace

std::string LogPathBeside(const std::string& database_path) {
  if (database_path.empty()) return std::string();
  return (fs::path(database_path).parent_path() / kLogName).string();
}

bool AppendToLog(const std::string& log_path, const std::string& lines) {
  if (log_path.empty()) return false;
  try {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(log_path, error);
    if (!error && size + lines.size() > kLogRotateBytes) {
      fs::rename(log_path, log_path + ".1", error);
    }
    std::ofstream out(log_path, std::ios::app | std::ios::binary);
    out << lines;
    out.flush();
    return static_cast<bool>(out);
  } catch (const std::exception&) {
    return false;
  }
}

std::string RunLogLine(const RuleReport& report) {
  const char* step = FailedStepName(report.failed_step);
  std::string line =
      TimeStamp(report.ran_at) + "\trule " + std::to_string(report.rule_id) +
      "\t" + LogText(report.rule_name) + "\t" + (*step != '\0' ? step : "ok") +
      "\tstatus " + std::to_string(report.fetch.status);
  if (report.fetch.failure != HttpFailure::kNone) {
    line += std::string("\terror ") + HttpFailureName(report.fetch.failure);
  }
  line += "\tbytes " + std::to_string(report.fetch.bytes) + "\tmatches " +
          std::to_string(report.pattern.matches) + "\tnew " +
          std::to_string(report.posts.new_posts) + "\tstored " +
          std::to_string(report.posts.stored);
  if (report.posts.store_failed > 0) {
    line += "\tstore_failed " + std::to_string(report.posts.store_failed);
  }
  return line + "\n";
}

std::string UnstoredLogLine(const StoredPost& post, DateTime now) {
  return TimeStamp(now) + "\trule " + std::to_string(post.planId) + "\t" +
         LogText(post.planName) + "\tnot stored\t" + LogText(post.title) +
         "\t" + LogText(post.url) + "\tfound " + LogText(post.addTime) + "\n";
}

}  // namespace dw
