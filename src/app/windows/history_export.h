// The history window's "导出 CSV": posts as UTF-8 CSV (RFC 4180) with a
// byte-order mark, written
// to a temporary file beside the target and renamed into place, so the
// target is either the whole new file or left as it was.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "store/history_search.h"

namespace dw {

// The next page of posts after the one ending at `below_id` (the largest
// id first), empty at the end; nothing when it could not be read.
using HistoryPages = std::function<std::optional<std::vector<HistoryPost>>(
    std::int64_t below_id)>;

// Writes a header line and one line per post: site, title, link, time
// (ISO 8601, local; empty when unknown), hit (1 or 0). The number of posts
// written, or nothing with `error` set (UTF-8 for the user).
std::optional<std::int64_t> ExportHistoryCsv(const QString& path,
                                             const HistoryPages& pages,
                                             QString* error);

}  // namespace dw
