#include "learn/json_records.h"

#include <algorithm>
#include <set>

#include "learn/link_address.h"
#include "learn/link_rank.h"
#include "runtime/ascii_case.h"
#include "runtime/gbk_char.h"
#include "runtime/utf8.h"
#include "runtime/web_address.h"
#include "text/gbk_codec.h"
#include "text/html_entities.h"
#include "text/page_text.h"
#include "text/shown_title.h"

namespace dw {
namespace {

// Deeper documents are no lists of posts; more nodes, no page we watch.
constexpr int kDeepest = 200;
constexpr size_t kMostNodes = 4'000'000;
// Places a script may start a JSON value; each costs a parse attempt.
constexpr int kMostAttempts = 400;
constexpr size_t kSmallestScriptJson = 200;
// Longer strings are no titles.
constexpr size_t kLongestTitle = 4096;

struct JsonNode {
  char kind = 0;    // '{', '[', '"' or '0' (number, true, false, null)
  size_t from = 0;  // a string's contents; any other value whole
  size_t to = 0;
  int parent = -1;
  std::string key;  // the member's name (as written), empty in an array
  std::vector<int> children;
};

class JsonParser {
 public:
  JsonParser(std::string_view text, std::vector<JsonNode>& nodes)
      : t_(text), nodes_(nodes) {}

  // Parses one value at `at`; its node index, or -1 (nodes added by a
  // failed parse are dropped).
  int Parse(size_t at, size_t* end) {
    const size_t mark = nodes_.size();
    i_ = at;
    const int root = Value(-1, {}, 0);
    if (root < 0) {
      nodes_.resize(mark);
      return -1;
    }
    *end = i_;
    return root;
  }

 private:
  void Space() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\n' ||
                              t_[i_] == '\r' || t_[i_] == '\t')) {
      ++i_;
    }
  }

  // At an opening quote: the contents' end, passing over escapes and
  // whole GBK characters (a trail byte may be a backslash).
  bool String(size_t* from, size_t* to) {
    *from = ++i_;
    while (i_ < t_.size()) {
      const char c = t_[i_];
      if (c == '"') {
        *to = i_++;
        return true;
      }
      if (c == '\\') {
        i_ += 2;
      } else if (c == '\n') {
        return false;
      } else {
        i_ += GbkCharLength(t_, i_);
      }
    }
    return false;
  }

  int Add(char kind, size_t from, int parent, std::string key) {
    if (nodes_.size() >= kMostNodes) return -1;
    JsonNode node;
    node.kind = kind;
    node.from = from;
    node.parent = parent;
    node.key = std::move(key);
    nodes_.push_back(std::move(node));
    const int index = static_cast<int>(nodes_.size() - 1);
    if (parent >= 0) nodes_[parent].children.push_back(index);
    return index;
  }

  int Value(int parent, std::string key, int depth) {
    if (depth > kDeepest) return -1;
    Space();
    if (i_ >= t_.size()) return -1;
    const char c = t_[i_];
    if (c == '"') {
      size_t from = 0;
      size_t to = 0;
      if (!String(&from, &to)) return -1;
      const int node = Add('"', from, parent, std::move(key));
      if (node >= 0) nodes_[node].to = to;
      return node;
    }
    if (c == '{' || c == '[') {
      const int node = Add(c, i_, parent, std::move(key));
      if (node < 0) return -1;
      ++i_;
      Space();
      const char close = c == '{' ? '}' : ']';
      if (i_ < t_.size() && t_[i_] == close) {
        nodes_[node].to = ++i_;
        return node;
      }
      while (true) {
        std::string name;
        if (c == '{') {
          Space();
          if (i_ >= t_.size() || t_[i_] != '"') return -1;
          size_t from = 0;
          size_t to = 0;
          if (!String(&from, &to)) return -1;
          name = std::string(t_.substr(from, to - from));
          Space();
          if (i_ >= t_.size() || t_[i_] != ':') return -1;
          ++i_;
        }
        if (Value(node, std::move(name), depth + 1) < 0) return -1;
        Space();
        if (i_ >= t_.size()) return -1;
        if (t_[i_] == ',') {
          ++i_;
          continue;
        }
        if (t_[i_] != close) return -1;
        nodes_[node].to = ++i_;
        return node;
      }
    }
    // A number or a literal.
    const size_t from = i_;
    while (i_ < t_.size() &&
           ((t_[i_] >= '0' && t_[i_] <= '9') ||
            (t_[i_] >= 'a' && t_[i_] <= 'z') || t_[i_] == '-' ||
            t_[i_] == '+' || t_[i_] == '.' || t_[i_] == 'E')) {
      ++i_;
    }
    if (i_ == from) return -1;
    const int node = Add('0', from, parent, std::move(key));
    if (node >= 0) nodes_[node].to = i_;
    return node;
  }

  std::string_view t_;
  std::vector<JsonNode>& nodes_;
  size_t i_ = 0;
};

