#include "text/regex_object.h"

#include <boost/regex.hpp>
#include <exception>
#include <locale>
#include <vector>

#include "runtime/gbk_constants.h"
#include "runtime/native_pattern.h"
#include "runtime/text_ops.h"
#include "text/gbk_codec.h"

namespace dw {
namespace {

// Character classes of the classic locale (so "\w" and "\s" keep to ASCII
// as in the dialect we speak) but case folding for every letter that has a
// case, taken from a Unicode locale when the system has one.
struct WideTraits : boost::cpp_regex_traits<wchar_t> {
  static const std::ctype<wchar_t>* UnicodeCase() {
    static const std::ctype<wchar_t>* facet = []() {
      try {
        static const std::locale loc("C.UTF-8");
        return &std::use_facet<std::ctype<wchar_t>>(loc);
      } catch (const std::exception&) {
        return static_cast<const std::ctype<wchar_t>*>(nullptr);
      }
    }();
    return facet;
  }
  wchar_t tolower(wchar_t c) const {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    const std::ctype<wchar_t>* f = UnicodeCase();
    return f ? f->tolower(c) : c;
  }
  wchar_t toupper(wchar_t c) const {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
    const std::ctype<wchar_t>* f = UnicodeCase();
    return f ? f->toupper(c) : c;
  }
  wchar_t translate(wchar_t c) const { return c; }
  wchar_t translate_nocase(wchar_t c) const { return tolower(c); }
  wchar_t translate(wchar_t c, bool icase) const {
    return icase ? tolower(c) : c;
  }
};

using WideRegex = boost::basic_regex<wchar_t, WideTraits>;

struct Span {
  int begin = -1;  // in characters of the wide subject
  int end = -1;
};

}  // namespace

struct RegexObject::State {
  std::string pattern;
  std::string subject;
  WideText wide;
  bool searched = false;  // the search ran to its end
  std::vector<std::vector<Span>> matches;

  const Span* Find(int index, int group) const {
    if (!searched || index < 1 || static_cast<size_t>(index) > matches.size())
      return nullptr;
    const std::vector<Span>& m = matches[index - 1];
    if (group < 0 || static_cast<size_t>(group) >= m.size()) return nullptr;
    return &m[group];
  }

  // The GBK bytes of a span: the subject's own, as converting the wide
  // characters back gives exactly those.
  std::string_view Bytes(const Span& span, size_t* offset = nullptr) const {
    size_t b = wide.ByteOffset(subject, span.begin);
    size_t e = wide.ByteOffset(subject, span.end);
    if (offset) *offset = b;
    return std::string_view(subject).substr(b, e - b);
  }

