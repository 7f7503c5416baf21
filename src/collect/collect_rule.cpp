#include "collect/collect_rule.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "collect/handle_post.h"
#include "net/cookies.h"
#include "net/http_request.h"
#include "runtime/convert.h"
#include "runtime/native_pattern.h"
#include "runtime/text_ops.h"
#include "runtime/threads.h"
#include "text/page_text.h"

namespace dw {
namespace {

constexpr int kFetchAttempts = 3;
constexpr int kNumberedByLastId = 8;

// The cells of a rule row as CollectRule uses them, converted once.
struct RuleView {
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
  std::int64_t last_id = 0;
};

RuleView ReadRule(const RuleTable& table, int rule_id) {
  auto cell = [&](int c) -> const std::string& {
    return table.Cell(rule_id, c);
  };
  RuleView rule;
  rule.name = cell(kRuleName);
  rule.url = cell(kRuleUrl);
  rule.pattern = cell(kRuleReg);
  rule.before = cell(kRuleBefore);
  rule.after = cell(kRuleAfter);
  rule.title_group = ToInteger(cell(kRuleTindex));
  rule.id_group = ToInteger(cell(kRuleIdindex));
  rule.link_template = cell(kRulePinurl);
  rule.kind = ToInteger(cell(kRuleType));
  rule.page_is_gbk = cell(kRuleIsgbk) == "1";
  rule.last_id = ToLongInteger(cell(kRuleLastid));
  return rule;
}

// The page as GBK text, cut between the rule's markers and tidied; empty when
// three fetches gave nothing usable or the worker was stopped.
std::string FetchPage(const RuleView& rule) {
  std::string page;
  for (int attempt = 0; attempt < kFetchAttempts && page.empty(); ++attempt) {
    if (StopRequested()) return {};
    const std::string bytes = HttpRequest(rule.url);
    std::string text;
    if (rule.page_is_gbk) {
      text.assign(bytes.c_str(), std::strlen(bytes.c_str()));
    } else {
      text = Utf8ToGbk(bytes);
    }
    page = TidyHtmlText(TextBetween(text, rule.before, rule.after));
  }
  return page;
}

}  // namespace

std::string SiteCleanUp(int rule_id, std::string page) {
  if (rule_id < 6) {
    page = RegexReplace("<img src=.*?/>", page, "");
    page = RegexReplace("<span class=tps>.*?</span>", page, "");
    page = RegexReplace("<span class=xw1>", page, "");
    page = RegexReplace("</span>]", page, "]");
    page = RegexReplace("</a>", page, "");
  } else if (rule_id == 12) {
    page = RegexReplace("<font.*?>", page, "");
    page = ReplaceText(page, "</font>", "");
  } else if (rule_id == 6) {
    page = ReplaceText(page, kFormerGroupNumber, kCurrentGroupNumber);
  }
  return page;
}

std::int64_t LastIdAfterPause(std::int64_t last_id,
                              const std::vector<std::int64_t>& handled,
                              const std::vector<std::int64_t>& unhandled) {
  std::int64_t lowest_unhandled = std::numeric_limits<std::int64_t>::max();
  for (std::int64_t value : unhandled) {
    if (value > last_id) lowest_unhandled = std::min(lowest_unhandled, value);
  }
  std::int64_t kept = last_id;
  for (std::int64_t value : handled) {
    if (value > kept && value < lowest_unhandled) kept = value;
  }
  return kept;
}

void CollectRule(WorkerContext& ctx, int rule_id) {
  if (!RuleTable::HasRow(rule_id)) return;
  const RuleView rule = ReadRule(ctx.state.rule_table, rule_id);

  std::string page = FetchPage(rule);
  if (page.empty()) return;
  page = SiteCleanUp(rule_id, std::move(page));

  Pattern pattern = PatternNew();
  if (!PatternCreate(pattern, rule.pattern, /*case_sensitive=*/false)) return;
  std::vector<Match> matches = PatternSearchAll(pattern, page);
  if (matches.empty()) return;
  // The last match on the page is handed first.
  std::reverse(matches.begin(), matches.end());

  const bool by_last_id = rule.kind == kNumberedByLastId;
  const std::string placeholder = "[" + std::to_string(rule.id_group) + "]";
  std::vector<std::string> ids;
  std::vector<std::int64_t> values;
  for (const Match& match : matches) {
    ids.push_back(MatchSubText(match, page, rule.id_group));
    values.push_back(by_last_id ? ToLongInteger(ids.back()) : 0);
  }

  bool any_new = false;
  std::int64_t highest = 0;
  std::vector<std::int64_t> handled;  // by last id: posts handled to the end
  // A pause cuts the call short before the post at walk position `next`.
  auto keep_handled = [&](std::size_t next) {
    if (!by_last_id) return;
    const std::int64_t kept = LastIdAfterPause(
        rule.last_id, handled,
        std::vector<std::int64_t>(values.begin() + next, values.end()));
    if (kept > rule.last_id) {
      ctx.state.rule_table.Cell(rule_id, kRuleLastid) = std::to_string(kept);
    }
  };
  for (std::size_t i = 0; i < matches.size(); ++i) {
    const bool is_new = by_last_id ? values[i] > rule.last_id
                                   : ctx.state.first_round ||
                                         !ctx.state.seen_ids.Contains(ids[i]);
    if (!is_new) continue;
    if (StopRequested()) return keep_handled(i);
    any_new = true;
    bool newly_seen = false;
    if (by_last_id) {
      highest = std::max(highest, values[i]);
    } else {
      newly_seen = ctx.state.seen_ids.Add(ids[i]);
    }

    Post post;
    post.rule_id = rule_id;
    post.rule_name = rule.name;
    post.kind = rule.kind;
    post.id = ids[i];
    post.title = MatchSubText(matches[i], page, rule.title_group);
    post.link = ReplaceText(rule.link_template, placeholder, post.id);
    if (!HandlePost(ctx, post)) {
      // Paused before the post was stored: let the next start find it again.
      if (newly_seen) ctx.state.seen_ids.Remove(post.id);
      return keep_handled(i);
    }
    if (by_last_id) handled.push_back(values[i]);
  }
  if (any_new && by_last_id) {
    ctx.state.rule_table.Cell(rule_id, kRuleLastid) = std::to_string(highest);
  }
}

}  // namespace dw
