#include "learn/record_rule.h"

#include <algorithm>
#include <set>

#include "learn/json_records.h"
#include "learn/pattern_parts.h"
#include "learn/rule_candidates.h"
#include "runtime/gbk_char.h"
#include "runtime/gbk_constants.h"
#include "runtime/threads.h"
#include "text/gbk_codec.h"
#include "text/page_text.h"

namespace dw {
namespace {

// Context taken around a group: enough to tell the title's link from the
// record's other links, short enough to outlast small changes.
constexpr size_t kLongestContext = 40;
constexpr size_t kLongestEnd = 24;
// The ends of a middle that differs: a link's whole query, its class.
constexpr size_t kLongestMiddleEnd = 120;
// A middle longer than this is matched by its ends only.
constexpr size_t kLongestLiteralMiddle = 160;

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
         (c >= 'A' && c <= 'Z');
}

std::string CommonPrefix(const std::vector<std::string>& texts) {
  if (texts.empty()) return {};
  size_t n = texts[0].size();
  for (const std::string& t : texts) {
    size_t k = 0;
    while (k < n && k < t.size() && t[k] == texts[0][k]) ++k;
    n = k;
  }
  return texts[0].substr(0, n);
}

std::string CommonSuffix(const std::vector<std::string>& texts) {
  if (texts.empty()) return {};
  size_t n = texts[0].size();
  for (const std::string& t : texts) {
    size_t k = 0;
    while (k < n && k < t.size() &&
           t[t.size() - 1 - k] == texts[0][texts[0].size() - 1 - k]) {
      ++k;
    }
    n = k;
  }
  return texts[0].substr(texts[0].size() - n);
}

// Only markup is taken as context: the ASCII end of a left context, the
// ASCII start of a right one (a byte of a character is never cut).
std::string AsciiTail(std::string s, size_t most) {
  size_t from = s.size();
  while (from > 0 && static_cast<unsigned char>(s[from - 1]) < 0x80 &&
         s.size() - from < most) {
    --from;
  }
  return s.substr(from);
}

std::string AsciiHead(std::string s, size_t most) {
  size_t to = 0;
  while (to < s.size() && static_cast<unsigned char>(s[to]) < 0x80 &&
         to < most) {
    ++to;
  }
  return s.substr(0, to);
}

// The tidied text offset of program text offset `at`.
size_t Tidied(const TidyMap& tidy, size_t at) {
  return static_cast<size_t>(std::lower_bound(tidy.origin.begin(),
                                              tidy.origin.end(),
                                              static_cast<uint32_t>(at)) -
                             tidy.origin.begin());
}

// Where the groups of one record lie in the tidied text.
struct Placed {
  size_t start = 0;  // the record
  size_t id_from = 0, id_to = 0;
  size_t title_from = 0, title_to = 0;
};

std::string IdGroup(const std::vector<std::string>& ids, bool html) {
  bool digits = true;
  bool word = true;
  for (const std::string& id : ids) {
    for (char c : id) {
      digits = digits && c >= '0' && c <= '9';
      word = word && (IsAlnum(c) || c == '_' || c == '-');
    }
  }
  if (digits) return "(\\d+)";
  if (word) return "([\\w-]+)";
  return html ? "([^ <>]+?)" : "([^<>]+?)";
}

// A run of literal page text, or its ends around a lazy gap where the
// records differ.
std::string MiddlePart(const std::vector<std::string>& middles) {
  const bool same =
      std::all_of(middles.begin(), middles.end(),
                  [&](const std::string& m) { return m == middles[0]; });
  if (same && middles[0].size() <= kLongestLiteralMiddle) {
    return EscapeLiteral(middles[0]);
  }
  size_t shortest = middles[0].size();
  for (const std::string& m : middles) shortest = std::min(shortest, m.size());
  std::string head = AsciiHead(CommonPrefix(middles), kLongestMiddleEnd);
  std::string tail = AsciiTail(CommonSuffix(middles), kLongestMiddleEnd);
  if (head.size() > shortest) head.clear();
  // Head and tail may share bytes of the shortest middle.
  if (head.size() + tail.size() > shortest) {
    tail.erase(0, head.size() + tail.size() - shortest);
  }
  bool tags = false;
  for (const std::string& m : middles) {
    const std::string_view gap = std::string_view(m).substr(
        head.size(), m.size() - head.size() - tail.size());
    tags = tags || gap.find('<') != std::string_view::npos;
  }
  return EscapeLiteral(head) + (tags ? ".*?" : "[^<]*?") + EscapeLiteral(tail);
}

struct Draft {
  std::string pattern;
  int title_group = 0;
  int id_group = 0;
};

// Patterns from the tightest to the loosest; empty when the records share
// no context to write one with.
std::vector<Draft> DraftPatterns(const std::string& tidy,
                                 const std::vector<Placed>& placed,
                                 const std::vector<std::string>& ids, bool html,
                                 bool json) {
  const bool id_first =
      std::all_of(placed.begin(), placed.end(),
                  [](const Placed& p) { return p.id_to <= p.title_from; });
  const bool title_first =
      std::all_of(placed.begin(), placed.end(),
                  [](const Placed& p) { return p.title_to <= p.id_from; });
  if (!id_first && !title_first) return {};
  std::vector<std::string> lefts, middles, rights, starts;
  for (const Placed& p : placed) {
    const size_t first = id_first ? p.id_from : p.title_from;
    const size_t left =
        first - std::min(first - std::min(first, p.start), kLongestContext * 4);
    lefts.push_back(tidy.substr(left, first - left));
    middles.push_back(id_first
                          ? tidy.substr(p.id_to, p.title_from - p.id_to)
                          : tidy.substr(p.title_to, p.id_from - p.title_to));
    const size_t end = id_first ? p.title_to : p.id_to;
    rights.push_back(tidy.substr(end, kLongestEnd));
  }
  // Context is markup: from the last tag's start on the left, up to the
  // first tag's end on the right; text around it (an author's name, a
  // date) changes from post to post.
  std::string left = AsciiTail(CommonSuffix(lefts), kLongestContext);
  std::string right = AsciiHead(CommonPrefix(rights), kLongestEnd);
  if (html) {
    if (const size_t tag = left.find('<'); tag != std::string::npos) {
      left.erase(0, tag);
    }
    if (const size_t tag = right.find('>'); tag != std::string::npos) {
      right.resize(tag + 1);
    }
  } else if (json) {
    // A member's name, not the value before it: from the last separator
    // on the left, up to the next name on the right.
    if (const size_t sep = left.find_last_of(",{["); sep != std::string::npos) {
      left.erase(0, sep);
    }
    // Whole members the records share (an advert's flag differs) count;
    // a value cut short does not.
    const size_t name = right.find(':', 1);
    const size_t whole = right.find_last_of(",}]");
    if (name != std::string::npos && whole != std::string::npos &&
        whole > name) {
      right.resize(whole + 1);
    } else if (name != std::string::npos) {
      right.resize(name + 1);
    } else if (const size_t sep = right.find_first_of(",}]", 1);
               sep != std::string::npos) {
      right.resize(sep + 1);
    }
  } else {
    if (const size_t tag = left.find('<'); tag != std::string::npos) {
      left.erase(0, tag);
    }
    if (const size_t tag = right.find('>'); tag != std::string::npos) {
      right.resize(tag + 1);
    }
  }
  std::string left_part = EscapeLiteral(left);
  if (!json && (left.size() < 8 || left.find('<') == std::string::npos)) {
    // Too little shared: the group's own start tag, its values left open,
    // after what precedes that tag.
    std::vector<std::string> before_tag, tags;
    for (const Placed& p : placed) {
      const size_t first = id_first ? p.id_from : p.title_from;
      const size_t tag = tidy.rfind('<', first == 0 ? 0 : first - 1);
      if (tag == std::string::npos || tag < p.start || first - tag > 400) {
        return {};
      }
      tags.push_back(tidy.substr(tag, first - tag));
      const size_t from = tag - std::min(tag - p.start, kLongestContext * 4);
      before_tag.push_back(tidy.substr(from, tag - from));
    }
    std::string pre = AsciiTail(CommonSuffix(before_tag), kLongestContext);
    if (const size_t tag = pre.rfind('<'); tag != std::string::npos) {
      pre.erase(0, tag);
    }
    left_part = EscapeLiteral(pre) + MiddlePart(tags);
  }
  if (left.empty() || right.empty()) return {};
  for (const Placed& p : placed) {
    // The record's start, up to where the first group's context begins.
    const size_t first = id_first ? p.id_from : p.title_from;
    const size_t room = first - std::min(first, p.start + left.size());
    starts.push_back(tidy.substr(p.start, std::min(room, kLongestContext)));
  }
  const std::string id = IdGroup(ids, html);
  // A title never runs past its own end: past the tag that closes it
  // (the feed's own <title> is no post's), or out of its JSON object.
  std::vector<std::string> afters;
  for (const Placed& p : placed) afters.push_back(tidy.substr(p.title_to, 64));
  std::string closer = AsciiHead(CommonPrefix(afters), kLongestEnd);
  if (const size_t tag = closer.find('>'); tag != std::string::npos) {
    closer.resize(tag + 1);
  }
  std::string title = "(.*?)";
  if (json) {
    title = "([^{}]*?)";
  } else if (closer.starts_with("</")) {
    title = "((?:(?!" + EscapeLiteral(closer) + ").)*?)";
  }
  const std::string middle = MiddlePart(middles);
  const std::string body = id_first ? id + middle + title : title + middle + id;
  Draft plain;
  plain.pattern = left_part + body + EscapeLiteral(right);
  plain.id_group = id_first ? 1 : 2;
  plain.title_group = id_first ? 2 : 1;
  std::vector<Draft> drafts = {plain};
  // Anchored at the record's start: a link of the same shape elsewhere in
  // the record (a page number, the last post) is no post.
  // Anchored at the record's whole start tag, in each of its forms: an
  // advert that copies a post with one more class is no post.
  std::set<std::string> forms;
  for (const Placed& p : placed) {
    const size_t close = tidy.find('>', p.start);
    const size_t first = id_first ? p.id_from : p.title_from;
    // The tag must end before the first group's own context begins.
    if (close == std::string::npos || close + left.size() >= first ||
        close - p.start > 200) {
      forms.clear();
      break;
    }
    std::string form;
    const std::string tag = tidy.substr(p.start, close + 1 - p.start);
    for (size_t k = 0; k < tag.size();) {
      if (tag[k] >= '0' && tag[k] <= '9') {
        while (k < tag.size() && tag[k] >= '0' && tag[k] <= '9') ++k;
        form += "\\d+";
      } else {
        const size_t width = GbkCharLength(tag, k);
        form += EscapeLiteral(tag.substr(k, width));
        k += width;
      }
    }
    forms.insert(form);
  }
  if (!forms.empty() && forms.size() <= 4) {
    std::string either;
    for (const std::string& form : forms) {
      either += (either.empty() ? "" : "|") + form;
    }
    Draft tagged = plain;
    const std::string s = "(?:" + either + ")";
    tagged.pattern = s + "(?:(?!" + s + ").)*?" + plain.pattern;
    drafts.push_back(tagged);
  }
  std::string start = AsciiHead(CommonPrefix(starts), kLongestContext);
  // An id's first digits are shared by chance.
  start.resize(std::min(start.size(), start.find_first_of("0123456789")));
  if (start.size() >= 3) {
    Draft anchored = plain;
    const std::string s = EscapeLiteral(start);
    anchored.pattern = s + "(?:(?!" + s + ").)*?" + plain.pattern;
    drafts.push_back(anchored);
  }
  return drafts;
}

std::string AsMarker(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '"') {
      out += kQuotePlaceholder;
    } else {
      out += c;
    }
  }
  return out;
}

