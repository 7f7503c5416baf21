#include "learn/rule_candidates.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "collect/rule_chain.h"
#include "learn/link_address.h"
#include "learn/markers.h"
#include "learn/pattern_drafts.h"
#include "learn/pattern_parts.h"
#include "runtime/native_pattern.h"
#include "runtime/threads.h"
#include "runtime/web_address.h"
#include "store/rule_checks.h"

namespace dw {
namespace {

constexpr size_t kFewestPosts = 3;
constexpr size_t kMostPosts = 500;
constexpr size_t kLongestTitle = 300;
constexpr size_t kChainRuns = 12;

// The matches around the examples that belong to one run: neighbours no
// farther apart than a few typical records.
PostRun RunOf(const std::vector<Match>& matches,
              const std::vector<size_t>& example_matches, size_t text_size) {
  PostRun run;
  auto begin = [&](size_t i) {
    return static_cast<size_t>(matches[i].groups[0].begin);
  };
  auto end = [&](size_t i) {
    return static_cast<size_t>(matches[i].groups[0].end);
  };
  size_t first =
      *std::min_element(example_matches.begin(), example_matches.end());
  size_t last =
      *std::max_element(example_matches.begin(), example_matches.end());
  std::vector<size_t> gaps;
  for (size_t i = 1; i < matches.size(); ++i)
    gaps.push_back(begin(i) - end(i - 1));
  size_t typical = 0;
  if (!gaps.empty()) {
    std::vector<size_t> sorted = gaps;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2,
                     sorted.end());
    typical = sorted[sorted.size() / 2];
  }
  const size_t reach = std::max<size_t>(4 * typical, 2000);
  while (first > 0 && gaps[first - 1] <= reach) --first;
  while (last + 1 < matches.size() && gaps[last] <= reach) ++last;
  for (size_t i = first; i <= last; ++i)
    run.records.push_back({begin(i), end(i)});
  run.first_index = first;
  run.last_index = last;
  run.floor = first > 0 ? end(first - 1) : 0;
  run.ceiling = last + 1 < matches.size() ? begin(last + 1) : text_size;
  return run;
}

// How drafts and candidates are ranked: the most examples found first,
// then those whose titles keep no inline markup, then digit ids, then the
// most posts.
struct Rank {
  size_t found;
  bool inline_markup;
  bool digit_id;
  size_t posts;
};

bool RanksBefore(const Rank& a, const Rank& b) {
  return std::make_tuple(b.found, a.inline_markup, !a.digit_id, b.posts) <
         std::make_tuple(a.found, b.inline_markup, !b.digit_id, a.posts);
}

std::string PostKey(const std::vector<FoundPost>& posts) {
  std::string key;
  for (const FoundPost& post : posts) {
    key += post.id + '\x01' + post.title + '\x01' + post.link + '\x02';
  }
  return key;
}

}  // namespace

std::vector<FoundPost> RunOverPage(const RuleRow& row, const StudiedPage& page,
                                   std::vector<size_t>* starts) {
  const ChainRule rule = ChainRuleFromRow(row);
  RuleReport report;
  const ChainPage chain = RunRuleChain(rule, page.bytes, report);
  std::vector<FoundPost> posts;
  for (const Match& match : chain.matches) {
    posts.push_back(PostOfMatch(rule, match, chain));
    if (starts) starts->push_back(match.groups[0].begin);
  }
  return posts;
}

std::string RejectPosts(const std::vector<FoundPost>& posts,
                        const std::vector<size_t>& starts,
                        const std::vector<ExampleKey>& keys, size_t need,
                        size_t* found, bool* inline_markup) {
  *found = 0;
  for (const ExampleKey& key : keys) {
    for (const FoundPost& post : posts) {
      if (TitleFitsExample(post.title, key)) {
        ++*found;
        break;
      }
    }
  }
  if (*found < need) return "not every example is found";
  if (posts.size() < kFewestPosts) return "too few posts";
  if (posts.size() > kMostPosts) return "too many posts";
  std::set<std::string> ids;
  *inline_markup = false;
  for (const FoundPost& post : posts) {
    if (post.title.empty() || post.title.size() > kLongestTitle) {
      return "a title is empty or too long";
    }
    if (post.title.find('<') != std::string::npos) {
      Pattern inline_tags = PatternNew();
      PatternCreate(inline_tags, std::string("^") + kInlineTitleGroup + "$",
                    false);
      if (PatternSearchAll(inline_tags, post.title).empty()) {
        return "a title holds markup";
      }
      *inline_markup = true;
    }
    if (post.id.empty() || !ids.insert(post.id).second) {
      return "post ids repeat";
    }
    if (!IsHttpAddress(post.link)) return "a link is not a web address";
  }
  // Records come at a steady pace; a long hole means two lists were taken.
  std::vector<size_t> gaps;
  for (size_t i = 1; i < starts.size(); ++i)
    gaps.push_back(starts[i] - starts[i - 1]);
  if (gaps.size() >= 3) {
    std::vector<size_t> sorted = gaps;
    std::sort(sorted.begin(), sorted.end());
    const size_t typical = sorted[sorted.size() / 2];
    if (sorted.back() > 10 * typical && sorted.back() > 3000) {
      return "records are not evenly spaced";
    }
  }
  return {};
}

