#include "learn/html_records.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "learn/html_tree.h"
#include "learn/link_address.h"
#include "learn/link_rank.h"
#include "runtime/ascii_case.h"
#include "runtime/web_address.h"

namespace dw {
namespace {

// More than this many places holding one example's text, and the example
// names no title of a list.
constexpr size_t kMostPlaces = 8;
// A list of posts has at least this many; with one example its siblings
// must show it.
constexpr size_t kFewestRecords = 2;
constexpr size_t kFewestWithOneExample = 3;

// Where an example's text stands: an element's text, or an attribute.
struct Place {
  HtmlNode* element = nullptr;
  bool in_title_attribute = false;
};

// One step down from a record to its title: the child's tag, its kind and
// its index among the children with that tag.
struct Step {
  std::string tag;
  std::vector<std::string> kind;
  size_t index = 0;
};

size_t SameTagIndex(HtmlNode* node) {
  HtmlNode* parent = ParentElement(node);
  if (parent == nullptr) return 0;
  size_t index = 0;
  const std::string tag = TagOf(node);
  for (HtmlNode* sibling : ChildElements(parent)) {
    if (sibling == node) break;
    if (TagOf(sibling) == tag) ++index;
  }
  return index;
}

// The steps from `top` (exclusive) down to `node`.
std::vector<Step> StepsBetween(HtmlNode* top, HtmlNode* node) {
  std::vector<Step> steps;
  for (HtmlNode* n = node; n != nullptr && n != top; n = ParentElement(n)) {
    steps.push_back({TagOf(n), KindOf(n), SameTagIndex(n)});
  }
  std::reverse(steps.begin(), steps.end());
  return steps;
}

// Every element reached from `top` down `steps`, each step by tag and kind
// (any index): the blocks of one kind at one depth.
std::vector<HtmlNode*> Along(HtmlNode* top, const std::vector<Step>& steps) {
  std::vector<HtmlNode*> nodes = {top};
  for (const Step& step : steps) {
    std::vector<HtmlNode*> next;
    for (HtmlNode* node : nodes) {
      for (HtmlNode* child : ChildElements(node)) {
        if (TagOf(child) == step.tag && KindOf(child) == step.kind) {
          next.push_back(child);
        }
      }
    }
    nodes = std::move(next);
  }
  return nodes;
}

std::vector<HtmlNode*> AncestorsOf(HtmlNode* node) {
  std::vector<HtmlNode*> chain;
  for (HtmlNode* n = node; n != nullptr; n = ParentElement(n)) {
    chain.push_back(n);
  }
  std::reverse(chain.begin(), chain.end());
  return chain;
}

struct Page {
  const HtmlTree& tree;
  const Utf8View& utf8;
  std::string_view text;  // program text
  std::string base;       // links resolve against it
};

std::string TitleAt(const Page& page, HtmlNode* node, bool attribute) {
  if (attribute) {
    const char* value = AttributeOf(node, "title");
    return value == nullptr ? std::string() : CollapseSpaces(value);
  }
  const std::string* shown = page.tree.Shown(node);
  return shown == nullptr ? std::string() : *shown;
}

// Follows `steps` down from `from`, preferring at each level the child of
// the same kind and index; the first path that ends in a title.
HtmlNode* Follow(const Page& page, HtmlNode* from,
                 const std::vector<Step>& steps, size_t at, bool attribute) {
  if (at == steps.size()) {
    return TitleAt(page, from, attribute).empty() ? nullptr : from;
  }
  const Step& step = steps[at];
  std::vector<std::pair<int, HtmlNode*>> ranked;
  size_t index = 0;
  for (HtmlNode* child : ChildElements(from)) {
    if (TagOf(child) != step.tag) continue;
    const int rank =
        (KindOf(child) == step.kind ? 0 : 2) + (index == step.index ? 0 : 1);
    ranked.push_back({rank, child});
    ++index;
  }
  std::stable_sort(
      ranked.begin(), ranked.end(),
      [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [rank, child] : ranked) {
    if (HtmlNode* found = Follow(page, child, steps, at + 1, attribute)) {
      return found;
    }
  }
  return nullptr;
}

// A record whose inner markup differs (one more wrapper, no picture): the
// one element in it of the title's tag and kind under a parent of the
// title's parent's tag.
HtmlNode* FollowLoosely(const Page& page, HtmlNode* from,
                        const std::vector<Step>& steps, bool attribute) {
  if (steps.size() < 2) return nullptr;
  const Step& last = steps.back();
  const Step& above = steps[steps.size() - 2];
  HtmlNode* only = nullptr;
  std::vector<HtmlNode*> stack = {from};
  while (!stack.empty()) {
    HtmlNode* n = stack.back();
    stack.pop_back();
    if (n != from && TagOf(n) == last.tag && KindOf(n) == last.kind &&
        ParentElement(n) != nullptr && TagOf(ParentElement(n)) == above.tag &&
        !TitleAt(page, n, attribute).empty()) {
      if (only != nullptr) return nullptr;
      only = n;
    }
    for (HtmlNode* child : ChildElements(n)) stack.push_back(child);
  }
  return only;
}

// True when `node` is of the examples' kind: every word they share, and no
// word neither of them has (an advert's extra class, a sticky row's id).
bool OfKind(HtmlNode* node,
            const std::vector<std::vector<std::string>>& kinds) {
  const std::vector<std::string> kind = KindOf(node);
  if (kinds.size() == 1) {
    if (kinds[0].empty()) return kind.empty();
    for (const std::string& word : kind) {
      if (std::find(kinds[0].begin(), kinds[0].end(), word) != kinds[0].end()) {
        return true;
      }
    }
    return false;
  }
  std::set<std::string> shared(kinds[0].begin(), kinds[0].end());
  std::set<std::string> any;
  for (const auto& k : kinds) {
    std::set<std::string> next;
    for (const std::string& word : k) {
      any.insert(word);
      if (shared.count(word) != 0) next.insert(word);
    }
    shared = std::move(next);
  }
  for (const std::string& word : shared) {
    if (std::find(kind.begin(), kind.end(), word) == kind.end()) return false;
  }
  for (const std::string& word : kind) {
    if (any.count(word) == 0) return false;
  }
  return true;
}

bool IsCell(const std::string& tag) { return tag == "td" || tag == "th"; }

// One record as found: its element, the title element, and the siblings
// that follow it up to the next record (a story's second table row).
struct Found {
  HtmlNode* element = nullptr;
  HtmlNode* title = nullptr;
  std::vector<HtmlNode*> trailing;
  bool related = false;  // of a kind near the examples', not theirs
};

HtmlNode* OwnLink(const Page& page, const Found& found);
std::string LinkOf(const Page& page, HtmlNode* a);
std::string ShapeOf(const std::string& link);

// True for a row a word of whose kind says it is held apart: pinned,
// sticky, an announcement, an advert.
bool Pinned(HtmlNode* node) {
  static const std::set<std::string> kWords = {
      "sticky", "stick", "top",      "pin",       "pinned", "announcement",
      "notice", "ad",    "ads",      "sponsored", "promo",  "promoted",
      "advert", "fixed", "featured", "hot"};
  for (const std::string& kind : KindOf(node)) {
    std::string word;
    for (size_t i = 0; i <= kind.size(); ++i) {
      const char c = i < kind.size() ? kind[i] : '-';
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        word += LowerAscii(c);
      } else if (!word.empty()) {
        if (kWords.count(word) != 0) return true;
        word.clear();
      }
    }
  }
  return false;
}

// A row of a near kind is a post only when its link leads to the same kind
// of page as the records', or at least stays on the site (an advert dressed
// as a row leads elsewhere, or copies a post's link).
void DropStrangeRelatives(const Page& page, std::vector<Found>* found) {
  std::set<std::string> shapes;
  std::set<std::string> links;
  for (const Found& f : *found) {
    if (f.related) continue;
    if (HtmlNode* own = OwnLink(page, f)) {
      shapes.insert(ShapeOf(LinkOf(page, own)));
      links.insert(LinkOf(page, own));
    }
  }
  for (size_t i = found->size(); i-- > 0;) {
    if (!(*found)[i].related) continue;
    // A copy of a post (same link) is an advert for it.
    HtmlNode* own = OwnLink(page, (*found)[i]);
    if (own != nullptr && links.count(LinkOf(page, own)) == 0 &&
        (shapes.count(ShapeOf(LinkOf(page, own))) != 0 ||
         SameSite(LinkOf(page, own), page.base))) {
      continue;
    }
    // Its place, and its followers, fall to the record before it.
    if (i > 0) {
      Found& before = (*found)[i - 1];
      before.trailing.push_back((*found)[i].element);
      before.trailing.insert(before.trailing.end(),
                             (*found)[i].trailing.begin(),
                             (*found)[i].trailing.end());
    }
    found->erase(found->begin() + static_cast<long>(i));
  }
}

// The list the record elements `tops` (one per example, children of
// `parent`) stand in: every child of `parent` of their tag and kind whose
// title path leads to a title.
std::vector<Found> Siblings(const Page& page, HtmlNode* parent,
                            const std::vector<HtmlNode*>& tops,
                            const std::vector<std::vector<Step>>& paths,
                            bool attribute) {
  std::vector<std::vector<std::string>> kinds;
  for (HtmlNode* top : tops) kinds.push_back(KindOf(top));
  const std::string tag = TagOf(tops[0]);
  // The words every example's record has: a row of another kind that
  // shares one of them (a photo card among news cards, a folded row) is a
  // post, unless it stands before the first record and says it is pinned.
  std::vector<std::string> shared = kinds[0];
  for (const auto& k : kinds) {
    std::erase_if(shared, [&](const std::string& w) {
      return std::find(k.begin(), k.end(), w) == k.end();
    });
  }
  auto related = [&](HtmlNode* child) {
    const std::vector<std::string> own = KindOf(child);
    return std::any_of(own.begin(), own.end(), [&](const std::string& w) {
      return std::find(shared.begin(), shared.end(), w) != shared.end();
    });
  };
  std::vector<Found> found;
  for (HtmlNode* child : ChildElements(parent)) {
    const bool strict = OfKind(child, kinds);
    const bool of_kind = strict || (kinds.size() > 1 && related(child) &&
                                    (!found.empty() || !Pinned(child)));
    if (TagOf(child) != tag || !of_kind) {
      if (!found.empty()) found.back().trailing.push_back(child);
      continue;
    }
    HtmlNode* title = nullptr;
    for (const auto& path : paths) {
      title = Follow(page, child, path, 0, attribute);
      if (title != nullptr) break;
    }
    if (title == nullptr)
      title = FollowLoosely(page, child, paths[0], attribute);
    if (title == nullptr) {
      if (!found.empty()) found.back().trailing.push_back(child);
      continue;
    }
    found.push_back({child, title, {}, !strict});
  }
  DropStrangeRelatives(page, &found);
  // The last record keeps as many followers as the others have.
  if (found.size() >= 2) {
    const size_t usual = found[found.size() - 2].trailing.size();
    if (found.back().trailing.size() > usual) {
      found.back().trailing.resize(usual);
    }
  }
  return found;
}

// The signature of what stands between two records: the elements of other
// kinds than the records', by tag and kind.
std::string GapOf(const Page& page, const Found& found,
                  const std::vector<HtmlNode*>& tops) {
  // Elements like the records (an advert card, an empty row) stand in a
  // list; only other elements can be headings.
  const std::vector<std::string> kind = KindOf(tops[0]);
  std::string gap;
  for (HtmlNode* n : found.trailing) {
    bool alike = TagOf(n) == TagOf(tops[0]);
    if (alike && !kind.empty()) {
      const std::vector<std::string> own = KindOf(n);
      // A word the records' kind starts (#normalthread_ad for
      // #normalthread_) marks a variant of a record, not a heading.
      alike = std::any_of(own.begin(), own.end(), [&](const std::string& w) {
        return std::any_of(kind.begin(), kind.end(), [&](const std::string& k) {
          return w == k || (k.size() >= 4 && w.starts_with(k));
        });
      });
    }
    // What shows no text (an advert's slot, its loader) is no heading.
    const std::string* shown = page.tree.Shown(n);
    const std::string tag = TagOf(n);
    if (alike || (shown != nullptr && shown->empty()) || tag == "script" ||
        tag == "style" || tag == "noscript" || tag == "template") {
      continue;
    }
    gap += "|" + TagOf(n);
    for (const std::string& word : KindOf(n)) gap += "." + word;
  }
  return gap;
}

// The records of the examples' own run: siblings of one parent can hold
// several lists one after the other, each under a heading of its own. A
// gap that is not the usual one between two records (a heading, not the
// second row every story has) ends a run.
std::vector<Found> RunOfExamples(const Page& page, std::vector<Found> found,
                                 const std::vector<HtmlNode*>& tops,
                                 size_t* spanned) {
  if (found.size() < 3) return found;
  std::vector<std::string> gaps;
  for (size_t i = 0; i + 1 < found.size(); ++i) {
    gaps.push_back(GapOf(page, found[i], tops));
  }
  std::string usual;
  size_t most = 0;
  for (const std::string& gap : gaps) {
    const size_t n = std::count(gaps.begin(), gaps.end(), gap);
    if (n > most) {
      most = n;
      usual = gap;
    }
  }
  size_t first = found.size();
  size_t last = 0;
  for (size_t i = 0; i < found.size(); ++i) {
    if (std::find(tops.begin(), tops.end(), found[i].element) != tops.end()) {
      first = std::min(first, i);
      last = std::max(last, i);
    }
  }
  if (first > last) return found;
  auto breaks = [&](size_t gap) {
    return gaps[gap] != usual && gaps[gap].size() > usual.size();
  };
  for (size_t gap = first; gap < last; ++gap) *spanned += breaks(gap) ? 1 : 0;
  size_t from = first;
  while (from > 0 && !breaks(from - 1)) --from;
  size_t to = last;
  while (to + 1 < found.size() && !breaks(to)) ++to;
  found.erase(found.begin() + to + 1, found.end());
  found.erase(found.begin(), found.begin() + from);
  // The last record's followers are the usual ones only.
  if (found.size() >= 2) {
    const size_t usual_count = found[0].trailing.size();
    if (found.back().trailing.size() > usual_count) {
      found.back().trailing.resize(usual_count);
    }
  }
  return found;
}

// Where the examples' records repeat, when both examples share one block
// among several alike (parallel columns): the level below the child of
// the common ancestor at which the title's element repeats three times.
HtmlNode* RepeatBelow(const Page& page, HtmlNode* top, HtmlNode* title,
                      bool attribute) {
  const std::vector<HtmlNode*> chain = AncestorsOf(title);
  const auto it = std::find(chain.begin(), chain.end(), top);
  if (it == chain.end()) return nullptr;
  for (auto n = it + 1; n != chain.end(); ++n) {
    HtmlNode* node = *n;
    const std::string tag = TagOf(node);
    if (IsCell(tag)) continue;
    const std::vector<Step> below = StepsBetween(node, title);
    size_t alike = 0;
    for (HtmlNode* sibling : ChildElements(ParentElement(node))) {
      if (TagOf(sibling) == tag && KindOf(sibling) == KindOf(node) &&
          Follow(page, sibling, below, 0, attribute) != nullptr) {
        ++alike;
      }
    }
    if (alike >= 3) return node;
  }
  return nullptr;
}

// Titles that are links of their own in a block of headings (several to a
// line, lines of different kinds): every element of the examples' tag in
// the block that shows text.
std::vector<Found> FlatList(const Page& page, HtmlNode* block,
                            const std::vector<Place>& places,
                            HtmlNode** container) {
  const std::string tag = TagOf(places[0].element);
  for (const Place& place : places) {
    if (TagOf(place.element) != tag) return {};
  }
  std::vector<Found> found;
  std::vector<HtmlNode*> stack = {block};
  while (!stack.empty()) {
    HtmlNode* n = stack.back();
    stack.pop_back();
    if (n != block && TagOf(n) == tag &&
        !TitleAt(page, n, places[0].in_title_attribute).empty() &&
        (tag != "a" || AttributeOf(n, "href") != nullptr)) {
      found.push_back({n, n, {}});
      continue;
    }
    const std::vector<HtmlNode*> children = ChildElements(n);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      stack.push_back(*it);
    }
  }
  *container = block;
  return found;
}

// The candidate list for one choice of places: records in page order.
std::vector<Found> ListOf(const Page& page, const std::vector<Place>& places,
                          HtmlNode** container, size_t* spanned) {
  const bool attribute = places[0].in_title_attribute;
  if (places.size() == 1) {
    HtmlNode* title = places[0].element;
    for (HtmlNode* n = title; ParentElement(n) != nullptr;
         n = ParentElement(n)) {
      if (IsCell(TagOf(n))) continue;
      const std::vector<std::vector<Step>> paths = {StepsBetween(n, title)};
      std::vector<Found> found =
          Siblings(page, ParentElement(n), {n}, paths, attribute);
      if (found.size() >= kFewestWithOneExample) {
        *container = ParentElement(n);
        return found;
      }
    }
    return {};
  }
  // The lowest common ancestor of the places.
  std::vector<std::vector<HtmlNode*>> chains;
  for (const Place& place : places) {
    chains.push_back(AncestorsOf(place.element));
  }
  size_t depth = 0;
  for (;; ++depth) {
    bool same = true;
    for (const auto& chain : chains) {
      same = same && depth < chain.size() && chain[depth] == chains[0][depth];
    }
    if (!same) break;
  }
  if (depth == 0) return {};
  for (const auto& chain : chains) {
    if (depth >= chain.size()) return {};  // one holds another
  }
  HtmlNode* parent = chains[0][depth - 1];
  std::vector<HtmlNode*> tops;
  std::vector<std::vector<Step>> paths;
  for (size_t i = 0; i < chains.size(); ++i) {
    HtmlNode* top = chains[i][depth];
    if (TagOf(top) != TagOf(chains[0][depth])) {
      return FlatList(page, parent, places, container);
    }
    // Both examples in one of several alike blocks: the records are the
    // block's repeated children, in every block.
    if (HtmlNode* repeat =
            RepeatBelow(page, top, places[i].element, attribute)) {
      top = repeat;
    }
    tops.push_back(top);
    paths.push_back(StepsBetween(top, places[i].element));
  }
  if (ParentElement(tops[0]) == parent) {
    *container = parent;
    return RunOfExamples(page, Siblings(page, parent, tops, paths, attribute),
                         tops, spanned);
  }
  // Records inside blocks: gather them block by block.
  *container = parent;
  std::vector<Found> all;
  const std::vector<Step> to_block =
      StepsBetween(parent, ParentElement(tops[0]));
  const std::vector<HtmlNode*> blocks = Along(parent, to_block);
  for (HtmlNode* block : blocks) {
    for (Found& f : Siblings(page, block, tops, paths, attribute)) {
      all.push_back(std::move(f));
    }
  }
  return all;
}

// Every element (or title attribute) whose text is the example's; only the
// innermost of nested ones.
std::vector<Place> PlacesOf(const Page& page, const ExampleText& example) {
  std::vector<Place> places;
  std::vector<Place> in_attributes;
  for (HtmlNode* node : page.tree.Elements()) {
    const std::string* shown = page.tree.Shown(node);
    if (shown != nullptr && ShownTitleFits(*shown, example)) {
      bool inner = false;
      for (HtmlNode* child : ChildElements(node)) {
        const std::string* text = page.tree.Shown(child);
        inner = inner || (text != nullptr && ShownTitleFits(*text, example));
      }
      if (!inner) places.push_back({node, false});
    }
    if (const char* title = AttributeOf(node, "title")) {
      if (ShownTitleFits(CollapseSpaces(title), example)) {
        in_attributes.push_back({node, true});
      }
    }
  }
  if (places.empty()) places = std::move(in_attributes);
  if (places.size() > kMostPlaces) places.clear();
  return places;
}

std::string LinkOf(const Page& page, HtmlNode* a) {
  const char* href = AttributeOf(a, "href");
  if (href == nullptr) return {};
  std::string ref(href);
  // White space around an address is no part of it.
  while (!ref.empty() && (ref.back() == ' ' || ref.back() == '\n' ||
                          ref.back() == '\r' || ref.back() == '\t')) {
    ref.pop_back();
  }
  const size_t lead = ref.find_first_not_of(" \n\r\t");
  ref.erase(0, lead == std::string::npos ? ref.size() : lead);
  if (ref.empty() || ref.starts_with("javascript:") || ref[0] == '#') {
    return {};
  }
  return ResolveLink(page.base, ref);
}

// The title's own link: the link around it, or the one link inside it.
HtmlNode* OwnLink(const Page& page, const Found& found) {
  for (HtmlNode* n = found.title; n != nullptr; n = ParentElement(n)) {
    if (TagOf(n) == "a" && !LinkOf(page, n).empty()) return n;
    if (n == found.element) break;
  }
  HtmlNode* only = nullptr;
  std::vector<HtmlNode*> stack = {found.title};
  while (!stack.empty()) {
    HtmlNode* n = stack.back();
    stack.pop_back();
    if (TagOf(n) == "a" && !LinkOf(page, n).empty()) {
      if (only != nullptr) return nullptr;
      only = n;
    }
    for (HtmlNode* child : ChildElements(n)) stack.push_back(child);
  }
  return only;
}

// The record's links by where they stand in it (path of tags and kinds),
// the first of each place; the record's followers count as part of it.
std::vector<std::pair<std::string, HtmlNode*>> LinksOf(const Page& page,
                                                       const Found& found) {
  std::vector<std::pair<std::string, HtmlNode*>> links;
  std::vector<HtmlNode*> tops = {found.element};
  tops.insert(tops.end(), found.trailing.begin(), found.trailing.end());
  for (size_t t = 0; t < tops.size(); ++t) {
    std::vector<HtmlNode*> order;
    std::vector<HtmlNode*> stack = {tops[t]};
    while (!stack.empty()) {
      HtmlNode* n = stack.back();
      stack.pop_back();
      order.push_back(n);
      const std::vector<HtmlNode*> children = ChildElements(n);
      for (auto it = children.rbegin(); it != children.rend(); ++it) {
        stack.push_back(*it);
      }
    }
    for (HtmlNode* n : order) {
      if (TagOf(n) != "a" || LinkOf(page, n).empty()) continue;
      std::string key = std::to_string(t);
      for (const Step& step : StepsBetween(tops[t], n)) {
        key += "/" + step.tag;
        for (const std::string& word : step.kind) key += "." + word;
      }
      links.push_back({key, n});
    }
  }
  return links;
}

// True when every record has a link and no two share one.
bool Distinct(const std::vector<std::string>& links) {
  std::set<std::string> seen;
  for (const std::string& link : links) {
    if (link.empty() || !IsHttpAddress(link) || !seen.insert(link).second) {
      return false;
    }
  }
  return true;
}

// The address with its numbers blanked: links to the same kind of page
// share it.
std::string ShapeOf(const std::string& link) {
  std::string shape;
  for (size_t i = 0; i < link.size(); ++i) {
    if (link[i] >= '0' && link[i] <= '9') {
      if (shape.empty() || shape.back() != '#') shape += '#';
    } else {
      shape += link[i];
    }
  }
  return shape;
}

// True when `link` carries one of the long numbers of `other`: a search or
// filter about the item `other` shows, not a page of its own.
bool SharesNumber(const std::string& link, const std::string& other) {
  for (size_t i = 0; i < other.size();) {
    size_t j = i;
    while (j < other.size() && other[j] >= '0' && other[j] <= '9') ++j;
    if (j - i >= 4 && link.find(other.substr(i, j - i)) != std::string::npos) {
      return true;
    }
    i = j == i ? i + 1 : j;
  }
  return false;
}

// Each record's link element: the title's own link when it stays on the
// site and shows the post; else the on-site link every record has at one
// place (or of one shape), none of them an action; else the own link
// wherever it goes.
std::vector<HtmlNode*> ChooseLinks(const Page& page,
                                   const std::vector<Found>& found) {
  std::vector<HtmlNode*> own;
  std::vector<std::string> own_links;
  for (const Found& f : found) {
    own.push_back(OwnLink(page, f));
    own_links.push_back(own.back() == nullptr ? std::string()
                                              : LinkOf(page, own.back()));
  }
  const bool own_usable = Distinct(own_links);
  const bool own_action = MostlyActions(own_links, /*path_only=*/true);
  auto fits = [&](const std::vector<std::string>& links) {
    if (!Distinct(links) || MostlyActions(links)) return false;
    for (size_t i = 0; i < links.size(); ++i) {
      if (!SameSite(links[i], page.base)) return false;
      // The own link leads off the site to the item itself; an on-site link
      // about that item is a search, not the post.
      if (own_usable && !own_action && SharesNumber(links[i], own_links[i])) {
        return false;
      }
    }
    return true;
  };
  if (own_usable && !own_action &&
      std::all_of(
          own_links.begin(), own_links.end(),
          [&](const std::string& l) { return SameSite(l, page.base); })) {
    return own;
  }
  std::vector<std::vector<std::pair<std::string, HtmlNode*>>> per_record;
  for (const Found& f : found) per_record.push_back(LinksOf(page, f));
  // By place in the record first, then by shape.
  for (int by_shape = 0; by_shape < 2; ++by_shape) {
    for (const auto& [key0, first] : per_record[0]) {
      const std::string wanted = by_shape ? ShapeOf(LinkOf(page, first)) : key0;
      std::vector<HtmlNode*> chosen;
      std::vector<std::string> links;
      for (const auto& record : per_record) {
        const auto it =
            std::find_if(record.begin(), record.end(), [&](const auto& l) {
              return (by_shape ? ShapeOf(LinkOf(page, l.second)) : l.first) ==
                     wanted;
            });
        if (it == record.end()) break;
        chosen.push_back(it->second);
        links.push_back(LinkOf(page, it->second));
      }
      if (chosen.size() == found.size() && fits(links)) return chosen;
    }
  }
  if (own_usable) return own;
  return {};
}

// A text of the page (program text) standing for a whole start tag or one
// of its id or class attributes, when it would survive a deploy.
void AddTagMarkers(const Page& page, HtmlNode* node,
                   std::vector<std::string>* markers) {
  if (node == nullptr || node->v.element.original_tag.length == 0) return;
  for (const char* name : {"id", "class"}) {
    size_t from = 0;
    size_t to = 0;
    if (!AttributeSpan(node, name, &from, &to)) continue;
    // The attribute as written, name and quotes included.
    const GumboAttribute* attribute =
        gumbo_get_attribute(&node->v.element.attributes, name);
    const size_t start = attribute->name_start.offset;
    const size_t end = attribute->value_end.offset;
    const size_t a = page.utf8.Origin(start);
    const size_t b = page.utf8.Origin(end);
    if (b <= a) continue;
    const std::string text(page.text.substr(a, b - a));
    if (!LooksVolatile(text)) markers->push_back(text);
  }
  const size_t a = page.utf8.Origin(StartOf(node));
  const size_t b = page.utf8.Origin(InnerStartOf(node));
  if (b > a && b - a <= 200) {
    const std::string text(page.text.substr(a, b - a));
    if (!LooksVolatile(text)) markers->push_back(text);
  }
}

void AddMarkers(const Page& page, HtmlNode* container, RecordList& list) {
  int levels = 0;
  for (HtmlNode* n = container; n != nullptr && levels < 6;
       n = ParentElement(n), ++levels) {
    AddTagMarkers(page, n, &list.before);
    // What follows the block: its next element's start tag.
    HtmlNode* parent = ParentElement(n);
    if (parent == nullptr) break;
    const std::vector<HtmlNode*> siblings = ChildElements(parent);
    const auto it = std::find(siblings.begin(), siblings.end(), n);
    if (it != siblings.end() && it + 1 != siblings.end()) {
      AddTagMarkers(page, *(it + 1), &list.after);
    }
  }
  for (const char* end : {"</body>", "</html>", "</BODY>", "</HTML>"}) {
    list.after.push_back(end);
  }
}

// A list that goes on in blocks of its own kind beside the examples' block
// (a day's posts under each date, a column split in two): each such block
// whose records link to pages of the same shape, no link repeated, joins
// the list in page order. Blocks further up are other lists.
void ExtendToAlikeBlocks(const Page& page,
                         const std::vector<std::vector<Place>>& places,
                         std::vector<Found>* found, HtmlNode** container) {
  if (found->size() < 2) return;
  HtmlNode* block = *container;
  const bool attribute = places[0][0].in_title_attribute;
  std::vector<HtmlNode*> tops;
  std::vector<std::vector<Step>> paths;
  for (const Found& f : *found) {
    if (ParentElement(f.element) != block) return;
  }
  for (size_t i = 0; i < found->size() && i < 2; ++i) {
    tops.push_back((*found)[i].element);
    paths.push_back(StepsBetween((*found)[i].element, (*found)[i].title));
  }
  std::set<std::string> shapes;
  std::set<std::string> links;
  for (const Found& f : *found) {
    HtmlNode* own = OwnLink(page, f);
    if (own == nullptr) return;
    shapes.insert(ShapeOf(LinkOf(page, own)));
    links.insert(LinkOf(page, own));
  }
  HtmlNode* top = block;
  for (int up = 1; up <= 2; ++up) {
    top = ParentElement(top);
    if (top == nullptr) return;
    const std::vector<HtmlNode*> blocks = Along(top, StepsBetween(top, block));
    if (blocks.size() < 2) continue;
    std::vector<Found> all;
    for (HtmlNode* b : blocks) {
      if (b == block) {
        all.insert(all.end(), found->begin(), found->end());
        continue;
      }
      std::vector<Found> more = Siblings(page, b, tops, paths, attribute);
      bool alike = !more.empty();
      for (const Found& f : more) {
        HtmlNode* own = OwnLink(page, f);
        alike = alike && own != nullptr &&
                shapes.count(ShapeOf(LinkOf(page, own))) != 0 &&
                links.insert(LinkOf(page, own)).second;
      }
      if (alike) all.insert(all.end(), more.begin(), more.end());
    }
    if (all.size() > found->size()) {
      *found = std::move(all);
      *container = top;
    }
    return;
  }
}

// The best list for one example text per place choice: deepest common
// block first (the examples' own list, not a page-wide one), then the
// longest.
struct Choice {
  std::vector<Found> found;
  HtmlNode* container = nullptr;
  size_t depth = 0;
  size_t spanned = 0;  // headings between the examples' records
};

}  // namespace