// Start and end markers that cut out all the records and only them, best
// first; the last pair cuts from the top to the page's end.
std::vector<std::pair<std::string, std::string>> MarkerPairs(
    const std::string& text, const RecordList& list) {
  const size_t first = list.records.front().whole.from;
  const size_t last = list.records.back().whole.to;
  std::vector<std::string> ends = list.after;
  // The page's own last bytes close any cut.
  size_t tail_end = text.size();
  while (tail_end > 0 &&
         (text[tail_end - 1] == ' ' || text[tail_end - 1] == '\n' ||
          text[tail_end - 1] == '\r' || text[tail_end - 1] == '\t')) {
    --tail_end;
  }
  // The page's last bytes, even where they close the last record too (a
  // JSON answer ends "}]}"): taken only where they stand at the end.
  std::vector<std::string> tails;
  for (size_t n : {3, 8, 16, 32}) {
    if (tail_end >= n) tails.push_back(text.substr(tail_end - n, n));
  }
  // What follows the last record to the page's end, when that is short.
  if (tail_end > last && tail_end - last <= 32) {
    ends.push_back(text.substr(last, tail_end - last));
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  auto add = [&](const std::string& before, size_t cut_from) {
    for (const std::string& after : ends) {
      if (after.empty()) continue;
      const size_t at = text.find(after, cut_from);
      if (at == std::string::npos || at < last) continue;
      pairs.push_back({AsMarker(before), AsMarker(after)});
      return;
    }
    for (const std::string& tail : tails) {
      if (text.find(tail, cut_from) != tail_end - tail.size()) continue;
      pairs.push_back({AsMarker(before), AsMarker(tail)});
      return;
    }
  };
  for (const std::string& before : list.before) {
    const size_t at = text.find(before);
    if (at == std::string::npos || at + before.size() > first) continue;
    add(before, at + before.size());
    if (pairs.size() >= 3) break;
  }
  add("", 0);
  return pairs;
}

}  // namespace

