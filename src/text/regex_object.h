#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace dw {

// A regular expression in the JavaScript-like dialect, run over the
// characters of GBK text (so "." takes a Chinese character whole), with the
// matches of its last search. Indices are 1-based; offsets are 0-based byte
// offsets into the GBK subject.
//
// Copies share the result of the last search; a later Search on either
// gives that one a fresh result without touching the other.
class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(const RegexObject&);
  RegexObject& operator=(const RegexObject&);

  // Searches `subject`. Letters are compared regardless of case unless
  // `case_sensitive`; "^"/"$" match at line breaks when `multiline`; every
  // match is found when `global`, else the first only. With
  // `quote_placeholder`, "#引号" in the pattern stands for a double quote.
  // False when the pattern is rejected or the search is abandoned; true
  // otherwise, even when nothing matched.
  bool Search(std::string_view pattern, std::string_view subject,
              bool case_sensitive = false, bool multiline = true,
              bool global = true, bool quote_placeholder = false);

  // The subject of the last search with its matches replaced. In
  // `replacement`, "$&", "$`", "$'", "$1".."$99" and "$$" stand for the
  // match, the text before and after it, a group and "$". Empty text when
  // the last search failed or there was none.
  std::string ReplaceMatches(std::string_view replacement = {}) const;

  int MatchCount() const;

  // The text of match `index`; empty when there is no such match.
  std::string MatchText(int index, int* offset = nullptr) const;

  // The text of group `group` of match `index`; empty when either does not
  // exist or the group took no part (the offset is then -1).
  std::string SubMatchText(int index, int group, int* offset = nullptr) const;

  // Capture groups of the pattern, counted on the first match; 0 without
  // a match.
  int GroupCount() const;

  // The pattern of the last search, with the placeholder replaced.
  std::string PatternText() const;

 private:
  struct State;
  std::shared_ptr<const State> state_;
};

}  // namespace dw
