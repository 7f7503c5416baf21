#include "text/shown_title.h"

#include <algorithm>
#include <vector>

#include "runtime/ascii_case.h"
#include "runtime/gbk_char.h"
#include "text/html_entities.h"
#include "text/json_string.h"
#include "text/page_text.h"

namespace dw {
namespace {

constexpr std::string_view kCdataOpen = "<![CDATA[";
constexpr std::string_view kCdataClose = "]]>";

const char* EntityText(char decoded) {
  switch (decoded) {
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    default:
      return "&#37;";
  }
}

// True when the double quote noted at `mark` stood in a JSON string, that
// is after an odd number of backslashes. Only those right before it count:
// whatever was taken out in between (another quote, a break) ends the run,
// and the first of them may be the second byte of a double-byte character.
bool EscapedInJson(std::string_view tidied, const TidyMarks& marks,
                   TidyMarks::const_iterator mark) {
  size_t run_start = 0;
  if (mark != marks.begin()) {
    const TidyMark& before = *std::prev(mark);
    if (before.at == mark->at) return false;
    run_start = before.at;
  }
  size_t k = mark->at;
  while (k > run_start && tidied[k - 1] == '\\') --k;
  size_t backslashes = mark->at - k;
  if (backslashes > 0 && k > run_start) {
    // An odd run of bytes that may lead a character ends in a lead byte.
    size_t high = 0;
    while (k - high > run_start &&
           static_cast<unsigned char>(tidied[k - 1 - high]) >= 0x81) {
      ++high;
    }
    if (high % 2 == 1) --backslashes;
  }
  return backslashes % 2 == 1;
}

bool OpensTag(std::string_view s, size_t i) {
  if (i + 1 >= s.size()) return false;
  const char c = s[i + 1];
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' ||
         c == '!' || c == '?';
}

// The index after the tag that opens at s[i]: after its ">", which a quoted
// attribute value may hold.
size_t TagEnd(std::string_view s, size_t i) {
  bool after_equals = false;
  for (++i; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '>') return i + 1;
    if (after_equals && (c == '"' || c == '\'')) {
      const size_t close = s.find(c, i + 1);
      if (close == std::string_view::npos) return s.size();
      i = close;
      after_equals = false;
      continue;
    }
    if (c == '=') {
      after_equals = true;
    } else if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') {
      after_equals = false;
    }
  }
  return s.size();
}

// The index of the "]]>" that closes a CDATA section whose contents start
// at s[i], stepping over characters: "]" may be a second byte.
size_t CdataEnd(std::string_view s, size_t i) {
  while (i < s.size() && s.compare(i, kCdataClose.size(), kCdataClose) != 0) {
    i += GbkCharLength(s, i);
  }
  return std::min(i, s.size());
}

// The bytes of a no-break space reference at s[at] ("&" there), read as the
// entity decoder reads references; 0 when none stands there.
size_t NoBreakSpaceReference(std::string_view s, size_t at) {
  const std::string_view rest = s.substr(at + 1);
  if (rest.starts_with("nbsp")) return rest.substr(4).starts_with(';') ? 6 : 5;
  if (rest.starts_with("NonBreakingSpace;")) return 18;
  if (!rest.starts_with('#')) return 0;
  size_t i = 1;
  const bool hex = i < rest.size() && (rest[i] == 'x' || rest[i] == 'X');
  if (hex) ++i;
  const size_t digits_from = i;
  unsigned value = 0;
  for (; i < rest.size(); ++i) {
    const char c = rest[i];
    int digit = -1;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    }
    if (digit < 0) break;
    value = std::min(value * (hex ? 16 : 10) + digit, 0x110000u);
  }
  if (i == digits_from || value != 0xA0) return 0;
  if (i < rest.size() && rest[i] == ';') ++i;
  return i + 1;
}

// Text between tags, its entities decoded once; a no-break space is a space
// here already, for the one that program text cannot hold.
void AppendDecoded(std::string_view s, std::string& out) {
  size_t copied = 0;
  for (size_t at = s.find('&'); at != std::string_view::npos;
       at = s.find('&', at + 1)) {
    const size_t length = NoBreakSpaceReference(s, at);
    if (length == 0) continue;
    out += DecodeHtmlEntities(s.substr(copied, at - copied));
    out += ' ';
    copied = at + length;
    at = copied - 1;
  }
  out += DecodeHtmlEntities(s.substr(copied));
}

// The name of the tag at s[i] ("<" there, OpensTag true), lower case, and
// whether it closes.
std::string TagName(std::string_view s, size_t i, bool* closing) {
  *closing = i + 1 < s.size() && s[i + 1] == '/';
  std::string name;
  for (size_t k = i + (*closing ? 2 : 1); k < s.size(); ++k) {
    const char c = s[k];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
          (c >= '0' && c <= '9'))) {
      break;
    }
    name += LowerAscii(c);
  }
  return name;
}

