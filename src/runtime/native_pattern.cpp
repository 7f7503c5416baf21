#include "runtime/native_pattern.h"

#include <boost/regex.hpp>
#include <exception>
#include <locale>
#include <optional>

#include "runtime/gbk_char.h"

namespace dw {

struct Pattern::Impl {
  boost::regex re;
};

Pattern::Pattern() = default;
Pattern::~Pattern() = default;
Pattern::Pattern(Pattern&&) noexcept = default;
Pattern& Pattern::operator=(Pattern&&) noexcept = default;

Pattern PatternNew() { return Pattern(); }

bool PatternCreate(Pattern& pattern, std::string_view text,
                   bool case_sensitive) {
  pattern.impl_.reset();
  if (PatternHangsParser(text)) return false;
  try {
    boost::regex::flag_type flags = boost::regex::perl;
    if (!case_sensitive) flags |= boost::regex::icase;
    auto impl = std::make_unique<Pattern::Impl>();
    // Folding stays ASCII whatever locale the program has made global:
    // GBK bytes from 0x80 up are never letters here.
    impl->re.imbue(std::locale::classic());
    impl->re.assign(text.data(), text.data() + text.size(), flags);
    pattern.impl_ = std::move(impl);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

namespace {

// One search over [from, end) with `from` as the start of the text.
// Throws what the engine throws.
std::optional<Match> SearchFrom(const boost::regex& re, std::string_view s,
                                size_t from) {
  boost::match_results<const char*> m;
  const char* begin = s.data() + from;
  if (!boost::regex_search(begin, s.data() + s.size(), m, re,
                           boost::match_default)) {
    return std::nullopt;
  }
  Match out;
  out.groups.resize(m.size());
  for (size_t g = 0; g < m.size(); ++g) {
    if (!m[g].matched) continue;
    out.groups[g].begin = static_cast<int>(m[g].first - s.data());
    out.groups[g].end = static_cast<int>(m[g].second - s.data());
  }
  return out;
}

}  // namespace

std::vector<Match> PatternSearchAll(const Pattern& pattern,
                                    std::string_view subject, bool* gave_up) {
  if (gave_up) *gave_up = false;
  std::vector<Match> matches;
  if (!pattern.impl_ || subject.empty()) return matches;
  try {
    size_t pos = 0;
    while (pos <= subject.size()) {
      std::optional<Match> m = SearchFrom(pattern.impl_->re, subject, pos);
      if (!m) break;
      size_t begin = static_cast<size_t>(m->groups[0].begin);
      size_t end = static_cast<size_t>(m->groups[0].end);
      matches.push_back(std::move(*m));
      if (end > begin) {
        pos = end;
        continue;
      }
      // An empty match would be found again from the same place: step over
      // the character it sits before, a GBK pair as one.
      if (end >= subject.size()) break;
      pos = end + GbkCharLength(subject, end);
    }
  } catch (const std::exception&) {
    // The engine gives up on searches that grow too complex or too deep;
    // a rule with such a pattern simply yields nothing.
    matches.clear();
    if (gave_up) *gave_up = true;
  }
  return matches;
}

std::string MatchSubText(const Match& match, std::string_view subject,
                         int group, int* start) {
  if (start) *start = -1;
  if (group < 0 || static_cast<size_t>(group) >= match.groups.size()) {
    return std::string();
  }
  const Match::Group& g = match.groups[group];
  if (g.begin < 0 || g.end < g.begin ||
      static_cast<size_t>(g.end) > subject.size()) {
    return std::string();
  }
  if (start) *start = g.begin;
  return std::string(subject.substr(g.begin, g.end - g.begin));
}

void MatchFree(Match& match) { match.groups.clear(); }

void PatternFree(Pattern& pattern) { pattern.impl_.reset(); }

}  // namespace dw
