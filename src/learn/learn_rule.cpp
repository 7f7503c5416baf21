#include "learn/learn_rule.h"

#include <algorithm>

#include "collect/rule_chain.h"
#include "learn/feed_page.h"
#include "learn/find_records.h"
#include "learn/link_rank.h"
#include "learn/record_rule.h"
#include "learn/rule_candidates.h"
#include "learn/studied_page.h"
#include "net/http_request.h"
#include "runtime/gb18030.h"
#include "store/statements.h"
#include "text/gbk_codec.h"

namespace dw {

std::vector<ExampleText> ExampleTexts(const std::vector<std::string>& titles);

namespace {

// The page's title as the rule's name, without an unread count ("(3) ")
// a site puts before it; the page's host when it has no title.
std::string RuleNameOf(const StudiedPage& page) {
  std::string name = PageName(page);
  if (name.size() > 2 && name[0] == '(') {
    size_t k = 1;
    while (k < name.size() && name[k] >= '0' && name[k] <= '9') ++k;
    if (k > 1 && k + 1 < name.size() && name[k] == ')' && name[k + 1] == ' ') {
      name.erase(0, k + 2);
    }
  }
  return name.empty() ? HostOf(page.url) : name;
}

std::string Shown(const std::string& gbk) { return GbkToUtf8(gbk); }

std::vector<ExampleKey> KeysOf(const std::vector<std::string>& examples) {
  std::vector<ExampleKey> keys;
  for (const std::string& example : examples) {
    ExampleKey key = KeyOfExample(example);
    if (!key.text.empty()) keys.push_back(std::move(key));
  }
  return keys;
}

std::string TooLargeWords(size_t bytes) {
  const auto mb = [](size_t n) {
    return std::to_string((n + (1 << 19)) >> 20);
  };
  return "页面太大（" + mb(bytes) + " MB）：学习只读 " +
         mb(kLargestLearnedPage) + " MB 以内的页面";
}

std::string CountNote(const Proposal& proposal) {
  return "找到 " + std::to_string(proposal.posts.size()) + " 个帖子";
}

// Proposals from the records of the page's document; false when it shows
// no list holding the examples. A list found but no rule that finds just
// it is an answer too: nothing is proposed then.
bool LearnFromRecords(const StudiedPage& page,
                      const std::vector<std::string>& examples,
                      std::int64_t rule_id, LearnResult& result) {
  const std::vector<ExampleText> texts = ExampleTexts(examples);
  const RecordList list = FindRecords(page, texts);
  if (list.records.empty()) return false;
  if (list.examples_found < static_cast<int>(texts.size())) {
    // A feed's items need no example, but one given must be among them.
    result.failed = LearnFailure::kExamplesNotFound;
    result.message = "订阅源的条目里没有给出的标题";
    return true;
  }
  RuleFrame frame;
  frame.base.id = rule_id;
  frame.base.name = RuleNameOf(page);
  frame.base.url = page.url;
  for (WrittenRule& rule :
       WriteRecordRules(page, list, frame, kMostProposals)) {
    Proposal proposal;
    proposal.rule = std::move(rule.row);
    proposal.posts = std::move(rule.posts);
    proposal.note = CountNote(proposal);
    result.proposals.push_back(std::move(proposal));
  }
  if (result.proposals.empty()) {
    result.failed = LearnFailure::kNoStructure;
    result.message = "页面上的这组帖子写不成一条规则";
  }
  return true;
}

// Proposals from one page; `failed`/`message` set when there are none.
void LearnPage(const StudiedPage& page,
               const std::vector<std::string>& examples,
               std::vector<ExampleKey> keys, std::int64_t rule_id,
               LearnResult& result) {
  const bool feed = IsFeed(page.text);
  if (LearnFromRecords(page, examples, rule_id, result)) {
    if (feed) {
      for (Proposal& proposal : result.proposals) proposal.note += "（订阅源）";
    }
    return;
  }
  if (feed && keys.empty()) keys = KeysOf(FeedTitles(page.text));
  if (keys.empty()) {
    result.failed = LearnFailure::kExamplesNotFound;
    result.message = feed ? "订阅源里没有条目" : "请给出页面上一两个帖子的标题";
    return;
  }
  for (const ExampleKey& key : keys) {
    if (!PageHolds(page, key)) {
      result.failed = LearnFailure::kExamplesNotFound;
      result.message =
          "页面源码中没有这个标题：可能由脚本生成（" + Shown(key.text) + "）";
      return;
    }
  }
  CandidateSearch search;
  search.keys = keys;
  search.need = keys.size();
  search.rule_id = rule_id;
  if (feed) search.records_from = FirstItemOffset(page.tidy.text);
  for (Candidate& candidate : FindCandidates(page, search)) {
    if (result.proposals.size() == kMostProposals) break;
    Proposal proposal;
    proposal.rule = std::move(candidate.row);
    proposal.posts = std::move(candidate.posts);
    proposal.note = CountNote(proposal);
    if (feed) proposal.note += "（订阅源）";
    if (candidate.inline_markup)
      proposal.note += "；有的标题带有 <b> 之类的标记";
    result.proposals.push_back(std::move(proposal));
  }
  if (result.proposals.empty()) {
    result.failed = LearnFailure::kNoStructure;
    result.message = "页面上找不到与示例同样排列的一组帖子";
  }
}

}  // namespace

std::vector<ExampleText> ExampleTexts(const std::vector<std::string>& titles) {
  std::vector<ExampleText> texts;
  for (const std::string& title : titles) {
    ExampleText text = ExampleTextOf(GbkToUtf8(title));
    if (!text.text.empty()) texts.push_back(std::move(text));
  }
  return texts;
}

const char* LearnFailureName(LearnFailure failure) {
  switch (failure) {
    case LearnFailure::kNone:
      return "";
    case LearnFailure::kFetch:
      return "fetch";
    case LearnFailure::kExamplesNotFound:
      return "examples_not_found";
    case LearnFailure::kNoStructure:
      return "no_structure";
    case LearnFailure::kNoFreeId:
      return "no_free_id";
    case LearnFailure::kNoStoredPosts:
      return "no_stored_posts";
    case LearnFailure::kPageTooLarge:
      return "page_too_large";
  }
  return "";
}

std::string FetchPage(const std::string& url, std::string* cause,
                      bool ignore_cert_errors, std::string* headers_out) {
  // The very fetch a round makes, deadline included: a page dripped a byte
  // at a time cannot keep learning waiting.
  ChainRule rule;
  rule.url = url;
  rule.ignore_cert_errors = ignore_cert_errors;
  std::string headers;
  int status = 0;
  HttpFailure failure = HttpFailure::kNone;
  bool out_of_time = false;
  std::string bytes =
      FetchRulePage(rule, &headers, &status, &failure, &out_of_time);
  if (headers_out) *headers_out = std::move(headers);
  if (out_of_time) {
    *cause = HttpFailureWords(HttpFailure::kTimedOut);
  } else if (status == 0) {
    *cause =
        failure == HttpFailure::kNone ? "没有应答" : HttpFailureWords(failure);
  } else if (status < 200 || status >= 300) {
    *cause = "HTTP 状态 " + std::to_string(status);
  } else if (bytes.empty()) {
    *cause = "页面是空的";
  } else {
    return bytes;
  }
  return {};
}

bool PageOfRequest(const std::optional<std::string>& given,
                   const std::string& url, std::string* bytes,
                   LearnResult& result, bool ignore_cert_errors,
                   std::string* headers) {
  std::string cause;
  // Given bytes too large are not copied first.
  if (given && given->size() <= kLargestLearnedPage) *bytes = *given;
  if (!given) *bytes = FetchPage(url, &cause, ignore_cert_errors, headers);
  const size_t size = given ? given->size() : bytes->size();
  if (size > kLargestLearnedPage) {
    result.failed = LearnFailure::kPageTooLarge;
    result.message = TooLargeWords(size);
    bytes->clear();
    return false;
  }
  if (given || !bytes->empty()) return true;
  result.failed = LearnFailure::kFetch;
  result.message = "取不到页面：" + cause;
  return false;
}

LearnResult LearnRule(const LearnRequest& request) {
  LearnResult result;
  const std::int64_t rule_id = NewRuleId(request.rows);
  if (rule_id == 0) {
    result.failed = LearnFailure::kNoFreeId;
    result.message =
        "没有空闲的规则编号：7 到 11、13 到 9999 "
        "都已占用（其余编号会先做某个站点专用的清理）";
    return result;
  }
  std::string bytes;
  std::string headers;
  if (!PageOfRequest(request.page_bytes, request.url, &bytes, result,
                     /*ignore_cert_errors=*/false, &headers))
    return result;
  const StudiedPage page =
      StudyPage(std::move(bytes), request.url, std::nullopt, headers);
  if (!IsFeed(page.text)) result.feed_url = AnnouncedFeed(page.text, page.url);
  std::vector<ExampleKey> keys = KeysOf(request.examples);
  // With no example, an HTML page that names its feed is learned from the
  // feed alone, when the feed can be fetched.
  // A feed on another host is named, not fetched: the page chose where it
  // points, and it may point anywhere (a loopback admin page).
  const bool own_host = HostOf(result.feed_url) == HostOf(page.url);
  const bool feed_only = keys.empty() && !result.feed_url.empty() &&
                         !request.page_bytes && own_host;
  if (!feed_only) LearnPage(page, request.examples, keys, rule_id, result);
  if (result.feed_url.empty()) return result;
  if (request.page_bytes || !own_host) {
    const std::string note = "页面声明了订阅源：" + Shown(result.feed_url);
    result.message =
        result.message.empty() ? note : result.message + "；" + note;
    return result;
  }
  // The feed the page announces gets its rule too, last.
  std::string cause;
  std::string feed_headers;
  std::string feed_bytes =
      FetchPage(result.feed_url, &cause, false, &feed_headers);
  if (feed_bytes.size() > kLargestLearnedPage) {
    cause = TooLargeWords(feed_bytes.size());
    feed_bytes.clear();
  }
  if (feed_bytes.empty()) {
    if (feed_only) {
      result.failed = LearnFailure::kFetch;
      result.message = "取不到页面声明的订阅源：" + cause;
    }
    return result;
  }
  LearnResult from_feed;
  LearnPage(StudyPage(std::move(feed_bytes), result.feed_url, std::nullopt,
                      feed_headers),
            {}, {}, rule_id, from_feed);
  if (from_feed.proposals.empty()) return result;
  if (result.proposals.size() == kMostProposals) result.proposals.pop_back();
  result.proposals.push_back(std::move(from_feed.proposals.front()));
  result.failed = LearnFailure::kNone;
  result.message.clear();
  return result;
}

void MarkStoredPosts(Database& db, LearnResult& result) {
  if (!db.IsOpen()) return;
  RecordSet record_set;
  for (Proposal& proposal : result.proposals) {
    for (FoundPost& post : proposal.posts) {
      post.stored = CountStoredPosts(record_set, db, post.link) != 0;
    }
  }
}

}  // namespace dw
