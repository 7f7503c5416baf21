#include "learn/rule_candidates.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "collect/rule_chain.h"
#include "learn/link_address.h"
#include "learn/markers.h"
#include "learn/pattern_parts.h"
#include "runtime/native_pattern.h"
#include "runtime/threads.h"

namespace dw {
namespace {

constexpr size_t kFewestPosts = 3;
constexpr size_t kMostPosts = 500;
constexpr size_t kLongestTitle = 300;
constexpr size_t kLinkReach = 2000;  // how far from a title its link may be
constexpr size_t kLongestMiddle = 1000;
constexpr size_t kHitsPerExample = 4;
constexpr size_t kChainRuns = 12;

// Where an example's title stands in the tidied text.
struct TitleSpan {
  size_t begin = 0;
  size_t end = 0;
  bool in_tag = false;    // an attribute value
  bool has_tags = false;  // inline markup inside
  bool operator<(const TitleSpan& o) const {
    return std::tie(begin, end) < std::tie(o.begin, o.end);
  }
};

// A post's link near a title: the address in the tidied text and what
// introduces it.
struct LinkSpan {
  size_t head = 0;  // where the introducing text starts
  size_t begin = 0;
  size_t end = 0;
  std::string head_pattern;
  bool in_tag = false;
};

// One way of reading the post id out of the link.
struct IdChoice {
  std::string pattern;  // prefix, group, suffix
  std::string link_template_head;
  std::string link_template_tail;
  bool digits = false;
};

struct Draft {
  std::string reg;
  int title_group = 0;
  int id_group = 0;
  std::string pinurl;
  bool digits = false;
  bool skeleton = false;
  bool inline_markup = false;
  // A draft that takes the whole link, only to learn from all the links it
  // finds which part of them is the id.
  bool whole_link = false;
  std::string before_link;  // the pattern around the link
  std::string after_link;
  std::string example_link;  // the example's link as the page writes it
};

bool InsideTag(const std::string& t, size_t at) {
  if (at == 0) return false;
  const size_t open = t.rfind('<', at - 1);
  if (open == std::string::npos) return false;
  if (t.compare(open, 9, "<![CDATA[") == 0) return false;
  const size_t close = t.rfind('>', at - 1);
  return close == std::string::npos || open > close;
}

// An opening tag of the markup a title may hold.
bool IsInlineTag(std::string_view tag) {
  for (std::string_view name :
       {"b", "i", "u", "s", "em", "strong", "font", "span", "small", "big"}) {
    if (tag.size() > name.size() + 1 && tag[0] == '<' &&
        tag.substr(1, name.size()) == name &&
        (tag[name.size() + 1] == '>' || tag[name.size() + 1] == ' ')) {
      return true;
    }
  }
  return false;
}

std::vector<TitleSpan> TitleSpans(const StudiedPage& page,
                                  const ExampleKey& key) {
  const std::string& t = page.tidy.text;
  std::set<TitleSpan> spans;
  if (key.text.empty()) return {};
  for (const LooseText* view : {&page.content, &page.markup}) {
    size_t pos = view->text.find(key.text);
    for (size_t hits = 0; pos != std::string::npos && hits < kHitsPerExample;
         ++hits, pos = view->text.find(key.text, pos + 1)) {
      TitleSpan span;
      span.begin = view->begin[pos];
      span.end = view->end[pos + key.text.size() - 1];
      span.in_tag = InsideTag(t, span.begin);
      if (key.prefix) {
        // A shortened title runs on to the end of its text.
        while (span.end < t.size() && t[span.end] != '<' &&
               t[span.end] != '>' && !(span.in_tag && t[span.end] == '=')) {
          ++span.end;
        }
        if (span.in_tag && span.end < t.size() && t[span.end] == '=') {
          while (span.end > span.begin && t[span.end - 1] != ' ') --span.end;
        }
      }
      while (span.end > span.begin && t[span.end - 1] == ' ') --span.end;
      if (span.end <= span.begin) continue;
      span.has_tags = std::string_view(t)
                          .substr(span.begin, span.end - span.begin)
                          .find('<') != std::string_view::npos;
      // Markup inside a title starts at its beginning: "<b>Top:</b> rest".
      while (span.has_tags && span.begin > 0 && t[span.begin - 1] == '>') {
        const size_t open = t.rfind('<', span.begin - 1);
        if (open == std::string::npos ||
            !IsInlineTag(std::string_view(t).substr(open, span.begin - open))) {
          break;
        }
        span.begin = open;
      }
      spans.insert(span);
    }
  }
  return {spans.begin(), spans.end()};
}

// True when the tidy dropped a quote just before byte `at`: an attribute
// value ended there.
bool QuoteEndsBefore(const StudiedPage& page, size_t at) {
  const auto& origin = page.tidy.origin;
  if (at == 0 || at >= origin.size()) return false;
  for (uint32_t i = origin[at - 1] + 1; i < origin[at]; ++i) {
    if (page.text[i] == '"' || page.text[i] == '\'') return true;
  }
  return false;
}

std::optional<LinkSpan> LinkAt(const StudiedPage& page, size_t head,
                               std::string_view token) {
  const std::string& t = page.tidy.text;
  LinkSpan link;
  link.head = head;
  if (token.ends_with('=')) {
    link.in_tag = true;
    link.head_pattern = EscapeLiteral(token);
    link.begin = head + token.size();
    link.end = link.begin;
    while (link.end < t.size() && t[link.end] != ' ' && t[link.end] != '>' &&
           t[link.end] != '<' &&
           !(link.end > link.begin && QuoteEndsBefore(page, link.end))) {
      ++link.end;
    }
  } else {
    const size_t open_end = t.find('>', head);
    if (open_end == std::string::npos) return std::nullopt;
    link.head_pattern = token == "<link>" ? "<link>" : "<guid[^>]*>";
    link.begin = open_end + 1;
    if (t.compare(link.begin, 9, "<![CDATA[") == 0) {
      link.head_pattern += "<!\\[CDATA\\[";
      link.begin += 9;
    }
    link.end = t.find('<', link.begin);
    if (link.end == std::string::npos) return std::nullopt;
    if (t.compare(link.end - 2, 2, "]]") == 0) link.end -= 2;
  }
  const std::string_view url(t.data() + link.begin, link.end - link.begin);
  if (url.empty() || url[0] == '#' || url.starts_with("javascript") ||
      url.size() > 500) {
    return std::nullopt;
  }
  return link;
}

constexpr std::string_view kLinkTokens[] = {
    "href=", "HREF=", "about=", "<link>", "<guid"};

// The nearest links before the title (two) and after it (one).
std::vector<LinkSpan> LinksNear(const StudiedPage& page,
                                const TitleSpan& title) {
  const std::string& t = page.tidy.text;
  std::vector<LinkSpan> links;
  std::vector<std::pair<size_t, std::string_view>> before;
  for (std::string_view token : kLinkTokens) {
    size_t at = title.begin;
    for (int k = 0; k < 2 && at > 0; ++k) {
      at = t.rfind(token, at - 1);
      if (at == std::string::npos || at + kLinkReach < title.begin) break;
      before.push_back({at, token});
    }
  }
  std::sort(before.rbegin(), before.rend());
  for (const auto& [at, token] : before) {
    if (links.size() == 2) break;
    std::optional<LinkSpan> link = LinkAt(page, at, token);
    if (link && link->end <= title.begin) links.push_back(*link);
  }
  std::optional<LinkSpan> after;
  for (std::string_view token : kLinkTokens) {
    const size_t at = t.find(token, title.end);
    if (at == std::string::npos || at > title.end + kLinkReach) continue;
    if (after && after->head < at) continue;
    if (std::optional<LinkSpan> link = LinkAt(page, at, token)) after = link;
  }
  if (after) links.push_back(*after);
  return links;
}

std::vector<IdChoice> IdChoices(const StudiedPage& page, const LinkSpan& link) {
  const std::string url =
      page.tidy.text.substr(link.begin, link.end - link.begin);
  const std::string absolute = ResolveLink(page.url, UnescapeLink(url));
  std::vector<std::pair<size_t, size_t>> runs;  // begin, end of digit runs
  for (size_t i = 0; i < url.size();) {
    if (!std::isdigit(static_cast<unsigned char>(url[i]))) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < url.size() && std::isdigit(static_cast<unsigned char>(url[j])))
      ++j;
    runs.push_back({i, j});
    i = j;
  }
  std::stable_sort(runs.begin(), runs.end(), [](auto a, auto b) {
    return a.second - a.first > b.second - b.first;
  });
  if (runs.size() > 3) runs.resize(3);
  std::vector<IdChoice> choices;
  auto add = [&](size_t begin, size_t end, const char* group, bool digits) {
    const std::string id = UnescapeLink(url.substr(begin, end - begin));
    const std::string tail = UnescapeLink(url.substr(end));
    if (!IsWebAddress(absolute) || !absolute.ends_with(id + tail)) return;
    IdChoice choice;
    choice.pattern = EscapeLiteral(url.substr(0, begin)) + group +
                     EscapeLiteral(url.substr(end));
    choice.link_template_head =
        absolute.substr(0, absolute.size() - id.size() - tail.size());
    choice.link_template_tail = tail;
    choice.digits = digits;
    choices.push_back(choice);
  };
  for (auto [begin, end] : runs) add(begin, end, "(\\d+)", true);
  // Ids that are not numbers: what follows the last "/" or "=".
  const size_t cut = url.find_last_of("/=", url.size() - 2);
  if (cut != std::string::npos) {
    add(cut + 1, url.size(), link.in_tag ? "([^ <>]+?)(?=[ >/]|$)" : "([^<]+)",
        false);
  }
  return choices;
}

// What ends a title: the tag after it, or in an attribute, the next
// attribute's name.
std::string RightOf(const std::string& t, const TitleSpan& title) {
  size_t i = title.end;
  std::string out;
  if (i < t.size() && t[i] == ' ') out = " *";
  while (i < t.size() && t[i] == ' ') ++i;
  if (i >= t.size()) return out;
  size_t stop = std::string::npos;
  if (t[i] == '<' || t.compare(i, 3, "]]>") == 0) {
    stop = t.find('>', t.compare(i, 3, "]]>") == 0 ? i + 3 : i);
  } else {
    stop = t.find_first_of("=>", i);
  }
  if (stop == std::string::npos || stop - i > 60) return {};
  return out + LiteralPart(std::string_view(t).substr(i, stop + 1 - i));
}

// What stands just before a title: its opening tag (with a CDATA opening),
// or in an attribute, the attribute's name.
std::string LeftOf(const std::string& t, const TitleSpan& title) {
  if (title.begin == 0) return {};
  size_t start = std::string::npos;
  if (title.in_tag) {
    start = t.rfind(' ', title.begin - 1);
  } else {
    start = t.rfind('<', title.begin - 1);
    if (start != std::string::npos && start > 0 &&
        t.compare(start, 9, "<![CDATA[") == 0) {
      start = t.rfind('<', start - 1);
    }
  }
  if (start == std::string::npos || title.begin - start > 80) return {};
  return LiteralPart(std::string_view(t).substr(start, title.begin - start));
}

void AddDrafts(const StudiedPage& page, const TitleSpan& title,
               const LinkSpan& link, std::vector<Draft>& drafts) {
  const std::string& t = page.tidy.text;
  const bool link_first = link.end <= title.begin;
  const std::string title_group =
      title.has_tags ? kInlineTitleGroup : kPlainTitleGroup;
  const size_t mid_begin = link_first ? link.end : title.end;
  const size_t mid_end = link_first ? title.begin : link.head;
  if (mid_end < mid_begin || mid_end - mid_begin > kLongestMiddle) return;
  const std::string_view mid(t.data() + mid_begin, mid_end - mid_begin);
  // A title and a link with the end of a row or item between them belong
  // to two posts.
  for (std::string_view end : {"</tr>", "</li>", "</item>", "</entry>",
                               "</tbody>", "</TR>", "</LI>"}) {
    if (mid.find(end) != std::string_view::npos) return;
  }
  const bool mid_in_tag = link_first ? link.in_tag : title.in_tag;
  const int id_group = link_first ? 1 : 2;
  std::string outer = link_first ? RightOf(t, title) : LeftOf(t, title);
  if (outer.empty()) return;
  std::vector<IdChoice> choices = IdChoices(page, link);
  IdChoice whole;
  whole.pattern = link.in_tag ? "([^ <>]+)" : "([^<]+)";
  choices.push_back(whole);
  // The middle as it is, by its markup, or as anything that does not reach
  // into the next post (where the next title's or link's opening stands).
  const std::string opening =
      link_first ? link.head_pattern
                 : LeftOf(t, title).substr(0, LeftOf(t, title).find("(?:"));
  std::vector<std::pair<std::string, bool>> middles = {
      {LiteralPart(mid), false}};
  if (SkeletonPart(mid, mid_in_tag) != middles[0].first) {
    middles.push_back({SkeletonPart(mid, mid_in_tag), true});
  }
  const std::string fence = link_first ? LeftOf(t, title) : RightOf(t, title);
  if (!opening.empty() && !fence.empty() &&
      mid.find('<') != std::string_view::npos) {
    const std::string skip = "(?:(?!" + opening + ").)*?";
    middles.push_back({link_first ? skip + fence : fence + skip, true});
  }
  for (const IdChoice& id : choices) {
    for (const auto& [middle, skeleton] : middles) {
      Draft draft;
      draft.before_link =
          link_first ? link.head_pattern
                     : outer + title_group + middle + link.head_pattern;
      draft.after_link = link_first ? middle + title_group + outer : "";
      draft.reg = draft.before_link + id.pattern + draft.after_link;
      draft.id_group = id_group;
      draft.title_group = link_first ? 2 : 1;
      draft.pinurl = id.link_template_head + "[" + std::to_string(id_group) +
                     "]" + id.link_template_tail;
      draft.digits = id.digits;
      draft.skeleton = skeleton;
      draft.inline_markup = title.has_tags;
      draft.whole_link = id.link_template_head.empty();
      draft.example_link = t.substr(link.begin, link.end - link.begin);
      drafts.push_back(std::move(draft));
    }
  }
}

// A link with its numbers blurred.
std::string LinkShape(std::string_view link) {
  std::string shape;
  for (char c : link) {
    const bool digit = c >= '0' && c <= '9';
    if (!digit) {
      shape += c;
    } else if (shape.empty() || shape.back() != '#') {
      shape += '#';
    }
  }
  return shape;
}

// From the links a whole-link draft found in the run, the draft that takes
// their common start and end as they are and their varying middle as the
// id (digits when every middle is digits).
std::optional<Draft> DraftFromLinks(const StudiedPage& page, Draft draft,
                                    const std::vector<std::string>& links,
                                    const std::string& matched_example) {
  if (links.size() < 2) return std::nullopt;
  std::string_view head = links[0], tail = links[0];
  for (const std::string& link : links) {
    size_t n = 0;
    while (n < head.size() && n < link.size() && head[n] == link[n]) ++n;
    head = head.substr(0, n);
    n = 0;
    while (n < tail.size() && n < link.size() &&
           tail[tail.size() - 1 - n] == link[link.size() - 1 - n]) {
      ++n;
    }
    tail = tail.substr(tail.size() - n);
  }
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  while (!head.empty() && digit(head.back())) head.remove_suffix(1);
  while (!tail.empty() && digit(tail.front())) tail.remove_prefix(1);
  bool digits = true;
  for (const std::string& link : links) {
    if (link.size() < head.size() + tail.size() + 1) return std::nullopt;
    const std::string_view middle = std::string_view(link).substr(
        head.size(), link.size() - head.size() - tail.size());
    digits &= std::all_of(middle.begin(), middle.end(), digit);
  }
  // Markup right after an address can look like part of it once the quotes
  // are gone ("/>"): what the example's own link lacks stays outside.
  const std::string& example = draft.example_link;
  if (!matched_example.starts_with(example)) return std::nullopt;
  const std::string_view extra =
      std::string_view(matched_example).substr(example.size());
  if (!tail.ends_with(extra)) return std::nullopt;
  tail.remove_suffix(extra.size());
  if (example.size() < head.size() + tail.size()) return std::nullopt;
  const std::string absolute = ResolveLink(page.url, UnescapeLink(example));
  const std::string id = UnescapeLink(
      example.substr(head.size(), example.size() - head.size() - tail.size()));
  const std::string link_tail = UnescapeLink(tail);
  if (!IsWebAddress(absolute) || !absolute.ends_with(id + link_tail)) {
    return std::nullopt;
  }
  const char* group = digits ? "(\\d+)" : "([^ <>]+)";
  draft.reg = draft.before_link + EscapeLiteral(head) + group +
              EscapeLiteral(tail) + EscapeLiteral(extra) + draft.after_link;
  draft.pinurl =
      absolute.substr(0, absolute.size() - id.size() - link_tail.size()) + "[" +
      std::to_string(draft.id_group) + "]" + link_tail;
  draft.digits = digits;
  draft.whole_link = false;
  return draft;
}

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
    posts.push_back(PostOfMatch(rule, match, chain.text));
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
    if (!IsWebAddress(post.link)) return "a link is not a web address";
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
    for (const TitleSpan& title : TitleSpans(page, search.keys[k])) {
      for (const LinkSpan& link : LinksNear(page, title)) {
        AddDrafts(page, title, link, drafts);
      }
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
        if (TitleFitsExample(PostOfMatch(rule, matches[i], t).title, key)) {
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
  std::stable_sort(trials.begin(), trials.end(),
                   [](const Trial& a, const Trial& b) {
                     return std::make_tuple(b.found, a.draft.inline_markup,
                                            !a.draft.digits, b.count) <
                            std::make_tuple(a.found, b.draft.inline_markup,
                                            !b.draft.digits, a.count);
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
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) {
                     return std::make_tuple(b.examples_found, a.inline_markup,
                                            !a.digit_id, b.posts.size()) <
                            std::make_tuple(a.examples_found, b.inline_markup,
                                            !b.digit_id, a.posts.size());
                   });
  return candidates;
}

}  // namespace dw
