// What tells whether a rule's page changed since its last good run: the
// validators the server gave it and the body's own fingerprint. A page that
// did not change holds no new post, so its run can end before any parsing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dw {

struct PageValidators {
  std::string etag;           // as the server sent it, quotes and all
  std::string last_modified;  // the server's date text, as sent
  std::uint64_t body_hash = 0;
  std::int64_t body_bytes = -1;  // -1: nothing known

  bool Known() const { return body_bytes >= 0; }
};

// The validators of one whole answer: its header lines and its body.
PageValidators ValidatorsOf(const std::string& response_headers,
                            std::string_view body);

// The request lines ("If-None-Match", "If-Modified-Since") that ask the
// server to answer 304 when nothing changed; CR LF between them, empty when
// the server gave neither.
std::string ConditionalRequestHeaders(const PageValidators& known);

// True when `body` is byte for byte the one `known` was taken from (by its
// length and fingerprint).
bool SameBody(const PageValidators& known, std::string_view body);

}  // namespace dw
