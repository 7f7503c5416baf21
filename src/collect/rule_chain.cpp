#include "collect/rule_chain.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <limits>
#include <utility>

#include "net/cookies.h"
#include "net/http_request.h"
#include "net/response_headers.h"
#include "runtime/convert.h"
#include "runtime/encoding.h"
#include "runtime/text_ops.h"
#include "runtime/threads.h"
#include "text/json_string.h"
#include "text/page_charset.h"
#include "text/page_text.h"
#include "text/shown_title.h"

namespace dw {
namespace {

constexpr int kFetchAttempts = 3;

int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(
      value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::int64_t ElapsedMs(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now() - since)
      .count();
}

bool IsSuccessStatus(int status) { return status >= 200 && status < 300; }

// The server said nothing changed since the validators it was sent, or it
// sent the very bytes again.
bool PageUnchanged(const PageValidators& known, int status,
                   const std::string& bytes) {
  if (!known.Known()) return false;
  if (status == 304) return bytes.empty();
  return IsSuccessStatus(status) && SameBody(known, bytes);
}

}  // namespace

std::string RulePageText(const ChainRule& rule, std::string bytes) {
  if (!rule.charset.empty()) {
    // A page in a charset of its own goes through UTF-8 once; one the
    // system cannot read is taken as the rule's other setting says.
    if (std::optional<std::string> utf8 =
            ConvertEncoding(bytes, rule.charset.c_str(), "UTF-8")) {
      return PageBytesToText(*std::move(utf8), /*is_gbk=*/false);
    }
  }
  return PageBytesToText(std::move(bytes), rule.page_is_gbk);
}

ChainRule ChainRuleFromRow(const RuleRow& row) {
  ChainRule rule;
  rule.id = ClampToInt(row.id);
  rule.name = row.name;
  rule.url = row.url;
  rule.pattern = row.reg;
  rule.before = row.before;
  rule.after = row.after;
  rule.title_group = ToInteger(row.tindex);
  rule.id_group = ToInteger(row.idindex);
  rule.link_template = row.pinurl;
  rule.kind = ToInteger(row.type);
  rule.page_is_gbk = row.isgbk == "1";
  rule.json_strings = row.json_strings;
  rule.plain_titles = row.plain_titles;
  rule.charset = row.charset;
  rule.last_id = ToLongInteger(row.lastid);
  rule.ignore_cert_errors = row.ignore_cert_errors;
  return rule;
}

ChainRule ChainRuleFromTable(const RuleTable& table, int rule_id) {
  return ChainRuleFromRow(RuleRowOfTable(table, rule_id));
}

std::string FetchRulePage(const ChainRule& rule, std::string* headers,
                          int* status, HttpFailure* failure,
                          bool* out_of_time) {
  using Clock = std::chrono::steady_clock;
  // Each phase's own time-out never trips on a body dripped a byte at a
  // time: the whole fetch has a deadline, and one that ran out is not
  // tried again in this run.
  const auto deadline = Clock::now() + rule.fetch_deadline;
  HttpRequestParams params;
  params.url = rule.url;
  params.status = status;
  params.failure = failure;
  params.cancelRequested = [deadline] {
    return Clock::now() >= deadline || StopRequested();
  };
  params.responseHeaders = headers;
  params.verifyCertificates = !rule.ignore_cert_errors;
  std::string conditional = ConditionalRequestHeaders(rule.known);
  if (!conditional.empty()) params.headers = &conditional;
  std::string bytes = HttpRequest(params);
  *out_of_time = Clock::now() >= deadline;
  return bytes;
}

namespace {

using Clock = std::chrono::steady_clock;

// One attempt: the page fetched (or the bytes given), what the server
// answered told in the report, and whether that counts as an answer. The
// page's text as the rule reads it; nothing when the page is unchanged
// since the validators the rule knows, so the run ends with nothing to
// parse.
std::optional<std::string> FetchAttempt(
    const ChainRule& rule, const std::optional<std::string>& page_bytes,
    int attempt, Clock::time_point fetch_start, RuleReport& report,
    bool* answered) {
  std::string fetched;
  std::string headers;
  int status = 0;
  HttpFailure failure = HttpFailure::kNone;
  if (!page_bytes) {
    fetched = FetchRulePage(rule, &headers, &status, &failure,
                            &report.fetch.out_of_time);
  }
  const std::string& bytes = page_bytes ? *page_bytes : fetched;
  report.fetch.attempts = attempt + 1;
  report.fetch.status = status;
  report.fetch.failure = failure;
  report.fetch.bytes = static_cast<std::int64_t>(bytes.size());
  if (!page_bytes && PageUnchanged(rule.known, status, bytes)) {
    report.fetch.unchanged = true;
    report.fetch.validators = rule.known;
    report.fetch.ms = ElapsedMs(fetch_start);
    return std::nullopt;
  }
  report.fetch.charset = DecidePageEncoding(bytes, headers).name;
  // A fetched page answered with an error status, or not at all, is a
  // failed fetch unless its cut still holds something; given bytes are an
  // answer.
  *answered = !bytes.empty() && (page_bytes || IsSuccessStatus(status));
  if (*answered && !page_bytes) {
    report.fetch.validators = ValidatorsOf(headers, bytes);
  }
  if (status == 429 || status == 503) {
    report.fetch.retry_after_s = RetryAfterSeconds(headers, std::time(nullptr));
  }
  // A large page is held once: the fetched body becomes the text in its
  // own buffer, and the tidied cut takes that buffer over (unless a test
  // wants the text shown).
  return RulePageText(rule, page_bytes ? *page_bytes : std::move(fetched));
}

// The text cut between the rule's markers and tidied into page.text; the
// cut told in the report.
void CutAndTidy(const ChainRule& rule, std::string text, RuleReport& report,
                ChainPage& page) {
  const MarkerCut cut = CutBetweenMarkers(text, rule.before, rule.after);
  report.cut.start_found = cut.left_found;
  report.cut.end_found = cut.right_found;
  report.cut.bytes = static_cast<std::int64_t>(cut.to() - cut.from());
  report.cut.start_at = cut.left_at;
  report.cut.start_length = cut.left_length;
  report.cut.end_at = cut.right_at;
  report.cut.end_length = cut.right_length;
  // The cut is tidied into the front of the text's own buffer. Titles are
  // read back through what the tidy took out, unless a clean-up will move
  // the text from under the positions.
  TidyMarks* marks = HasSiteCleanUp(rule.id) ? nullptr : &page.marks;
  if (report.detailed) {
    page.text = TidyHtmlText(text, cut.from(), cut.to(), marks);
    report.decoded_text = std::move(text);
  } else {
    page.text = TidyHtmlText(std::move(text), cut.from(), cut.to(), marks);
  }
}

// The step that left nothing to search.
FailedStep EmptyPageStep(bool answered, const RuleReport& report) {
  if (!answered) return FailedStep::kFetch;
  if (!report.cut.start_found) return FailedStep::kStartMarker;
  if (!report.cut.end_found) return FailedStep::kEndMarker;
  // The markers' fault, not the pattern's.
  if (report.cut.bytes == 0) return FailedStep::kEmptyCut;
  return FailedStep::kNone;
}

// Runs the rule's pattern over the page's text, after the site clean-up;
// the matches go in page.matches, the outcome in the report. With nothing
// to search the pattern is still compiled, so that a rule whose page is
// merely empty today still tells a broken pattern.
FailedStep SearchPage(const ChainRule& rule, ChainPage& page,
                      RuleReport& report) {
  page.text = SiteCleanUp(rule.id, std::move(page.text));
  Pattern pattern = PatternNew();
  bool compiled =
      PatternCreate(pattern, rule.pattern, /*case_sensitive=*/false);
  if (compiled) {
    bool gave_up = false;
    page.matches = PatternSearchAll(pattern, page.text, &gave_up);
    compiled = !gave_up;  // a runaway pattern is as good as none
    report.pattern.gave_up = gave_up;
  }
  report.pattern.compiled = compiled;
  report.pattern.matches = static_cast<int>(page.matches.size());
  if (!compiled) return FailedStep::kPattern;
  return page.matches.empty() ? FailedStep::kNoMatch : FailedStep::kNone;
}

}  // namespace

ChainPage RunRuleChain(const ChainRule& rule,
                       const std::optional<std::string>& page_bytes,
                       RuleReport& report) {
  ChainPage page;
  bool answered = false;
  const auto fetch_start = Clock::now();
  // An empty cut is fetched again at once: pages that come half-built or
  // not at all often come whole a moment later.
  for (int attempt = 0; attempt < kFetchAttempts && page.text.empty();
       ++attempt) {
    if (StopRequested()) break;
    std::optional<std::string> text =
        FetchAttempt(rule, page_bytes, attempt, fetch_start, report, &answered);
    if (!text) return page;
    CutAndTidy(rule, *std::move(text), report, page);
    // The same bytes again would cut the same.
    if (page_bytes || report.fetch.out_of_time) break;
  }
  report.fetch.ms = ElapsedMs(fetch_start);
  const FailedStep empty =
      page.text.empty() ? EmptyPageStep(answered, report) : FailedStep::kNone;
  const FailedStep search = SearchPage(rule, page, report);
  report.failed_step = empty != FailedStep::kNone ? empty : search;
  return page;
}

FoundPost PostOfMatch(const ChainRule& rule, const Match& match,
                      const ChainPage& page) {
  return PostOfMatch(rule, match, page.text, page.marks);
}

FoundPost PostOfMatch(const ChainRule& rule, const Match& match,
                      std::string_view text, const TidyMarks& marks) {
  FoundPost post;
  post.id = MatchSubText(match, text, rule.id_group);
  // A JSON page writes its addresses with escapes (\/, \u0026) too; the id
  // is the text they stand for, so the link comes out as a browser's.
  if (rule.json_strings) post.id = DecodeJsonString(post.id);
  int begin = -1;
  const std::string span = MatchSubText(match, text, rule.title_group, &begin);
  if (begin >= 0) {
    const size_t from = static_cast<size_t>(begin);
    const std::string untidied =
        UntidiedSpan(text, from, from + span.size(), marks, rule.json_strings);
    post.title = rule.plain_titles ? PlainText(untidied, rule.json_strings)
                                   : ShownText(untidied, rule.json_strings);
  }
  post.link = ReplaceText(rule.link_template,
                          "[" + std::to_string(rule.id_group) + "]", post.id);
  return post;
}

}  // namespace dw
