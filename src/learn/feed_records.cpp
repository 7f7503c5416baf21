#include "learn/feed_records.h"

#include <algorithm>
#include <set>

#include "learn/link_address.h"
#include "learn/link_rank.h"
#include "runtime/ascii_case.h"
#include "runtime/web_address.h"
#include "text/gbk_codec.h"
#include "text/html_entities.h"
#include "text/shown_title.h"

namespace dw {
namespace {

// An element of the feed document: where it stands in the program text.
struct XmlElement {
  std::string name;        // local name, lower case ("item", "title", "link")
  bool extension = false;  // of another vocabulary ("ad:sponsored")
  size_t start = 0;        // "<"
  size_t inner_from = 0;
  size_t inner_to = 0;
  size_t end = 0;  // after its end tag
  std::vector<std::pair<std::string, TextSpan>> attributes;  // local names
  std::vector<size_t> children;                              // indices
  size_t parent = std::string::npos;
};

std::string LocalName(std::string_view name) {
  const size_t colon = name.rfind(':');
  return LowerAscii(colon == std::string_view::npos ? name
                                                    : name.substr(colon + 1));
}

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= '0' && c <= '9') || c == ':' || c == '-' || c == '_' || c == '.';
}

// Every element of the document, in document order. Markup bytes are ASCII
// and no GBK trail byte is below 0x40, so the program text is scanned as it
// is.
std::vector<XmlElement> ScanXml(std::string_view text) {
  std::vector<XmlElement> elements;
  std::vector<size_t> open;
  size_t i = 0;
  while ((i = text.find('<', i)) != std::string_view::npos) {
    if (text.substr(i, 4) == "<!--") {
      const size_t end = text.find("-->", i + 4);
      i = end == std::string_view::npos ? text.size() : end + 3;
      continue;
    }
    if (text.substr(i, 9) == "<![CDATA[") {
      const size_t end = text.find("]]>", i + 9);
      i = end == std::string_view::npos ? text.size() : end + 3;
      continue;
    }
    if (i + 1 < text.size() && (text[i + 1] == '?' || text[i + 1] == '!')) {
      const size_t end = text.find('>', i);
      i = end == std::string_view::npos ? text.size() : end + 1;
      continue;
    }
    const bool closing = i + 1 < text.size() && text[i + 1] == '/';
    size_t n = i + (closing ? 2 : 1);
    const size_t name_from = n;
    while (n < text.size() && IsNameChar(text[n])) ++n;
    if (n == name_from) {
      ++i;
      continue;
    }
    const std::string name = LocalName(text.substr(name_from, n - name_from));
    // The tag's end, quoted values passed over.
    size_t end = n;
    char quote = 0;
    XmlElement element;
    while (end < text.size() && (quote != 0 || text[end] != '>')) {
      if (quote == 0 && (text[end] == '"' || text[end] == '\'')) {
        quote = text[end];
        // The attribute's name stands before "=".
        size_t eq = end;
        while (eq > n && (text[eq - 1] == ' ' || text[eq - 1] == '=')) --eq;
        size_t a = eq;
        while (a > n && IsNameChar(text[a - 1])) --a;
        element.attributes.push_back(
            {LocalName(text.substr(a, eq - a)), {end + 1, end + 1}});
      } else if (quote != 0 && text[end] == quote) {
        element.attributes.back().second.to = end;
        quote = 0;
      }
      ++end;
    }
    if (end >= text.size()) break;
    if (closing) {
      // Close up to the nearest open element of that name.
      for (size_t k = open.size(); k > 0; --k) {
        if (elements[open[k - 1]].name != name) continue;
        for (size_t m = open.size(); m >= k; --m) {
          XmlElement& e = elements[open[m - 1]];
          e.inner_to = m == k ? i : e.inner_to == 0 ? i : e.inner_to;
          e.end = m == k ? end + 1 : i;
        }
        open.resize(k - 1);
        break;
      }
      i = end + 1;
      continue;
    }
    element.name = name;
    element.extension = text.substr(name_from, n - name_from).find(':') !=
                        std::string_view::npos;
    element.start = i;
    element.inner_from = end + 1;
    element.parent = open.empty() ? std::string::npos : open.back();
    const bool empty = text[end - 1] == '/';
    if (empty) {
      element.inner_to = end + 1;
      element.end = end + 1;
    }
    const size_t index = elements.size();
    if (element.parent != std::string::npos) {
      elements[element.parent].children.push_back(index);
    }
    elements.push_back(std::move(element));
    if (!empty) open.push_back(index);
    i = end + 1;
  }
  for (size_t k : open) {
    elements[k].inner_to =
        elements[k].inner_to == 0 ? text.size() : elements[k].inner_to;
    elements[k].end = text.size();
  }
  return elements;
}

