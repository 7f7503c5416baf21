#include "learn/repair_rule.h"

#include <algorithm>
#include <set>

#include "learn/feed_page.h"
#include "learn/find_records.h"
#include "learn/record_rule.h"
#include "learn/rule_candidates.h"
#include "learn/studied_page.h"

namespace dw {
namespace {

std::vector<ExampleKey> KeysOnPage(const StudiedPage& page,
                                   const std::vector<StoredPost>& stored) {
  std::vector<ExampleKey> keys;
  std::set<std::string> seen;
  for (const StoredPost& post : stored) {
    ExampleKey key = KeyOfExample(post.title);
    key.prefix = false;  // stored titles are whole
    if (PageHolds(page, key) && seen.insert(key.text).second) {
      keys.push_back(std::move(key));
    }
  }
  return keys;
}

// Stored posts the rule finds again under another link: each would be
// announced as new.
int AnnouncedAgain(const std::vector<FoundPost>& posts,
                   const std::vector<StoredPost>& stored) {
  std::set<std::string> links;
  for (const StoredPost& post : stored) links.insert(post.url);
  int again = 0;
  for (const FoundPost& post : posts) {
    if (links.count(post.link)) continue;
    for (const StoredPost& old : stored) {
      if (TitleFitsExample(post.title,
                           ExampleKey{LooseForm(old.title), false})) {
        ++again;
        break;
      }
    }
  }
  return again;
}

// Stored posts the rule finds under the link they were stored with: the
// collection looks up every post of a rule changed since its last good run,
// so these are not announced again.
int FoundAgain(const std::vector<FoundPost>& posts,
               const std::vector<StoredPost>& stored) {
  std::set<std::string> links;
  for (const StoredPost& post : stored) links.insert(post.url);
  return static_cast<int>(std::count_if(
      posts.begin(), posts.end(),
      [&](const FoundPost& post) { return links.count(post.link) != 0; }));
}

std::vector<std::string> ChangedColumns(const RuleRow& before,
                                        const RuleRow& after) {
  std::vector<std::string> changed;
  for (const char* column : kRuleColumns) {
    const std::string* old_cell = RuleRowCell(before, column);
    const std::string* new_cell = RuleRowCell(after, column);
    if (old_cell && new_cell && *old_cell != *new_cell)
      changed.push_back(column);
  }
  return changed;
}

bool SamePosts(const std::vector<FoundPost>& a,
               const std::vector<FoundPost>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const FoundPost& x, const FoundPost& y) {
                      return x.id == y.id && x.title == y.title &&
                             x.link == y.link;
                    });
}

// The learned rule with as much of the old one as finds the very same
// posts: the old pattern within new markers, or the old markers around the
// new pattern, before everything new.
std::optional<Proposal> Mend(const RuleRow& old, const RuleRow& learned,
                             const StudiedPage& page,
                             const std::vector<ExampleKey>& keys, size_t need) {
  Proposal proposal;
  proposal.rule = learned;
  std::vector<size_t> starts;
  proposal.posts = RunOverPage(learned, page, &starts);
  size_t found = 0;
  bool inline_markup = false;
  if (!RejectPosts(proposal.posts, starts, keys, need, &found, &inline_markup)
           .empty()) {
    return std::nullopt;
  }
  RuleRow old_pattern = old;
  old_pattern.before = learned.before;
  old_pattern.after = learned.after;
  old_pattern.isgbk = learned.isgbk;
  RuleRow old_markers = learned;
  old_markers.before = old.before;
  old_markers.after = old.after;
  for (const RuleRow& row : {old_pattern, old_markers}) {
    if (SamePosts(RunOverPage(row, page), proposal.posts)) {
      proposal.rule = row;
      break;
    }
  }
  return proposal;
}

