// The native pattern search on Boost.Regex, the engine it ran on before, as
// the yardstick the differential fuzz target holds the runtime's search
// against: Perl syntax, ASCII case folding, each later search a fresh start
// of the text, empty matches stepping one character.
#pragma once

#include <boost/regex.hpp>
#include <exception>
#include <locale>
#include <string_view>
#include <vector>

#include "runtime/gbk_char.h"
#include "runtime/native_pattern.h"

namespace dw::boost_search {

enum class Outcome {
  kRejected,  // the pattern does not compile
  kGaveUp,    // the engine abandoned the search (too complex, too deep)
  kSearched,
};

struct Result {
  Outcome outcome = Outcome::kRejected;
  std::vector<Match> matches;
};

inline Result SearchAll(std::string_view pattern, bool case_sensitive,
                        std::string_view s) {
  Result result;
  if (PatternHangsParser(pattern)) return result;
  boost::regex re;
  try {
    boost::regex::flag_type flags = boost::regex::perl;
    if (!case_sensitive) flags |= boost::regex::icase;
    re.imbue(std::locale::classic());
    re.assign(pattern.data(), pattern.data() + pattern.size(), flags);
  } catch (const std::exception&) {
    return result;
  }
  result.outcome = Outcome::kSearched;
  if (s.empty()) return result;
  try {
    size_t pos = 0;
    while (pos <= s.size()) {
      boost::match_results<const char*> m;
      if (!boost::regex_search(s.data() + pos, s.data() + s.size(), m, re,
                               boost::match_default)) {
        break;
      }
      Match out;
      out.groups.resize(m.size());
      for (size_t g = 0; g < m.size(); ++g) {
        if (!m[g].matched) continue;
        out.groups[g].begin = static_cast<int>(m[g].first - s.data());
        out.groups[g].end = static_cast<int>(m[g].second - s.data());
      }
      const size_t begin = static_cast<size_t>(out.groups[0].begin);
      const size_t end = static_cast<size_t>(out.groups[0].end);
      result.matches.push_back(std::move(out));
      if (end > begin) {
        pos = end;
        continue;
      }
      if (end >= s.size()) break;
      pos = end + GbkCharLength(s, end);
    }
  } catch (const std::exception&) {
    result.outcome = Outcome::kGaveUp;
    result.matches.clear();
  }
  return result;
}

}  // namespace dw::boost_search