bool SameRecordPosts(const std::vector<FoundPost>& posts,
                     const RecordList& list) {
  if (posts.size() != list.records.size()) return false;
  for (size_t i = 0; i < posts.size(); ++i) {
    if (!SameShownTitle(posts[i].title, list.records[i].shown_title)) {
      return false;
    }
    if (GbkToUtf8(posts[i].link) != list.records[i].link) return false;
  }
  return true;
}

bool ShapeOfLinks(const std::vector<std::string>& links, LinkShape* shape) {
  if (links.size() < 2) return false;
  std::string head = CommonPrefix(links);
  std::vector<std::string> rests;
  for (const std::string& link : links)
    rests.push_back(link.substr(head.size()));
  std::string tail = CommonSuffix(rests);
  // The varying part starts and ends at whole words: ids 123 and 129 share
  // "12" by chance.
  auto any_starts_alnum = [&](bool at_end) {
    for (const std::string& r : rests) {
      const std::string_view mid =
          std::string_view(r).substr(0, r.size() - tail.size());
      if (!mid.empty() && IsAlnum(at_end ? mid.back() : mid.front()))
        return true;
    }
    return false;
  };
  while (!tail.empty() && IsAlnum(tail.front()) && any_starts_alnum(true)) {
    tail.erase(0, 1);
  }
  if (any_starts_alnum(false)) {
    while (!head.empty() && IsAlnum(head.back())) head.pop_back();
  }
  shape->head = head;
  shape->tail = tail;
  shape->ids.clear();
  for (const std::string& link : links) {
    if (link.size() < head.size() + tail.size()) return false;
    std::string id =
        link.substr(head.size(), link.size() - head.size() - tail.size());
    if (id.empty()) return false;
    shape->ids.push_back(std::move(id));
  }
  return true;
}