std::string RepairNote(const Proposal& proposal) {
  std::string note =
      "找到 " + std::to_string(proposal.posts.size()) + " 个帖子";
  if (proposal.changed.empty()) {
    note += "；旧规则现在能用，不必修改";
  } else {
    note += "；改动：";
    for (size_t i = 0; i < proposal.changed.size(); ++i) {
      note += (i ? "、" : "") + proposal.changed[i];
    }
  }
  if (proposal.found_again > 0) {
    note += "；" + std::to_string(proposal.found_again) +
            " 个已存的帖子按原链接找回，不会再次提醒";
  }
  if (proposal.announced_again > 0) {
    note += "；" + std::to_string(proposal.announced_again) +
            " 个已存的帖子换了链接，采用后会再次提醒";
  }
  return note;
}

// The page's records found from the stored titles, and the rules that find
// exactly them: the old rule when it still does, else the old pattern or
// markers where they still serve, else the rules written anew.
std::vector<Proposal> RepairFromRecords(const RuleRow& old,
                                        const std::vector<StoredPost>& stored,
                                        const StudiedPage& page) {
  std::vector<std::string> titles;
  for (const StoredPost& post : stored) titles.push_back(post.title);
  // The first two stored titles the page holds shape the list; they may
  // both stand in a side box too, so a few other starts are tried and the
  // list that holds the most stored titles wins.
  const std::vector<ExampleText> examples = ExampleTexts(titles);
  RecordList list;
  // Pairs far apart as well as near: two titles side by side in one line
  // of a block are a list of two.
  std::vector<std::pair<size_t, size_t>> pairs;
  for (size_t gap : {1, 2, 5, 9}) {
    for (size_t first : {0, 2, 4}) {
      if (first + gap < examples.size()) pairs.push_back({first, first + gap});
    }
  }
  if (pairs.empty() && !examples.empty()) pairs.push_back({0, 0});
  ParsedPage parsed(page);  // parsed once for every pair
  for (const auto& [a, b] : pairs) {
    std::vector<ExampleText> turn = {examples[a]};
    if (b != a) turn.push_back(examples[b]);
    for (size_t k = 0; k < examples.size(); ++k) {
      if (k != a && k != b) turn.push_back(examples[k]);
    }
    RecordList found = FindRecords(parsed, turn, /*some_missing=*/true);
    if (std::make_pair(found.examples_found, found.records.size()) >
        std::make_pair(list.examples_found, list.records.size())) {
      list = std::move(found);
    }
  }
  std::vector<Proposal> proposals;
  if (list.records.size() < 2) return proposals;
  auto finds_records = [&](const RuleRow& row, Proposal* proposal) {
    proposal->rule = row;
    proposal->posts = RunOverPage(row, page);
    return SameRecordPosts(proposal->posts, list);
  };
  Proposal as_is;
  if (finds_records(old, &as_is)) return {as_is};
  RuleFrame frame;
  frame.base = old;
  std::set<std::string> seen;
  for (const WrittenRule& written :
       WriteRecordRules(page, list, frame, kMostProposals)) {
    RuleRow old_pattern = old;
    old_pattern.before = written.row.before;
    old_pattern.after = written.row.after;
    old_pattern.isgbk = written.row.isgbk;
    RuleRow old_markers = written.row;
    old_markers.before = old.before;
    old_markers.after = old.after;
    Proposal proposal;
    if (!finds_records(old_pattern, &proposal) &&
        !finds_records(old_markers, &proposal)) {
      proposal.rule = written.row;
      proposal.posts = written.posts;
    }
    const RuleRow& row = proposal.rule;
    if (seen.insert(row.reg + '\x01' + row.before + '\x01' + row.after)
            .second) {
      proposals.push_back(std::move(proposal));
    }
  }
  return proposals;
}

}  // namespace

std::vector<StoredPost> NewestStoredPosts(Database& db, std::int64_t rule_id,
                                          int most) {
  std::vector<StoredPost> posts;
  RecordSet record_set;
  if (!RsOpen(
          record_set,
          "SELECT title, url FROM info WHERE planid = ? ORDER BY id DESC "
          "LIMIT ?",
          db,
          {static_cast<long long>(rule_id), static_cast<long long>(most)}) ||
      !RsRequery(record_set)) {
    return posts;
  }
  const Array<std::string> rows = RsAllRows(record_set);
  for (int r = 1; r <= rows.Rows(); ++r) {
    StoredPost post;
    post.planId = static_cast<int>(rule_id);
    post.title = rows(r, 1);
    post.url = rows(r, 2);
    posts.push_back(std::move(post));
  }
  return posts;
}