std::vector<Candidate> FindCandidates(const StudiedPage& page,
                                      const CandidateSearch& search) {
  const std::string& t = page.tidy.text;
  std::vector<Draft> drafts;
  for (size_t k = 0; k < search.keys.size() && k < search.learn_from; ++k) {
    for (Draft& draft : DraftsForExample(page, search.keys[k])) {
      drafts.push_back(std::move(draft));
    }
  }
  // Each pattern is tried once over the tidied page; those that find the
  // examples get markers and go through the chain, most promising first.
  struct Trial {
    Draft draft;
    PostRun run;
    size_t found = 0;
    size_t count = 0;
  };
  std::vector<Trial> trials;
  std::set<std::string> tried;
  for (size_t d = 0; d < drafts.size(); ++d) {
    if (StopRequested()) return {};
    if (!tried.insert(drafts[d].reg).second) continue;
    Pattern pattern = PatternNew();
    if (!PatternCreate(pattern, drafts[d].reg, /*case_sensitive=*/false)) {
      continue;
    }
    std::vector<Match> matches = PatternSearchAll(pattern, t);
    std::erase_if(matches, [&](const Match& match) {
      return static_cast<size_t>(match.groups[0].begin) < search.records_from;
    });
    if (matches.size() < kFewestPosts) continue;
    ChainRule rule;
    rule.title_group = drafts[d].title_group;
    rule.id_group = drafts[d].id_group;
    rule.link_template = drafts[d].pinurl;
    std::vector<size_t> example_matches;
    size_t found = 0;
    for (const ExampleKey& key : search.keys) {
      for (size_t i = 0; i < matches.size(); ++i) {
        if (TitleFitsExample(
                PostOfMatch(rule, matches[i], t, page.tidy.marks).title, key)) {
          example_matches.push_back(i);
          ++found;
          break;
        }
      }
    }
    if (found < search.need || example_matches.empty()) continue;
    Trial trial;
    trial.run = RunOf(matches, example_matches, t.size());
    if (drafts[d].whole_link) {
      // Links shaped like the example's (numbers aside) when there are
      // enough of them: a channel's own link is no post's.
      const std::string matched_example =
          MatchSubText(matches[example_matches.front()], t, rule.id_group);
      std::vector<std::string> links, alike;
      for (size_t i = trial.run.first_index; i <= trial.run.last_index; ++i) {
        links.push_back(MatchSubText(matches[i], t, rule.id_group));
        if (LinkShape(links.back()) == LinkShape(matched_example)) {
          alike.push_back(links.back());
        }
      }
      if (alike.size() >= kFewestPosts) links = std::move(alike);
      if (std::optional<Draft> refined =
              DraftFromLinks(page, drafts[d], links, matched_example)) {
        drafts.push_back(std::move(*refined));
      }
      continue;
    }
    trial.found = found;
    trial.count = trial.run.records.size();
    trial.draft = drafts[d];
    trials.push_back(std::move(trial));
  }
  const auto trial_rank = [](const Trial& t) {
    return Rank{t.found, t.draft.inline_markup, t.draft.digits, t.count};
  };
  std::stable_sort(trials.begin(), trials.end(),
                   [&](const Trial& a, const Trial& b) {
                     return RanksBefore(trial_rank(a), trial_rank(b));
                   });
  std::map<std::tuple<size_t, size_t, size_t, size_t>, Markers> marker_cache;
  std::vector<Candidate> candidates;
  std::set<std::string> seen_posts;
  size_t runs = 0;
  for (const Trial& trial : trials) {
    if (runs == kChainRuns || StopRequested()) break;
    const auto key =
        std::make_tuple(trial.run.floor, trial.run.records.front().first,
                        trial.run.records.back().second, trial.run.ceiling);
    auto cached = marker_cache.find(key);
    if (cached == marker_cache.end()) {
      cached = marker_cache
                   .emplace(key, ChooseMarkers(page.text, page.tidy, trial.run))
                   .first;
    }
    const Markers& markers = cached->second;
    if (!markers.found) continue;
    Candidate candidate;
    RuleRow& row = candidate.row;
    row.id = search.rule_id;
    row.isgbk = page.gbk ? "1" : "0";
    row.url = page.url;
    row.name = PageName(page);
    row.reg = trial.draft.reg;
    row.before = markers.before;
    row.after = markers.after;
    row.tindex = std::to_string(trial.draft.title_group);
    row.idindex = std::to_string(trial.draft.id_group);
    row.pinurl = trial.draft.pinurl;
    bool sound = true;
    for (const RuleProblem& problem : CheckRule(row)) sound &= problem.warning;
    if (!sound) continue;
    ++runs;
    std::vector<size_t> starts;
    candidate.posts = RunOverPage(row, page, &starts);
    const std::string why =
        RejectPosts(candidate.posts, starts, search.keys, search.need,
                    &candidate.examples_found, &candidate.inline_markup);
    if (!why.empty()) continue;
    if (!seen_posts.insert(PostKey(candidate.posts)).second) continue;
    candidate.digit_id = trial.draft.digits;
    candidate.skeleton = trial.draft.skeleton;
    candidates.push_back(std::move(candidate));
  }
  const auto candidate_rank = [](const Candidate& c) {
    return Rank{c.examples_found, c.inline_markup, c.digit_id, c.posts.size()};
  };
  std::stable_sort(candidates.begin(), candidates.end(),
                   [&](const Candidate& a, const Candidate& b) {
                     return RanksBefore(candidate_rank(a), candidate_rank(b));
                   });
  return candidates;
}

}  // namespace dw
