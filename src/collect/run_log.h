// The program's log beside the database in use and named after it
// (qel6.sdb keeps qel6.log): one line per rule run and the posts that could
// not be stored by the end. UTF-8 text, rotated at 1 MiB with one older
// file kept (qel6.log.1), readable by the user alone. Writing it never
// fails loudly: a log that cannot be written (or is a symbolic link, which
// is never followed) is simply not written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "collect/rule_report.h"
#include "store/statements.h"

namespace dw {

inline constexpr std::uintmax_t kLogRotateBytes = std::uintmax_t{1} << 20;

// The log's path beside `database_path`; empty when that is empty.
std::string LogPathBeside(const std::string& database_path);

// The file of ours named like the database with `extension` (".log") in
// place of its own; empty for an empty path.
std::string FileBesideDatabase(const std::string& database_path,
                               const char* extension);

// True when a symbolic link stands at `path` (the log or the lock is never
// written through one).
bool IsSymbolicLink(const std::string& path);

// Appends `lines` (UTF-8, each ending in "\n"), first moving a log that would
// grow past kLogRotateBytes to `log_path` + ".1". False when nothing could be
// written (an empty path included).
bool AppendToLog(const std::string& log_path, const std::string& lines);

// "2026-12-07 10:56:15\trule 7\tname\tok\tstatus 200\tbytes 1234\t
// matches 30\tnew 2\tstored 2", with " store_failed N" when inserts failed
// and the first failing step's name in place of "ok".
// Text from outside (a page, a user, a server) as one field of a log line:
// every control character written as \xNN, so that no tab, return or line
// break can make a field or a line of its own.
std::string LogField(std::string_view utf8);

std::string RunLogLine(const RuleReport& report);

// A post given up at program end: time, rule, title, link and the time it
// was found.
std::string UnstoredLogLine(const StoredPost& post, DateTime now);

// "2026-12-07 10:56:15\thistory not written\t3 posts\thistory index damaged":
// the posts are stored; their history is caught up later.
std::string UnindexedLogLine(std::size_t posts, const std::string& why,
                             DateTime now);

}  // namespace dw
