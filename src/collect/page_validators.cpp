#include "collect/page_validators.h"

#include "net/response_headers.h"

namespace dw {
namespace {

// 64-bit FNV-1a: stable across runs and builds, and quick on a megabyte.
std::uint64_t Fingerprint(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

PageValidators ValidatorsOf(const std::string& response_headers,
                            std::string_view body) {
  PageValidators validators;
  validators.etag = ResponseHeader(response_headers, "ETag");
  validators.last_modified = ResponseHeader(response_headers, "Last-Modified");
  validators.body_hash = Fingerprint(body);
  validators.body_bytes = static_cast<std::int64_t>(body.size());
  return validators;
}

std::string ConditionalRequestHeaders(const PageValidators& known) {
  std::string lines;
  if (!known.etag.empty()) lines = "If-None-Match: " + known.etag;
  if (!known.last_modified.empty()) {
    if (!lines.empty()) lines += "\r\n";
    lines += "If-Modified-Since: " + known.last_modified;
  }
  return lines;
}

bool SameBody(const PageValidators& known, std::string_view body) {
  return known.Known() &&
         known.body_bytes == static_cast<std::int64_t>(body.size()) &&
         known.body_hash == Fingerprint(body);
}

}  // namespace dw
