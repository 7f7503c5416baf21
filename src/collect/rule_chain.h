// The one chain a rule's page goes through, whoever runs it: collection,
// the probe and the rules window's test. Fetch (three tries at most),
// decode, cut between the markers, tidy, the clean-up the rule id gets, the
// pattern; every step noted in the run's report as it happens.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "collect/page_validators.h"
#include "collect/rule_report.h"
#include "runtime/native_pattern.h"
#include "store/rule_row.h"
#include "store/rule_table.h"
#include "text/site_cleanup.h"
#include "text/tidy_marks.h"

namespace dw {

// The cells of a rule as the chain uses them, converted once.
struct ChainRule {
  int id = 0;
  std::string name;
  std::string url;
  std::string pattern;
  std::string before;
  std::string after;
  int title_group = 0;
  int id_group = 0;
  std::string link_template;
  int kind = 0;
  bool page_is_gbk = false;
  // Titles are JSON string contents (escapes decoded by the chain).
  bool json_strings = false;
  // Titles are plain text: shown as written, markup and entities included.
  bool plain_titles = false;
  // The page's charset when neither UTF-8 nor GBK; empty: page_is_gbk.
  std::string charset;
  std::int64_t last_id = 0;
  // How long one fetch may take in all, however slowly the page trickles.
  std::chrono::milliseconds fetch_deadline = std::chrono::seconds(60);
  // The user keeps a site whose certificate is broken: its fetches take
  // any certificate.
  bool ignore_cert_errors = false;
  // What the rule's last good run read; when known the fetch is
  // conditional, and an unchanged page ends the chain before any parsing.
  PageValidators known;
};

// From the loaded rule table (cells as text, converted the way the loader's
// readers do) and from a whole row (the rules window's unsaved rule).
ChainRule ChainRuleFromTable(const RuleTable& table, int rule_id);
ChainRule ChainRuleFromRow(const RuleRow& row);

// The page text the pattern searched, what tidying took out of it (nothing
// noted after a site clean-up, whose changes the positions would not
// follow), and its matches, first on the page first.
struct ChainPage {
  std::string text;
  TidyMarks marks;
  std::vector<Match> matches;
};

// The page's bytes as program text, as the rule's encoding settings say.
std::string RulePageText(const ChainRule& rule, std::string bytes);

// One fetch of the rule's page as a round makes it: its request, its
// certificate setting and its deadline however slowly the page comes.
std::string FetchRulePage(const ChainRule& rule, std::string* headers,
                          int* status, HttpFailure* failure, bool* out_of_time);

// Runs the chain and fills report.fetch, report.cut, report.pattern and
// report.failed_step. With `page_bytes` nothing is fetched: the bytes stand
// for the one answer. A stop request of the calling thread ends the fetching
// (the page is then empty).
ChainPage RunRuleChain(const ChainRule& rule,
                       const std::optional<std::string>& page_bytes,
                       RuleReport& report);

// The post of one match: its id and its link (the template with every
// "[id group]" replaced by the id) as the tidied text has them, and its
// title as a browser shows that part of the page (ShownText of the
// UntidiedSpan): quotes and apostrophes kept, markup dropped, entities
// decoded once, white space collapsed.
FoundPost PostOfMatch(const ChainRule& rule, const Match& match,
                      const ChainPage& page);
// The same for a match in tidied text of another making, with the marks
// TidyHtmlText noted for it.
FoundPost PostOfMatch(const ChainRule& rule, const Match& match,
                      std::string_view text, const TidyMarks& marks);

}  // namespace dw