// The span of an element's text without surrounding white space and CDATA
// brackets.
TextSpan TrimmedInner(std::string_view text, const XmlElement& e) {
  size_t from = e.inner_from;
  size_t to = e.inner_to;
  auto blank = [&](size_t k) {
    return text[k] == ' ' || text[k] == '\n' || text[k] == '\r' ||
           text[k] == '\t';
  };
  while (from < to && blank(from)) ++from;
  while (to > from && blank(to - 1)) --to;
  if (text.substr(from, 9) == "<![CDATA[" && to >= from + 12 &&
      text.substr(to - 3, 3) == "]]>") {
    from += 9;
    to -= 3;
  }
  return {from, to};
}

struct Slot {
  TextSpan span;
  std::string link;  // UTF-8, absolute
};

// The places an item names an address, in order of preference: <link>
// text, <link href> (alternate), a permanent <guid>, <id>, rdf:about.
std::vector<std::pair<std::string, Slot>> LinkSlots(
    std::string_view text, const std::vector<XmlElement>& elements,
    const XmlElement& item, std::string_view base) {
  std::vector<std::pair<std::string, Slot>> slots;
  auto add = [&](const std::string& kind, TextSpan span) {
    if (span.empty()) return;
    std::string raw(text.substr(span.from, span.to - span.from));
    const std::string link =
        ResolveLink(base, GbkToUtf8(DecodeHtmlEntities(raw)));
    if (!IsHttpAddress(link)) return;
    for (const auto& s : slots) {
      if (s.first == kind) return;
    }
    slots.push_back({kind, {span, link}});
  };
  for (size_t c : item.children) {
    const XmlElement& child = elements[c];
    if (child.name == "link") {
      std::string rel;
      TextSpan href;
      for (const auto& [name, span] : child.attributes) {
        if (name == "rel")
          rel = std::string(text.substr(span.from, span.to - span.from));
        if (name == "href") href = span;
      }
      if (!href.empty()) {
        if (rel.empty() || rel == "alternate") add("link-href", href);
      } else {
        add("link", TrimmedInner(text, child));
      }
    }
  }
  for (size_t c : item.children) {
    const XmlElement& child = elements[c];
    if (child.name == "guid") {
      bool permanent = true;
      for (const auto& [name, span] : child.attributes) {
        if (name == "ispermalink" &&
            text.substr(span.from, span.to - span.from) == "false") {
          permanent = false;
        }
      }
      if (permanent) add("guid", TrimmedInner(text, child));
    } else if (child.name == "id") {
      add("id", TrimmedInner(text, child));
    } else if (child.name == "origlink") {
      add("origlink", TrimmedInner(text, child));
    }
  }
  for (const auto& [name, span] : item.attributes) {
    if (name == "about") add("about", span);
  }
  return slots;
}

}  // namespace

bool LooksLikeFeed(std::string_view text) {
  const std::string_view head = text.substr(0, 2048);
  for (const char* root : {"<rss", "<feed", "<rdf:RDF", "<RDF"}) {
    if (head.find(root) != std::string_view::npos) return true;
  }
  return false;
}

