#include "collect/run_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "runtime/gb18030.h"

namespace dw {
namespace {

namespace fs = std::filesystem;

constexpr char kLogExtension[] = ".log";

// GBK program text as UTF-8 for the log.
std::string LogText(const std::string& gbk) { return LogField(GbkToUtf8(gbk)); }

std::string TimeStamp(DateTime time) {
  const std::optional<CalendarTime> t = ToCalendarTime(time);
  if (!t) return "?";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t->year,
                t->month, t->day, t->hour, t->minute, t->second);
  return text;
}

}  // namespace

std::string LogField(std::string_view utf8) {
  std::string field;
  field.reserve(utf8.size());
  for (const char c : utf8) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
      field += escaped;
    } else {
      field += c;
    }
  }
  return field;
}

std::string FileBesideDatabase(const std::string& database_path,
                               const char* extension) {
  if (database_path.empty()) return std::string();
  fs::path file(database_path);
  file.replace_extension(extension);
  // A database whose own name ends so keeps the file apart.
  if (file == fs::path(database_path)) file += extension;
  return file.string();
}

std::string LogPathBeside(const std::string& database_path) {
  return FileBesideDatabase(database_path, kLogExtension);
}

bool AppendToLog(const std::string& log_path, const std::string& lines) {
  if (log_path.empty()) return false;
  std::error_code error;
  const fs::file_status status = fs::symlink_status(log_path, error);
  if (fs::is_regular_file(status) &&
      fs::file_size(log_path, error) + lines.size() > kLogRotateBytes &&
      !error) {
    fs::rename(log_path, log_path + ".1", error);
  }
  // Never through a link another user may have planted, and readable by
  // the user alone when new.
  const int fd =
      ::open(log_path.c_str(),
             O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < lines.size()) {
    const ssize_t put = ::write(fd, lines.data() + done, lines.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  ::close(fd);
  return done == lines.size();
}

bool IsSymbolicLink(const std::string& path) {
  std::error_code error;
  return fs::is_symlink(fs::symlink_status(path, error));
}

std::string RunLogLine(const RuleReport& report) {
  const char* step = FailedStepName(report.failed_step);
  std::string line =
      TimeStamp(report.ran_at) + "\trule " + std::to_string(report.rule_id) +
      "\t" + LogText(report.rule_name) + "\t" + (*step != '\0' ? step : "ok") +
      "\tstatus " + std::to_string(report.fetch.status);
  if (report.fetch.failure != HttpFailure::kNone) {
    line += std::string("\terror ") + HttpFailureName(report.fetch.failure) +
            " (" + HttpFailureWords(report.fetch.failure) + ")";
  }
  line += "\tbytes " + std::to_string(report.fetch.bytes) + "\tmatches " +
          std::to_string(report.pattern.matches) + "\tnew " +
          std::to_string(report.posts.new_posts) + "\tstored " +
          std::to_string(report.posts.stored);
  if (report.fetch.out_of_time) line += "\tfetch_deadline";
  if (report.pattern.gave_up) line += "\tpattern_gave_up";
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

std::string UnindexedLogLine(std::size_t posts, const std::string& why,
                             DateTime now) {
  return TimeStamp(now) + "\thistory not written\t" + std::to_string(posts) +
         " posts\t" + LogText(why) + "\n";
}

}  // namespace dw