  std::string Text(const Span* span, int* offset) const {
    if (offset) *offset = -1;
    if (!span || span->begin < 0) return std::string();
    size_t b = 0;
    std::string text(Bytes(*span, &b));
    if (offset) *offset = static_cast<int>(b);
    return text;
  }
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject&) = default;
RegexObject& RegexObject::operator=(const RegexObject&) = default;

bool RegexObject::Search(std::string_view pattern, std::string_view subject,
                         bool case_sensitive, bool multiline, bool global,
                         bool quote_placeholder) {
  auto state = std::make_shared<State>();
  state->pattern = std::string(pattern);
  if (quote_placeholder) {
    state->pattern = ReplaceText(state->pattern, kQuotePlaceholder, "\"");
  }
  state->subject = std::string(subject);
  state->wide = WideText(state->subject);
  const std::wstring wide_pattern = GbkToWide(state->pattern);
  if (PatternHangsParser(std::wstring_view(wide_pattern))) {
    state_ = std::move(state);
    return false;
  }
  try {
    boost::regex_constants::syntax_option_type syntax =
        boost::regex::ECMAScript;
    if (!case_sensitive) syntax |= boost::regex::icase;
    WideRegex re;
    // Classes from the classic locale, whatever locale is global.
    re.imbue(std::locale::classic());
    re.assign(wide_pattern, syntax);

    boost::match_flag_type flags =
        boost::match_default | boost::match_not_dot_newline;
    if (!multiline) flags |= boost::match_single_line;
    const wchar_t* const base = state->wide.begin();
    const wchar_t* const last = state->wide.end();
    boost::match_results<const wchar_t*> m;
    size_t pos = 0;
    // Each later search looks back past its start (for "^" and "\b"), and
    // after an empty match it moves on one character.
    while (pos <= state->wide.size() &&
           boost::regex_search(base + pos, last, m, re, flags, base)) {
      std::vector<Span> groups(m.size());
      for (size_t g = 0; g < m.size(); ++g) {
        if (!m[g].matched) continue;
        groups[g].begin = static_cast<int>(m[g].first - base);
        groups[g].end = static_cast<int>(m[g].second - base);
      }
      state->matches.push_back(std::move(groups));
      if (!global) break;
      size_t end = static_cast<size_t>(m[0].second - base);
      pos = m[0].length() == 0 ? end + 1 : end;
    }
    state->searched = true;
  } catch (const std::exception&) {
    // A rejected pattern, or a search the engine gave up on.
    state->matches.clear();
    state->searched = false;
  }
  state_ = std::move(state);
  return state_->searched;
}

std::string RegexObject::ReplaceMatches(std::string_view replacement) const {
  if (!state_ || !state_->searched) return std::string();
  const State& s = *state_;
  const std::string_view subject = s.subject;
  std::string out;
  out.reserve(subject.size());
  size_t copied = 0;
  // "$" is never the second byte of a GBK character, so the replacement
  // can be read byte by byte.
  const std::string_view with = replacement;
  for (const std::vector<Span>& m : s.matches) {
    size_t begin = 0;
    std::string_view whole = s.Bytes(m[0], &begin);
    size_t end = begin + whole.size();
    out.append(subject.substr(copied, begin - copied));
    for (size_t i = 0; i < with.size(); ++i) {
      char c = with[i];
      char next = i + 1 < with.size() ? with[i + 1] : 0;
      if (c != '$' || next == 0) {
        out += c;
        continue;
      }
      if (next == '$') {
        out += '$';
        ++i;
      } else if (next == '&') {
        out.append(whole);
        ++i;
      } else if (next == '`') {
        out.append(subject.substr(0, begin));
        ++i;
      } else if (next == '\'') {
        out.append(subject.substr(end));
        ++i;
      } else if (next >= '0' && next <= '9') {
        // Two digits when they name a group, else one, else literal.
        size_t group = next - '0';
        size_t used = 1;
        char third = i + 2 < with.size() ? with[i + 2] : 0;
        if (third >= '0' && third <= '9') {
          size_t two = group * 10 + (third - '0');
          if (two > 0 && two < m.size()) {
            group = two;
            used = 2;
          }
        }
        if (group == 0 || group >= m.size()) {
          out += c;
          continue;
        }
        if (m[group].begin >= 0) out.append(s.Bytes(m[group]));
        i += used;
      } else {
        out += c;
      }
    }
    copied = end;
  }
  out.append(subject.substr(copied));
  return out;
}

int RegexObject::MatchCount() const {
  return state_ && state_->searched ? static_cast<int>(state_->matches.size())
                                    : 0;
}

std::string RegexObject::MatchText(int index, int* offset) const {
  if (!state_) {
    if (offset) *offset = -1;
    return std::string();
  }
  return state_->Text(state_->Find(index, 0), offset);
}

std::string RegexObject::SubMatchText(int index, int group, int* offset) const {
  if (!state_ || group < 1) {
    if (offset) *offset = -1;
    return std::string();
  }
  return state_->Text(state_->Find(index, group), offset);
}

int RegexObject::GroupCount() const {
  if (!state_ || !state_->searched || state_->matches.empty()) return 0;
  return static_cast<int>(state_->matches[0].size()) - 1;
}

std::string RegexObject::PatternText() const {
  return state_ ? state_->pattern : std::string();
}

}  // namespace dw
