// New rules learned from one or two example titles on a page, and the
// proposal a caller shows: the rule, the posts it finds, a note.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "collect/rule_report.h"
#include "learn/page_records.h"
#include "runtime/database.h"
#include "store/rule_row.h"

namespace dw {

// Why no rule was proposed.
enum class LearnFailure {
  kNone,
  kFetch,             // the page could not be fetched
  kExamplesNotFound,  // an example is not in the page's source
  kNoStructure,       // no rule finds the examples among a list of posts
  kNoFreeId,          // every id without a site clean-up is taken
  kNoStoredPosts,     // a repair has no stored posts to go by
  kPageTooLarge,      // the page is larger than learning reads
};

// The largest page learning reads. Learning holds a page in several forms
// at once (decoded, tidied with each byte's origin, as a reader sees it,
// parsed), twenty to forty times its size in all; this bound keeps that
// near 200 MB. Pages of posts are seldom a quarter of it.
inline constexpr size_t kLargestLearnedPage = size_t{4} << 20;

// The proposals a learning or a repair offers at once, best first.
inline constexpr size_t kMostProposals = 3;

// "fetch", "examples_not_found", "no_structure", "no_free_id",
// "no_stored_posts", "page_too_large"; "" for kNone.
const char* LearnFailureName(LearnFailure failure);

struct Proposal {
  RuleRow rule;                  // an ordinary rule row, not saved
  std::vector<FoundPost> posts;  // first on the page first
  std::string note;              // UTF-8, for the user
  int announced_again = 0;       // repairs: stored posts given a new link
  int found_again = 0;  // repairs: stored posts found under their own link
  std::vector<std::string> changed;  // repairs: columns unlike the old rule
};

struct LearnResult {
  std::vector<Proposal> proposals;  // best first, at most kMostProposals
  LearnFailure failed = LearnFailure::kNone;
  std::string message;   // UTF-8: why nothing was proposed
  std::string feed_url;  // a feed the HTML page announces
};

struct LearnRequest {
  std::string url;  // the rule's address, link base; GBK like the url column
  std::vector<std::string> examples;      // GBK titles as the user sees them
  std::optional<std::string> page_bytes;  // given: nothing is fetched
  std::vector<RuleRow> rows;              // the stored rules, for a free id
};

// Fetches the page (with the request a round makes) unless its bytes are
// given, and proposes rules that find every example. A feed needs no
// example. An HTML page that announces a feed names it in `feed_url`; when
// the page was fetched, the feed is fetched too and its rule offered.
// Writes nothing. Runs on any thread; a stop request of the calling thread
// ends it early with what it has.
LearnResult LearnRule(const LearnRequest& request);

// The titles (program text) as the record finder takes them: UTF-8, white
// space collapsed, a shortened one marked.
std::vector<ExampleText> ExampleTexts(const std::vector<std::string>& titles);

// Marks each proposed post whose link is already in `info`.
void MarkStoredPosts(Database& db, LearnResult& result);

// The page as a round fetches it, its answer's headers in `headers` when
// given; empty, with `cause` (UTF-8) set, when it could not be had.
std::string FetchPage(const std::string& url, std::string* cause,
                      bool ignore_cert_errors = false,
                      std::string* headers = nullptr);

// The given bytes, else the page at `url` fetched (with its answer's
// headers in `headers`); false, with `result` saying why, when it could
// not be had or is larger than kLargestLearnedPage.
bool PageOfRequest(const std::optional<std::string>& given,
                   const std::string& url, std::string* bytes,
                   LearnResult& result, bool ignore_cert_errors = false,
                   std::string* headers = nullptr);

}  // namespace dw
