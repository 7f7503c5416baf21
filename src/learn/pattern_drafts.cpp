#include "learn/pattern_drafts.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <tuple>

#include "learn/link_address.h"
#include "learn/pattern_parts.h"
#include "runtime/web_address.h"

namespace dw {
namespace {

constexpr size_t kLinkReach = 2000;  // how far from a title its link may be
constexpr size_t kLongestMiddle = 1000;
constexpr size_t kHitsPerExample = 4;

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
    if (!IsHttpAddress(absolute) || !absolute.ends_with(id + tail)) return;
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

// The pattern text of what ends a title: the tag after it, or in an
// attribute, the next attribute's name.
std::string PatternAfterTitle(const std::string& t, const TitleSpan& title) {
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

// The pattern text of what stands just before a title: its opening tag
// (with a CDATA opening), or in an attribute, the attribute's name.
std::string PatternBeforeTitle(const std::string& t, const TitleSpan& title) {
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
  std::string outer =
      link_first ? PatternAfterTitle(t, title) : PatternBeforeTitle(t, title);
  if (outer.empty()) return;
  std::vector<IdChoice> choices = IdChoices(page, link);
  IdChoice whole;
  whole.pattern = link.in_tag ? "([^ <>]+)" : "([^<]+)";
  choices.push_back(whole);
  // The middle as it is, by its markup, or as anything that does not reach
  // into the next post (where the next title's or link's opening stands).
  const std::string opening =
      link_first ? link.head_pattern
                 : PatternBeforeTitle(t, title).substr(
                       0, PatternBeforeTitle(t, title).find("(?:"));
  std::vector<std::pair<std::string, bool>> middles = {
      {LiteralPart(mid), false}};
  if (SkeletonPart(mid, mid_in_tag) != middles[0].first) {
    middles.push_back({SkeletonPart(mid, mid_in_tag), true});
  }
  const std::string fence =
      link_first ? PatternBeforeTitle(t, title) : PatternAfterTitle(t, title);
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

}  // namespace

std::vector<Draft> DraftsForExample(const StudiedPage& page,
                                    const ExampleKey& key) {
  std::vector<Draft> drafts;
  for (const TitleSpan& title : TitleSpans(page, key)) {
    for (const LinkSpan& link : LinksNear(page, title)) {
      AddDrafts(page, title, link, drafts);
    }
  }
  return drafts;
}

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
  if (!IsHttpAddress(absolute) || !absolute.ends_with(id + link_tail)) {
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

}  // namespace dw
