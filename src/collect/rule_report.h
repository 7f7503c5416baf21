// What one run of a rule found at each step, filled by CollectRule as it
// goes, so that rule health, the probe and the rules window's test all see
// the very chain that collects.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "collect/page_validators.h"
#include "net/http_request.h"
#include "runtime/date_time.h"

namespace dw {

// The first step that kept a rule from yielding posts.
enum class FailedStep {
  kNone,
  kFetch,        // nothing usable came back (or every fetch was empty)
  kStartMarker,  // the page came, its start marker did not
  kEndMarker,    // the start marker came, the end marker after it did not
  kEmptyCut,     // both markers came with nothing between them
  kPattern,      // the pattern did not compile or was refused as hanging
  kNoMatch,      // the cut page came and the pattern matched nothing
};

// "fetch", "start_marker", "end_marker", "empty_cut", "pattern",
// "no_match"; "" for kNone.
const char* FailedStepName(FailedStep step);

// One post as the chain found it (all text GBK), before newness is decided.
struct FoundPost {
  std::string id;
  std::string title;
  std::string link;
  bool stored = false;  // the probe only: its link is already in `info`
};

struct RuleReport {
  int rule_id = 0;
  std::string rule_name;  // GBK
  DateTime ran_at;        // when the run began

  struct Fetch {
    int attempts = 0;  // 1..3 once a fetch was made
    int status = 0;    // of the last attempt; 0 when nothing came back
    // Of the last attempt: why nothing came back (kNone when an answer did).
    HttpFailure failure = HttpFailure::kNone;
    std::int64_t bytes = 0;    // body bytes of the last attempt
    std::int64_t ms = 0;       // all attempts together
    bool out_of_time = false;  // abandoned at the fetch's deadline
    std::string charset;       // the encoding the answer is in, lower case
    // The page is the one the rule's last good run read (the server said
    // 304, or the same bytes came): nothing was parsed, nothing is new.
    bool unchanged = false;
    // Of the answer read whole: what tells next time whether it changed.
    PageValidators validators;
    // A 429 or 503 answer's Retry-After, in seconds.
    std::optional<long long> retry_after_s;
  } fetch;

  struct Cut {
    bool start_found = false;
    bool end_found = false;
    std::int64_t bytes = 0;  // between the markers, before tidying
    // In the decoded page: each marker's 0-based byte offset (-1 when not
    // found; the end marker's from the top when the start marker is
    // missing) and length.
    std::int64_t start_at = -1;
    std::int64_t start_length = 0;
    std::int64_t end_at = -1;
    std::int64_t end_length = 0;
  } cut;

  struct PatternStep {
    bool compiled = false;  // false too when refused as hanging or runaway
    bool gave_up = false;   // compiled, but the search gave up backtracking
    int matches = 0;
  } pattern;

  struct Posts {
    int new_posts = 0;       // found new and not already stored
    int stored = 0;          // inserted into `info`
    int already_stored = 0;  // the first-round check found the link stored
    int store_failed = 0;    // inserts that failed (kept pending)
  } posts;

  FailedStep failed_step = FailedStep::kNone;

  // Filled for the probe and the rules window's test only (collection
  // leaves them empty): every post the pattern found, first on the page
  // first, and the page text the pattern saw.
  std::vector<FoundPost> found;
  std::string page_text;
  // Set before the run to have it keep the decoded page the markers were
  // searched in, and where each match lies in page_text (byte offsets,
  // begin and end).
  bool detailed = false;
  std::string decoded_text;
  std::vector<std::pair<std::int64_t, std::int64_t>> match_spans;
};

}  // namespace dw