int HexValue(std::string_view s, size_t at) {
  if (at + 4 > s.size()) return -1;
  int v = 0;
  for (size_t k = at; k < at + 4; ++k) {
    const char c = s[k];
    v <<= 4;
    if (c >= '0' && c <= '9') {
      v |= c - '0';
    } else if (c >= 'a' && c <= 'f') {
      v |= c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      v |= c - 'A' + 10;
    } else {
      return -1;
    }
  }
  return v;
}

// The text a string shows, as the chain will show it.
std::string ShownString(std::string_view raw, bool plain) {
  return GbkToUtf8(plain ? PlainText(raw, /*json_strings=*/true)
                         : ShownText(raw, /*json_strings=*/true));
}

struct Document {
  std::string_view text;
  std::vector<JsonNode> nodes;
  std::string base;
};

std::vector<int> ChainOf(const Document& doc, int node) {
  std::vector<int> chain;
  for (int n = node; n >= 0; n = doc.nodes[n].parent) chain.push_back(n);
  std::reverse(chain.begin(), chain.end());
  return chain;
}

// The string reached from `from` by the member names of `path`.
int Follow(const Document& doc, int from,
           const std::vector<std::string>& path) {
  int n = from;
  for (const std::string& key : path) {
    const JsonNode& node = doc.nodes[n];
    if (node.kind != '{') return -1;
    int next = -1;
    for (int child : node.children) {
      if (doc.nodes[child].key == key) {
        next = child;
        break;
      }
    }
    if (next < 0) return -1;
    n = next;
  }
  return doc.nodes[n].kind == '"' ? n : -1;
}

std::string RawOf(const Document& doc, int node) {
  const JsonNode& n = doc.nodes[node];
  return std::string(doc.text.substr(n.from, n.to - n.from));
}

// A member that flags an entry apart from the examples' (an advert's
// "p4p": 1, "sponsored": true): a plain value both examples agree on that
// this entry does not share, or a member neither has that is set.
bool FlaggedApart(const Document& doc, int entry,
                  const std::vector<int>& tops) {
  for (int child : doc.nodes[entry].children) {
    const JsonNode& member = doc.nodes[child];
    if (member.kind != '0') continue;
    const std::string value = RawOf(doc, child);
    int having = 0;
    bool differs = false;
    for (int top : tops) {
      for (int other : doc.nodes[top].children) {
        if (doc.nodes[other].key != member.key) continue;
        ++having;
        differs = differs || RawOf(doc, other) != value;
      }
    }
    if (having == static_cast<int>(tops.size()) && differs) {
      bool agree = true;
      std::string first;
      for (int top : tops) {
        for (int other : doc.nodes[top].children) {
          if (doc.nodes[other].key != member.key) continue;
          if (first.empty()) first = RawOf(doc, other);
          agree = agree && RawOf(doc, other) == first;
        }
      }
      // A count or a kind differs from entry to entry; only a switch the
      // examples have off is a flag.
      if (agree && ((value == "true" && first == "false") ||
                    (value == "1" && first == "0"))) {
        return true;
      }
    }
    if (having == 0 && (value == "true" || value == "1")) return true;
  }
  return false;
}

bool IsImage(const std::string& link) {
  const std::string path =
      LowerAscii(link.substr(0, std::min(link.size(), link.find('?'))));
  for (const char* ext : {".jpg", ".jpeg", ".png", ".gif", ".webp", ".svg"}) {
    if (path.ends_with(ext)) return true;
  }
  return false;
}

// An address a string member holds, absolute; empty when it holds none.
std::string AddressOf(const Document& doc, int node) {
  const std::string value = DecodeJsonText(doc.text.substr(
      doc.nodes[node].from, doc.nodes[node].to - doc.nodes[node].from));
  if (value.empty() || value.size() > 2048) return {};
  if (!IsHttpAddress(value) && !value.starts_with("/")) return {};
  const std::string link = ResolveLink(doc.base, value);
  return IsImage(link) ? std::string() : link;
}

}  // namespace

