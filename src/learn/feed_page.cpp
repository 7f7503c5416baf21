#include "learn/feed_page.h"

#include <algorithm>
#include <cctype>

#include "learn/link_address.h"
#include "runtime/ascii_case.h"
#include "text/html_entities.h"

namespace dw {
namespace {

// The value of attribute `name` inside one tag (quoted or not).
std::string AttributeOf(std::string_view tag, std::string_view name) {
  const std::string lower = LowerAscii(tag);
  size_t at = 0;
  while ((at = lower.find(name, at)) != std::string::npos) {
    const size_t after = at + name.size();
    const bool starts =
        at > 0 && std::isspace(static_cast<unsigned char>(lower[at - 1]));
    if (!starts || after >= lower.size() || lower[after] != '=') {
      at = after;
      continue;
    }
    size_t begin = after + 1;
    char quote = 0;
    if (begin < tag.size() && (tag[begin] == '"' || tag[begin] == '\'')) {
      quote = tag[begin++];
    }
    size_t end = begin;
    while (end < tag.size() &&
           (quote ? tag[end] != quote
                  : !std::isspace(static_cast<unsigned char>(tag[end])) &&
                        tag[end] != '>')) {
      ++end;
    }
    return std::string(tag.substr(begin, end - begin));
  }
  return {};
}

}  // namespace

bool IsFeed(const std::string& text) {
  size_t i = 0;
  if (text.starts_with("\xEF\xBB\xBF")) i = 3;
  // Past the declaration, comments, processing instructions and white space.
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
    } else if (text.compare(i, 4, "<!--") == 0) {
      const size_t end = text.find("-->", i);
      if (end == std::string::npos) return false;
      i = end + 3;
    } else if (text.compare(i, 2, "<?") == 0 || text.compare(i, 2, "<!") == 0) {
      const size_t end = text.find('>', i);
      if (end == std::string::npos) return false;
      i = end + 1;
    } else {
      break;
    }
  }
  const std::string head = LowerAscii(std::string_view(text).substr(i, 9));
  return head.starts_with("<rss") || head.starts_with("<rdf:rdf") ||
         head.starts_with("<feed");
}

size_t FirstItemOffset(const std::string& text) {
  const size_t item = std::min(text.find("<item"), text.find("<entry"));
  return item == std::string::npos ? 0 : item;
}

std::vector<std::string> FeedTitles(const std::string& text, size_t most) {
  std::vector<std::string> titles;
  const std::string lower = LowerAscii(text);
  size_t at = 0;
  while (titles.size() < most) {
    const size_t item =
        std::min(lower.find("<item", at), lower.find("<entry", at));
    if (item == std::string::npos) break;
    const size_t open = lower.find("<title", item);
    const size_t start =
        open == std::string::npos ? open : lower.find('>', open);
    const size_t end =
        start == std::string::npos ? start : lower.find("</title", start);
    if (end == std::string::npos) break;
    std::string title = text.substr(start + 1, end - start - 1);
    if (title.starts_with("<![CDATA[") && title.ends_with("]]>")) {
      title = title.substr(9, title.size() - 12);
    }
    title = DecodeHtmlEntities(title);
    if (!title.empty()) titles.push_back(title);
    at = end;
  }
  return titles;
}

std::string AnnouncedFeed(const std::string& text, const std::string& url) {
  const std::string lower = LowerAscii(text);
  size_t at = 0;
  while ((at = lower.find("<link", at)) != std::string::npos) {
    const size_t end = lower.find('>', at);
    if (end == std::string::npos) break;
    const std::string_view tag(text.data() + at, end - at);
    const std::string type = LowerAscii(AttributeOf(tag, "type"));
    const std::string rel = LowerAscii(AttributeOf(tag, "rel"));
    if (rel == "alternate" &&
        (type == "application/rss+xml" || type == "application/atom+xml")) {
      const std::string href = AttributeOf(tag, "href");
      if (!href.empty()) return ResolveLink(url, UnescapeLink(href));
    }
    at = end;
  }
  return {};
}

}  // namespace dw
