// Rules that find the example titles on a page, each run through the very
// chain that collects, checked and ranked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collect/rule_report.h"
#include "learn/loose_text.h"
#include "learn/studied_page.h"
#include "store/rule_row.h"

namespace dw {

struct CandidateSearch {
  std::vector<ExampleKey> keys;  // every one is looked for in what is found
  size_t need = 0;               // how many of them must be found
  size_t learn_from = 2;         // the first this many shape the patterns
  std::int64_t rule_id = 0;
  size_t records_from = 0;  // tidied text offset no post starts before
};

struct Candidate {
  RuleRow row;
  std::vector<FoundPost> posts;  // first on the page first
  size_t examples_found = 0;
  bool inline_markup = false;  // some titles keep <b> or the like
  bool digit_id = false;
  bool skeleton = false;  // matched by markup only, not literally
};

// Candidates best first, no two finding the same posts; empty when none
// passes. Stops early, empty-handed, on a stop request of the thread.
std::vector<Candidate> FindCandidates(const StudiedPage& page,
                                      const CandidateSearch& search);

// Runs `row` through the chain over the page's bytes; every post it finds,
// first on the page first, and where each match starts in `starts`.
std::vector<FoundPost> RunOverPage(const RuleRow& row, const StudiedPage& page,
                                   std::vector<size_t>* starts = nullptr);

// Why posts found by a candidate are not a list of posts; empty when they
// are. Sets `found` to the number of keys whose post is among them.
std::string RejectPosts(const std::vector<FoundPost>& posts,
                        const std::vector<size_t>& starts,
                        const std::vector<ExampleKey>& keys, size_t need,
                        size_t* found, bool* inline_markup);

}  // namespace dw