std::string DecodeJsonText(std::string_view raw,
                           std::vector<uint32_t>* origin) {
  std::string out;
  auto note = [&](size_t from, size_t before) {
    if (origin != nullptr) {
      origin->insert(origin->end(), out.size() - before,
                     static_cast<uint32_t>(from));
    }
  };
  size_t i = 0;
  while (i < raw.size()) {
    const size_t before = out.size();
    const char c = raw[i];
    if (c != '\\' || i + 1 >= raw.size()) {
      const size_t width =
          static_cast<unsigned char>(c) < 0x80 ? 1 : GbkCharLength(raw, i);
      out += width == 1 && static_cast<unsigned char>(c) < 0x80
                 ? std::string(1, c)
                 : GbkToUtf8(raw.substr(i, width));
      note(i, before);
      i += width;
      continue;
    }
    const char e = raw[i + 1];
    size_t used = 2;
    switch (e) {
      case '"':
        out += '"';
        break;
      case '\\':
        out += '\\';
        break;
      case '/':
        out += '/';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        int cp = HexValue(raw, i + 2);
        if (cp < 0) {
          out += raw.substr(i, 2);
          break;
        }
        used = 6;
        if (cp >= 0xD800 && cp <= 0xDBFF && raw.substr(i + 6, 2) == "\\u") {
          const int low = HexValue(raw, i + 8);
          if (low >= 0xDC00 && low <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            used = 12;
          }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // a lone half
        AppendUtf8(static_cast<char32_t>(cp), out);
        break;
      }
      default:
        out += raw.substr(i, 2);
        break;
    }
    note(i, before);
    i += used;
  }
  if (origin != nullptr) origin->push_back(static_cast<uint32_t>(raw.size()));
  return out;
}