bool SameShownTitle(const std::string& chain_title, const std::string& shown) {
  return CollapseSpaces(GbkToUtf8(chain_title)) == CollapseSpaces(shown);
}

std::vector<WrittenRule> WriteRecordRules(const StudiedPage& page,
                                          const RecordList& list,
                                          const RuleFrame& frame, size_t most) {
  std::vector<WrittenRule> written;
  if (list.records.size() < 2) return written;
  std::vector<std::string> links;
  for (const PageRecord& record : list.records) links.push_back(record.link);
  LinkShape shape;
  if (!ShapeOfLinks(links, &shape)) return written;
  std::vector<Placed> placed;
  std::vector<std::string> ids;  // program text
  for (size_t i = 0; i < list.records.size(); ++i) {
    const PageRecord& record = list.records[i];
    const std::string id = Utf8ToGbk(shape.ids[i]);
    const std::string href =
        page.text.substr(record.href.from, record.href.to - record.href.from);
    size_t at = href.rfind(id);
    size_t id_size = id.size();
    if (at == std::string::npos && list.source == RecordSource::kJson) {
      // Escapes in the string (\/, \u0026): the id as written.
      std::vector<uint32_t> origin;
      const std::string decoded = DecodeJsonText(href, &origin);
      const size_t found = decoded.rfind(shape.ids[i]);
      if (found != std::string::npos) {
        at = origin[found];
        id_size = origin[found + shape.ids[i].size()] - at;
      }
    }
    if (at == std::string::npos) {
      return written;
    }
    Placed p;
    p.start = Tidied(page.tidy, record.whole.from);
    p.id_from = Tidied(page.tidy, record.href.from + at);
    p.id_to = Tidied(page.tidy, record.href.from + at + id_size);
    const std::string raw_id = href.substr(at, id_size);
    p.title_from = Tidied(page.tidy, record.title.from);
    p.title_to = Tidied(page.tidy, record.title.to);
    if (page.tidy.text.compare(p.id_from, p.id_to - p.id_from, raw_id) != 0) {
      return written;  // the tidy changes the id: no pattern can take it
    }
    placed.push_back(p);
    ids.push_back(raw_id);
  }
  const bool html = list.source == RecordSource::kHtml;
  const bool json = list.source == RecordSource::kJson;
  const std::vector<Draft> drafts =
      DraftPatterns(page.tidy.text, placed, ids, html, json);
  const auto pairs = MarkerPairs(page.text, list);
  for (const Draft& draft : drafts) {
    for (const auto& [before, after] : pairs) {
      if (StopRequested()) return written;
      WrittenRule rule;
      rule.row = frame.base;
      RuleRow& row = rule.row;
      row.isgbk = page.gbk ? "1" : "0";
      row.json_strings = list.source == RecordSource::kJson;
      row.plain_titles = list.plain_titles;
      row.charset = page.charset;
      row.reg = draft.pattern;
      row.before = before;
      row.after = after;
      row.tindex = std::to_string(draft.title_group);
      row.idindex = std::to_string(draft.id_group);
      row.pinurl = Utf8ToGbk(shape.head) + "[" +
                   std::to_string(draft.id_group) + "]" + Utf8ToGbk(shape.tail);
      rule.posts = RunOverPage(row, page);
      if (!SameRecordPosts(rule.posts, list)) continue;
      written.push_back(std::move(rule));
      break;  // the next draft may still be worth offering
    }
    if (written.size() >= most) break;
  }
  return written;
}

}  // namespace dw
