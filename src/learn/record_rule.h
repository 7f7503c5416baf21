// Rules written around the records found in a page's document: a pattern
// over the tidied text the chain searches, the link template, the markers;
// each run through the very chain that collects and kept only when its
// posts are the records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "collect/rule_report.h"
#include "learn/page_records.h"
#include "learn/studied_page.h"
#include "store/rule_row.h"

namespace dw {

struct WrittenRule {
  RuleRow row;
  std::vector<FoundPost> posts;  // first on the page first
};

// What a written rule keeps from elsewhere: the new rule's id and name, or
// the repaired rule as it was; the writer fills in how the page is read.
struct RuleFrame {
  RuleRow base;
};

// At most `most` rules, best first, each finding exactly the records.
std::vector<WrittenRule> WriteRecordRules(const StudiedPage& page,
                                          const RecordList& list,
                                          const RuleFrame& frame,
                                          size_t most = 3);

// The part of each link that differs between the records, and the
// template that rebuilds every link from it ("[n]" for the part); false
// when the links do not differ in one run.
struct LinkShape {
  std::string head;              // UTF-8, before the varying part
  std::string tail;              // after it
  std::vector<std::string> ids;  // UTF-8, per record
};
bool ShapeOfLinks(const std::vector<std::string>& links, LinkShape* shape);

// True when the chain's posts are the records, in order: titles as shown,
// links alike.
bool SameRecordPosts(const std::vector<FoundPost>& posts,
                     const RecordList& list);

// True when the chain's title (program text) shows as the record's title.
bool SameShownTitle(const std::string& chain_title, const std::string& shown);

}  // namespace dw