RecordList FindJsonRecords(std::string_view program_text,
                           std::string_view page_url,
                           const std::vector<ExampleText>& examples,
                           bool some_missing) {
  RecordList list;
  list.source = RecordSource::kJson;
  if (examples.empty()) return list;
  Document doc{program_text, {}, std::string(page_url)};
  JsonParser parser(program_text, doc.nodes);
  // The whole page, or values scripts assign or hand on.
  size_t first = program_text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  if (first != std::string_view::npos &&
      (program_text[first] == '{' || program_text[first] == '[')) {
    size_t end = 0;
    parser.Parse(first, &end);
  } else {
    int attempts = 0;
    for (size_t at = 0; at < program_text.size() && attempts < kMostAttempts;) {
      at = program_text.find_first_of("{[", at);
      if (at == std::string_view::npos) break;
      size_t back = at;
      while (back > 0 &&
             (program_text[back - 1] == ' ' || program_text[back - 1] == '\n' ||
              program_text[back - 1] == '\r' ||
              program_text[back - 1] == '\t')) {
        --back;
      }
      const char before = back > 0 ? program_text[back - 1] : 0;
      if (before != '=' && before != '(' && before != '>') {
        ++at;
        continue;
      }
      ++attempts;
      size_t end = 0;
      const size_t mark = doc.nodes.size();
      if (parser.Parse(at, &end) >= 0 && end - at < kSmallestScriptJson) {
        doc.nodes.resize(mark);
      }
      at = doc.nodes.size() > mark ? end : at + 1;
    }
  }
  if (doc.nodes.empty()) return list;
  // A JSON Feed says so in its "version", and its titles are plain text.
  bool plain = false;
  if (doc.nodes[0].kind == '{') {
    for (int child : doc.nodes[0].children) {
      if (doc.nodes[child].key == "version" && doc.nodes[child].kind == '"' &&
          RawOf(doc, child).find("jsonfeed.org") != std::string::npos) {
        plain = true;
      }
    }
  }
  list.plain_titles = plain;
  // Where the examples stand: strings that show them.
  std::vector<std::vector<int>> places;
  for (const ExampleText& example : examples) {
    std::vector<int> found;
    for (size_t n = 0; n < doc.nodes.size(); ++n) {
      const JsonNode& node = doc.nodes[n];
      if (node.kind != '"' || node.to - node.from > kLongestTitle) continue;
      if (ShownTitleFits(
              ShownString(program_text.substr(node.from, node.to - node.from),
                          plain),
              example)) {
        found.push_back(static_cast<int>(n));
      }
    }
    if (found.empty()) {
      if (some_missing) continue;
      return list;
    }
    places.push_back(std::move(found));
    if (places.size() == 2) break;
  }
  if (places.size() < 2) return list;
  // The first pairing whose strings sit at one member path of two entries
  // of one array.
  std::vector<int> entries;
  std::vector<std::string> path;
  int array = -1;
  std::vector<int> tops;
  for (int a : places[0]) {
    for (int b : places[1]) {
      if (a == b) continue;
      const std::vector<int> ca = ChainOf(doc, a);
      const std::vector<int> cb = ChainOf(doc, b);
      size_t d = 0;
      while (d < ca.size() && d < cb.size() && ca[d] == cb[d]) ++d;
      if (d == 0 || d >= ca.size() || d >= cb.size()) continue;
      if (doc.nodes[ca[d - 1]].kind != '[') continue;
      std::vector<std::string> pa, pb;
      for (size_t k = d + 1; k < ca.size(); ++k)
        pa.push_back(doc.nodes[ca[k]].key);
      for (size_t k = d + 1; k < cb.size(); ++k)
        pb.push_back(doc.nodes[cb[k]].key);
      if (pa != pb) continue;
      array = ca[d - 1];
      path = pa;
      tops = {ca[d], cb[d]};
      break;
    }
    if (array >= 0) break;
  }
  if (array < 0) return list;
  std::vector<int> titles;
  for (int entry : doc.nodes[array].children) {
    if (doc.nodes[entry].kind != '{' || FlaggedApart(doc, entry, tops))
      continue;
    const int title = Follow(doc, entry, path);
    if (title < 0 || ShownString(program_text.substr(doc.nodes[title].from,
                                                     doc.nodes[title].to -
                                                         doc.nodes[title].from),
                                 plain)
                         .empty()) {
      continue;
    }
    entries.push_back(entry);
    titles.push_back(title);
  }
  if (entries.size() < 2) return list;
  // The address member every entry has, all different: on the site first.
  // Members of the entry's own objects count too (an answer that wraps
  // each post's fields in "data").
  std::vector<std::vector<std::string>> paths;
  std::vector<std::pair<int, std::vector<std::string>>> level = {
      {entries[0], {}}};
  for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
    std::vector<std::pair<int, std::vector<std::string>>> next;
    for (const auto& [n, at] : level) {
      for (int child : doc.nodes[n].children) {
        std::vector<std::string> path = at;
        path.push_back(doc.nodes[child].key);
        if (doc.nodes[child].kind == '"') {
          paths.push_back(path);
        } else if (doc.nodes[child].kind == '{') {
          next.push_back({child, path});
        }
      }
    }
    level = std::move(next);
  }
  // Nearer members first, each level in document order.
  std::stable_sort(
      paths.begin(), paths.end(),
      [](const auto& a, const auto& b) { return a.size() < b.size(); });
  // Written relative to the site, an address is the site's own page.
  auto relative = [&](const std::vector<std::string>& member) {
    const int found = Follow(doc, entries[0], member);
    return found >= 0 && doc.text[doc.nodes[found].from] == '/' &&
           doc.text.substr(doc.nodes[found].from, 2) != "//";
  };
  std::stable_partition(paths.begin(), paths.end(), relative);
  std::vector<int> links;
  for (int pass = 0; pass < 2 && links.empty(); ++pass) {
    for (const std::vector<std::string>& member : paths) {
      std::vector<int> chosen;
      std::vector<std::string> addresses;
      std::set<std::string> seen;
      for (int entry : entries) {
        const int found = Follow(doc, entry, member);
        if (found < 0) break;
        const std::string link = AddressOf(doc, found);
        if (link.empty() || !seen.insert(link).second) break;
        if (pass == 0 && !SameSite(link, page_url)) break;
        chosen.push_back(found);
        addresses.push_back(link);
      }
      if (chosen.size() == entries.size() && !MostlyActions(addresses)) {
        links = std::move(chosen);
        break;
      }
    }
  }
  if (links.empty()) return list;
  for (size_t i = 0; i < entries.size(); ++i) {
    const JsonNode& entry = doc.nodes[entries[i]];
    const JsonNode& title = doc.nodes[titles[i]];
    const JsonNode& link = doc.nodes[links[i]];
    PageRecord record;
    record.whole = {entry.from, entry.to};
    record.title = {title.from, title.to};
    record.href = {link.from, link.to};
    record.shown_title = ShownString(
        program_text.substr(title.from, title.to - title.from), plain);
    record.link = AddressOf(doc, links[i]);
    list.records.push_back(std::move(record));
  }
  // The array's own key stands before it; the text right after it ends it.
  const JsonNode& holder = doc.nodes[array];
  if (!holder.key.empty()) list.before.push_back("\"" + holder.key + "\"");
  const size_t after = std::min(program_text.size(), holder.to);
  // The array closes the answer: all that follows it is the surest end.
  if (after >= 1 && program_text.size() - (after - 1) <= 48) {
    list.after.push_back(std::string(program_text.substr(after - 1)));
  }
  for (size_t n : {2, 4, 8, 16}) {
    if (after + n <= program_text.size()) {
      list.after.push_back(std::string(program_text.substr(after - 1, n)));
    }
  }
  return list;
}

}  // namespace dw