LearnResult RepairRule(const RepairRequest& request) {
  LearnResult result;
  const RuleRow& old = request.rule;
  if (request.stored.empty()) {
    result.failed = LearnFailure::kNoStoredPosts;
    result.message = "这个规则还没有存下的帖子，无从对照";
    return result;
  }
  std::string bytes;
  std::string headers;
  if (!PageOfRequest(request.page_bytes, old.url, &bytes, result,
                     old.ignore_cert_errors, &headers))
    return result;
  // The rule's own encoding first; the page's declaration when the stored
  // titles do not read that way.
  StudiedPage page = StudyPage(bytes, old.url, old.isgbk == "1");
  std::vector<ExampleKey> keys = KeysOnPage(page, request.stored);
  if (keys.empty()) {
    page = StudyPage(std::move(bytes), old.url, std::nullopt, headers);
    keys = KeysOnPage(page, request.stored);
  }
  const std::vector<Proposal> from_records =
      RepairFromRecords(old, request.stored, page);
  if (!from_records.empty()) {
    for (const Proposal& proposal : from_records) {
      Proposal p = proposal;
      p.changed = ChangedColumns(old, p.rule);
      p.announced_again = AnnouncedAgain(p.posts, request.stored);
      p.found_again = FoundAgain(p.posts, request.stored);
      p.note = RepairNote(p);
      result.proposals.push_back(std::move(p));
    }
    std::stable_sort(result.proposals.begin(), result.proposals.end(),
                     [](const Proposal& a, const Proposal& b) {
                       return a.announced_again < b.announced_again;
                     });
    return result;
  }
  if (keys.empty()) {
    result.failed = LearnFailure::kExamplesNotFound;
    result.message = "页面上找不到任何一个已存帖子的标题";
    return result;
  }
  // A stored title may stand only in a side box today; most must be found.
  const size_t need = keys.size() - keys.size() / 4;
  std::vector<Proposal> proposals;
  std::set<std::string> rows_seen;
  auto add = [&](std::optional<Proposal> proposal) {
    if (!proposal) return;
    const RuleRow& row = proposal->rule;
    if (!rows_seen
             .insert(row.reg + '\x01' + row.before + '\x01' + row.after +
                     '\x01' + row.pinurl + '\x01' + row.isgbk)
             .second) {
      return;
    }
    proposal->changed = ChangedColumns(old, row);
    proposal->announced_again = AnnouncedAgain(proposal->posts, request.stored);
    proposal->found_again = FoundAgain(proposal->posts, request.stored);
    proposal->note = RepairNote(*proposal);
    proposals.push_back(std::move(*proposal));
  };
  add(Mend(old, old, page, keys, need));
  if (proposals.empty()) {
    CandidateSearch search;
    search.keys = keys;
    search.need = need;
    search.rule_id = old.id;
    if (IsFeed(page.text))
      search.records_from = FirstItemOffset(page.tidy.text);
    for (const Candidate& candidate : FindCandidates(page, search)) {
      RuleRow learned = old;
      for (const char* column :
           {"isgbk", "reg", "before", "after", "tindex", "idindex", "pinurl"}) {
        *RuleRowCell(learned, column) = *RuleRowCell(candidate.row, column);
      }
      add(Mend(old, learned, page, keys, need));
    }
  }
  std::stable_sort(proposals.begin(), proposals.end(),
                   [](const Proposal& a, const Proposal& b) {
                     return a.announced_again < b.announced_again;
                   });
  if (proposals.size() > kMostProposals) proposals.resize(kMostProposals);
  result.proposals = std::move(proposals);
  if (result.proposals.empty()) {
    result.failed = LearnFailure::kNoStructure;
    result.message = "页面上找不到与已存帖子同样排列的一组帖子";
  }
  return result;
}

}  // namespace dw
