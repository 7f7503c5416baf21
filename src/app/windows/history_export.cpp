#include "app/windows/history_export.h"

#include <QSaveFile>
#include <limits>
#include <string>
#include <string_view>

#include "runtime/ui/qt_text.h"
#include "store/post_time.h"

namespace dw {
namespace {

// A spreadsheet runs a cell that starts like a formula (=, +, -, @, or a
// tab or return before one): a title from any page must stay text, so such
// a cell starts with an apostrophe, the usual guard. A zero byte no
// spreadsheet reads goes.
std::string CsvField(std::string utf8) {
  std::erase(utf8, '\0');
  if (!utf8.empty() &&
      std::string_view("=+-@\t\r").find(utf8[0]) != std::string_view::npos) {
    utf8.insert(0, 1, '\'');
  }
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string quoted = "\"";
  for (char c : utf8) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string CsvLine(const HistoryPost& post) {
  return CsvField(GbkToQString(post.site).toStdString()) + "," +
         CsvField(post.title) + "," +
         CsvField(GbkToQString(post.link).toStdString()) + "," +
         (post.fetched_at != 0 ? IsoLocalTime(post.fetched_at) : "") + "," +
         (post.hit ? "1" : "0") + "\r\n";
}

}  // namespace

std::optional<std::int64_t> ExportHistoryCsv(const QString& path,
                                             const HistoryPages& pages,
                                             QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    *error = QString::fromUtf8("无法写入 %1：%2").arg(path, file.errorString());
    return std::nullopt;
  }
  // The byte-order mark tells spreadsheet programs the file is UTF-8;
  // without it they read the Chinese in the local code page.
  std::string text = "\xEF\xBB\xBFsite,title,link,time,hit\r\n";
  std::int64_t written = 0;
  std::int64_t below = std::numeric_limits<std::int64_t>::max();
  for (;;) {
    const auto page = pages(below);
    if (!page) {
      *error = QString::fromUtf8("读取帖子失败（数据库正忙？），未导出");
      file.cancelWriting();
      return std::nullopt;
    }
    if (page->empty()) break;
    for (const HistoryPost& post : *page) text += CsvLine(post);
    written += static_cast<std::int64_t>(page->size());
    below = page->back().id;
    if (file.write(text.data(), static_cast<qint64>(text.size())) !=
        static_cast<qint64>(text.size())) {
      break;  // commit() reports it
    }
    text.clear();
  }
  if (!text.empty()) file.write(text.data(), static_cast<qint64>(text.size()));
  if (!file.commit()) {
    *error = QString::fromUtf8("无法写入 %1：%2").arg(path, file.errorString());
    return std::nullopt;
  }
  return written;
}

}  // namespace dw