RecordList FindHtmlRecords(std::string_view program_text, const Utf8View& utf8,
                           const HtmlTree& tree, std::string_view page_url,
                           const std::vector<ExampleText>& examples,
                           bool some_missing) {
  RecordList list;
  list.source = RecordSource::kHtml;
  if (examples.empty()) return list;
  Page page{tree, utf8, program_text, std::string(page_url)};
  for (HtmlNode* node : tree.Elements()) {
    if (TagOf(node) != "base") continue;
    if (const char* href = AttributeOf(node, "href")) {
      page.base = ResolveLink(page_url, href);
    }
    break;
  }
  // The first two examples the page holds shape the list; with every
  // example needed, one missing is no list.
  std::vector<std::vector<Place>> places;
  for (const ExampleText& example : examples) {
    std::vector<Place> found = PlacesOf(page, example);
    if (found.empty()) {
      if (!some_missing) return list;
      continue;
    }
    places.push_back(std::move(found));
    if (places.size() == 2) break;
  }
  if (places.empty()) return list;
  // Every pairing of the first two examples' places.
  Choice best;
  const size_t second = places.size() > 1 ? places[1].size() : 1;
  for (const Place& first : places[0]) {
    for (size_t j = 0; j < second; ++j) {
      std::vector<Place> chosen = {first};
      if (places.size() > 1) {
        if (places[1][j].element == first.element ||
            places[1][j].in_title_attribute != first.in_title_attribute) {
          continue;
        }
        chosen.push_back(places[1][j]);
      }
      Choice choice;
      choice.found = ListOf(page, chosen, &choice.container, &choice.spanned);
      if (choice.found.size() < kFewestRecords) continue;
      // A list whose posts have no link of their own each is no list.
      if (ChooseLinks(page, choice.found).size() != choice.found.size()) {
        continue;
      }
      choice.depth = AncestorsOf(choice.container).size();
      // The examples' own run first (not one they merely span with another
      // list), then the longest list, then the most deeply nested.
      const auto rank = [](const Choice& c) {
        return std::make_tuple(-static_cast<long>(c.spanned), c.found.size(),
                               c.depth);
      };
      if (best.found.empty() || rank(choice) > rank(best)) {
        best = std::move(choice);
      }
    }
  }
  if (best.found.empty()) return list;
  ExtendToAlikeBlocks(page, places, &best.found, &best.container);
  std::vector<HtmlNode*> links = ChooseLinks(page, best.found);
  if (links.size() != best.found.size()) return list;
  // A record that leaves the site every other one stays on is an advert
  // dressed as a post.
  size_t on_site = 0;
  for (HtmlNode* a : links)
    on_site += SameSite(LinkOf(page, a), page.base) ? 1 : 0;
  if (on_site < links.size() && on_site * 5 >= links.size() * 4) {
    for (size_t i = links.size(); i-- > 0;) {
      if (SameSite(LinkOf(page, links[i]), page.base)) continue;
      links.erase(links.begin() + static_cast<long>(i));
      best.found.erase(best.found.begin() + static_cast<long>(i));
    }
  }
  bool attribute = places[0][0].in_title_attribute;
  // Where the site cuts titles ("...") and every post's element also holds
  // its whole title in a title attribute, the whole title is the one to
  // show.
  if (!attribute) {
    bool cut = false;
    bool whole = true;
    for (const Found& f : best.found) {
      const char* value = AttributeOf(f.title, "title");
      const std::string* shown = page.tree.Shown(f.title);
      if (value == nullptr || shown == nullptr) {
        whole = false;
        break;
      }
      const std::string full = CollapseSpaces(value);
      const ExampleText text = ExampleTextOf(*shown);
      if (full == *shown) continue;
      if (!text.prefix || text.text.empty() || !full.starts_with(text.text)) {
        whole = false;
        break;
      }
      cut = true;
    }
    attribute = cut && whole;
  }
  for (size_t i = 0; i < best.found.size(); ++i) {
    const Found& f = best.found[i];
    PageRecord record;
    size_t end = EndOf(f.element);
    for (HtmlNode* follower : f.trailing) end = std::max(end, EndOf(follower));
    record.whole = {utf8.Origin(StartOf(f.element)), utf8.Origin(end)};
    if (attribute) {
      size_t from = 0;
      size_t to = 0;
      if (!AttributeSpan(f.title, "title", &from, &to)) return RecordList{};
      record.title = {utf8.Origin(from), utf8.Origin(to)};
    } else {
      record.title = {utf8.Origin(InnerStartOf(f.title)),
                      utf8.Origin(InnerEndOf(f.title))};
    }
    size_t from = 0;
    size_t to = 0;
    if (!AttributeSpan(links[i], "href", &from, &to)) return RecordList{};
    record.href = {utf8.Origin(from), utf8.Origin(to)};
    record.shown_title = TitleAt(page, f.title, attribute);
    record.link = LinkOf(page, links[i]);
    list.records.push_back(std::move(record));
  }
  // The element right before the first record (a heading) and right after
  // the last one bound a run among several in one parent.
  auto neighbour = [](HtmlNode* n, int step) -> HtmlNode* {
    HtmlNode* parent = ParentElement(n);
    if (parent == nullptr) return nullptr;
    const std::vector<HtmlNode*> siblings = ChildElements(parent);
    const auto it = std::find(siblings.begin(), siblings.end(), n);
    if (it == siblings.end()) return nullptr;
    const long at = (it - siblings.begin()) + step;
    if (at < 0 || at >= static_cast<long>(siblings.size())) return nullptr;
    return siblings[at];
  };
  HtmlNode* last = best.found.back().trailing.empty()
                       ? best.found.back().element
                       : best.found.back().trailing.back();
  // A heading's whole markup tells one run from the next; its tag alone
  // may be every heading's.
  auto whole = [&](HtmlNode* n, std::vector<std::string>* markers) {
    if (n == nullptr) return;
    const size_t a = utf8.Origin(StartOf(n));
    const size_t b = utf8.Origin(EndOf(n));
    if (b <= a || b - a > 200) return;
    const std::string text(program_text.substr(a, b - a));
    if (!LooksVolatile(text)) markers->push_back(text);
  };
  whole(neighbour(best.found.front().element, -1), &list.before);
  whole(neighbour(last, 1), &list.after);
  AddTagMarkers(page, neighbour(best.found.front().element, -1), &list.before);
  AddTagMarkers(page, neighbour(last, 1), &list.after);
  AddMarkers(page, best.container, list);
  return list;
}

}  // namespace dw
