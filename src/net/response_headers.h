// Reading the header lines of an answer as the request layer hands them
// back (CR LF lines of the last response, status line first).
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace dw {

// The value of the first header line named `name` (case-insensitive),
// trimmed; empty when there is none.
std::string ResponseHeader(const std::string& headers, const std::string& name);

// How many seconds a "Retry-After" line asks the client to wait, given as
// seconds or as an HTTP date (then counted from `now`); nothing when the
// line is missing or unreadable. A date already past gives 0.
std::optional<long long> RetryAfterSeconds(const std::string& headers,
                                           std::time_t now);

}  // namespace dw