// A JSON string holds markup a page will render (a highlight's
// <span>...</span>) or text that merely looks like a tag ("<i> and <b>"):
// only tags that close, and empty ones, are markup; any other "<" is text.
std::string UnpairedTagsAsText(std::string s) {
  std::vector<std::pair<size_t, std::string>> opened;
  std::vector<size_t> text;  // "<"s that stand for themselves
  for (size_t i = s.find('<'); i != std::string::npos; i = s.find('<', i + 1)) {
    if (!OpensTag(s, i)) continue;
    bool closing = false;
    const std::string name = TagName(s, i, &closing);
    if (name == "br" || name == "img" || name == "hr" || name == "wbr")
      continue;
    if (!closing) {
      opened.push_back({i, name});
      continue;
    }
    auto it = std::find_if(opened.rbegin(), opened.rend(),
                           [&](const auto& o) { return o.second == name; });
    if (it == opened.rend()) {
      text.push_back(i);
      continue;
    }
    opened.erase(std::next(it).base(), opened.end());
  }
  for (const auto& o : opened) text.push_back(o.first);
  std::sort(text.rbegin(), text.rend());
  for (size_t at : text) s.replace(at, 1, "&lt;");
  return s;
}

std::string WithoutMarkup(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t text_from = 0;
  // "<" is never the second byte of a character.
  for (size_t i = s.find('<'); i != std::string_view::npos;
       i = s.find('<', i)) {
    const bool cdata = s.compare(i, kCdataOpen.size(), kCdataOpen) == 0;
    if (!cdata && !OpensTag(s, i)) {
      ++i;
      continue;
    }
    AppendDecoded(s.substr(text_from, i - text_from), out);
    if (cdata) {
      const size_t close = CdataEnd(s, i + kCdataOpen.size());
      // CDATA keeps markup as text; its entities are decoded once, as
      // everywhere else.
      AppendDecoded(
          s.substr(i + kCdataOpen.size(), close - i - kCdataOpen.size()), out);
      i = std::min(close + kCdataClose.size(), s.size());
    } else {
      i = TagEnd(s, i);
    }
    text_from = i;
  }
  AppendDecoded(s.substr(text_from), out);
  return out;
}

// The no-break space as program text, when program text can hold it.
const std::string& NoBreakSpace() {
  static const std::string text = [] {
    std::string gbk = Utf8ToGbk("\xC2\xA0");
    return gbk == "?" ? std::string() : gbk;
  }();
  return text;
}

std::string CollapseWhiteSpace(std::string_view s) {
  const std::string& nbsp = NoBreakSpace();
  std::string out;
  out.reserve(s.size());
  bool space = false;
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    size_t width = 1;
    bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    if (!blank && !nbsp.empty() && s.compare(i, nbsp.size(), nbsp) == 0) {
      blank = true;
      width = nbsp.size();
    } else if (!blank) {
      width = GbkCharLength(s, i);
    }
    if (blank) {
      space = !out.empty();
    } else {
      if (space) out += ' ';
      space = false;
      out.append(s, i, width);
    }
    i += width;
  }
  return out;
}

}  // namespace

std::string UntidiedSpan(std::string_view tidied, size_t begin, size_t end,
                         const TidyMarks& marks, bool json_strings) {
  end = std::min(end, tidied.size());
  begin = std::min(begin, end);
  std::string out;
  out.reserve(end - begin + 16);
  size_t pos = begin;
  auto mark =
      std::lower_bound(marks.begin(), marks.end(), begin,
                       [](const TidyMark& m, size_t at) { return m.at < at; });
  for (; mark != marks.end() && mark->at <= end; ++mark) {
    if (mark->at > pos) {
      out.append(tidied, pos, mark->at - pos);
      pos = mark->at;
    }
    switch (mark->kind) {
      case TidyMarkKind::kQuote:
      case TidyMarkKind::kDelimiter:
        if (json_strings && mark->byte == '"') {
          if (EscapedInJson(tidied, marks, mark)) out += '"';
        } else if (mark->kind == TidyMarkKind::kQuote ||
                   (mark->at > begin && mark->at < end)) {
          // A delimiter inside the span stands in a tag there, which goes
          // with it; kept till then, it tells where the tag ends.
          out += mark->byte;
        }
        break;
      case TidyMarkKind::kQuoteText:
        out += "&quot;";
        break;
      case TidyMarkKind::kBreak:
        out += ' ';
        break;
      case TidyMarkKind::kEntity:
        if (mark->at < end) {
          out += EntityText(mark->byte);
          pos = mark->at + 1;
        }
        break;
    }
  }
  out.append(tidied, pos, end - pos);
  return out;
}

std::string ShownText(std::string_view text, bool json_strings) {
  if (json_strings) {
    return CollapseWhiteSpace(
        WithoutMarkup(UnpairedTagsAsText(DecodeJsonString(text))));
  }
  return CollapseWhiteSpace(WithoutMarkup(text));
}

std::string PlainText(std::string_view text, bool json_strings) {
  return CollapseWhiteSpace(json_strings ? DecodeJsonString(text)
                                         : std::string(text));
}

}  // namespace dw