RecordList FindFeedRecords(std::string_view text, std::string_view feed_url,
                           const std::vector<ExampleText>& examples) {
  RecordList list;
  list.source = RecordSource::kFeed;
  const std::vector<XmlElement> elements = ScanXml(text);
  std::vector<const XmlElement*> items;
  for (const XmlElement& e : elements) {
    if (e.name == "item" || e.name == "entry") items.push_back(&e);
  }
  if (items.size() < 2) return list;
  // An item with an element of another vocabulary none of the examples'
  // items has (an advert's <ad:sponsored>) is no post.
  auto title_of = [&](const XmlElement& item) -> std::string {
    for (size_t c : item.children) {
      const XmlElement& t = elements[c];
      if (t.name != "title") continue;
      return GbkToUtf8(
          ShownText(text.substr(t.inner_from, t.inner_to - t.inner_from),
                    /*json_strings=*/false));
    }
    return {};
  };
  std::set<std::string> usual;
  for (const XmlElement* item : items) {
    const std::string shown = title_of(*item);
    const bool example = std::any_of(
        examples.begin(), examples.end(),
        [&](const ExampleText& e) { return ShownTitleFits(shown, e); });
    if (!example) continue;
    for (size_t c : item->children) usual.insert(elements[c].name);
  }
  if (!usual.empty()) {
    std::erase_if(items, [&](const XmlElement* item) {
      return std::any_of(
          item->children.begin(), item->children.end(), [&](size_t c) {
            return elements[c].extension && usual.count(elements[c].name) == 0;
          });
    });
    if (items.size() < 2) return list;
  }
  // The feed's own site: the first link outside the items.
  std::string site(feed_url);
  for (const XmlElement& e : elements) {
    if (e.start >= items[0]->start) break;
    if (e.name != "link") continue;
    const auto slots = LinkSlots(text, elements, elements[e.parent], feed_url);
    if (!slots.empty()) site = slots[0].second.link;
    break;
  }
  std::vector<std::vector<std::pair<std::string, Slot>>> slots;
  for (const XmlElement* item : items) {
    slots.push_back(LinkSlots(text, elements, *item, feed_url));
  }
  // The first kind of address every item has, all different: on the feed's
  // site first (a link post's own entry, not the page it links to).
  const std::pair<std::string, Slot>* chosen_kind = nullptr;
  std::vector<Slot> chosen;
  for (int pass = 0; pass < 2 && chosen.empty(); ++pass) {
    for (const auto& kind : slots[0]) {
      std::vector<Slot> picked;
      std::set<std::string> seen;
      for (const auto& item_slots : slots) {
        const auto it =
            std::find_if(item_slots.begin(), item_slots.end(),
                         [&](const auto& s) { return s.first == kind.first; });
        if (it == item_slots.end() || !seen.insert(it->second.link).second)
          break;
        if (pass == 0 && !SameSite(it->second.link, site)) break;
        picked.push_back(it->second);
      }
      if (picked.size() == items.size()) {
        chosen = std::move(picked);
        chosen_kind = &kind;
        break;
      }
    }
  }
  if (chosen_kind == nullptr) return list;
  for (size_t i = 0; i < items.size(); ++i) {
    const XmlElement& item = *items[i];
    const XmlElement* title = nullptr;
    for (size_t c : item.children) {
      if (elements[c].name == "title") {
        title = &elements[c];
        break;
      }
    }
    if (title == nullptr) return RecordList{};
    PageRecord record;
    record.whole = {item.start, item.end};
    record.title = {title->inner_from, title->inner_to};
    record.href = chosen[i].span;
    record.link = chosen[i].link;
    // As the chain will show it: one way of reading a title, not two.
    record.shown_title = GbkToUtf8(ShownText(
        text.substr(title->inner_from, title->inner_to - title->inner_from),
        /*json_strings=*/false));
    if (record.shown_title.empty()) return RecordList{};
    list.records.push_back(std::move(record));
  }
  // The cut runs from the tag holding the items to its end.
  const XmlElement& holder =
      elements[items[0]->parent == std::string::npos ? 0 : items[0]->parent];
  const size_t tag_end = text.find('>', holder.start);
  if (tag_end != std::string_view::npos && tag_end < items[0]->start) {
    list.before.push_back(
        std::string(text.substr(holder.start, tag_end + 1 - holder.start)));
  }
  list.after.push_back("</" +
                       std::string(text.substr(holder.start + 1,
                                               [&] {
                                                 size_t n = holder.start + 1;
                                                 while (n < text.size() &&
                                                        IsNameChar(text[n]))
                                                   ++n;
                                                 return n - holder.start - 1;
                                               }())) +
                       ">");
  return list;
}

}  // namespace dw
