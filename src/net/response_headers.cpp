#include "net/response_headers.h"

#include <curl/curl.h>

#include <algorithm>
#include <string_view>

#include "runtime/ascii_case.h"

namespace dw {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

}  // namespace

std::string ResponseHeader(const std::string& headers,
                           const std::string& name) {
  std::string_view rest = headers;
  while (!rest.empty()) {
    const size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (EqualNoCase(Trimmed(line.substr(0, colon)), name)) {
      return std::string(Trimmed(line.substr(colon + 1)));
    }
  }
  return std::string();
}

std::optional<long long> RetryAfterSeconds(const std::string& headers,
                                           std::time_t now) {
  const std::string value = ResponseHeader(headers, "Retry-After");
  if (value.empty()) return std::nullopt;
  if (std::all_of(value.begin(), value.end(),
                  [](unsigned char c) { return std::isdigit(c); })) {
    // Nine digits are three decades: anything longer is no wait to honour.
    if (value.size() > 9) return std::nullopt;
    return std::stoll(value);
  }
  const time_t when = curl_getdate(value.c_str(), nullptr);
  if (when == -1) return std::nullopt;
  return std::max<long long>(0, static_cast<long long>(when - now));
}

}  // namespace dw
