#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// Why a pattern was not taken: the engine's own words (or ours for a form
// refused before it), and the 0-based byte offset where it stopped reading.
struct PatternError {
  std::string message;
  size_t offset = 0;
};

// The byte ranges of one match: group 0 is the whole match. A group that
// took no part has begin == end == -1.
struct Match {
  struct Group {
    int begin = -1;
    int end = -1;
  };
  std::vector<Group> groups;
};

// A compiled Perl-syntax pattern over GBK bytes (each byte is one character
// to the engine), or none. "^" and "$" match at line feeds too, "." takes
// any byte, and only ASCII letters have a case. Move-only; releases itself.
class Pattern {
 public:
  Pattern();
  ~Pattern();
  Pattern(Pattern&&) noexcept;
  Pattern& operator=(Pattern&&) noexcept;
  Pattern(const Pattern&) = delete;
  Pattern& operator=(const Pattern&) = delete;

  struct Impl;

 private:
  friend bool PatternCreate(Pattern&, std::string_view, bool, PatternError*);
  friend std::vector<Match> PatternSearchAll(const Pattern&, std::string_view,
                                             bool*);
  friend void PatternFree(Pattern&);
  std::unique_ptr<Impl> impl_;
};

// An empty pattern object.
Pattern PatternNew();

// Compiles `text`, ignoring (ASCII) letter case when `case_sensitive` is
// false. False, and the object left empty, when the engine rejects it; then
// `why`, when given, says why.
bool PatternCreate(Pattern& pattern, std::string_view text,
                   bool case_sensitive = true, PatternError* why = nullptr);

// Every match, left to right. Each later search starts where the previous
// match ended and takes that point as the start of the text ("^" and "\b"
// see it so). After an empty match the search steps on by one character (two
// bytes at a GBK lead byte followed by a valid trail byte). An empty
// subject, an empty pattern object, or a search that goes past the engine's
// bounds on backtracking and depth gives no matches; `gave_up`, when given,
// tells the last case apart.
std::vector<Match> PatternSearchAll(const Pattern& pattern,
                                    std::string_view subject,
                                    bool* gave_up = nullptr);

// The text of `group` cut from `subject` (the text that was searched). A
// group that took no part or that the pattern does not have gives empty
// text. `start`, when given, receives the 0-based byte offset of the group,
// or -1 in those cases.
std::string MatchSubText(const Match& match, std::string_view subject,
                         int group, int* start = nullptr);

void MatchFree(Match& match);
void PatternFree(Pattern& pattern);

// True for a pattern that Boost's parser never finishes reading: a
// possessive quantifier followed by a comment group and more pattern
// ("a++(?#x)b"). Both pattern engines refuse such patterns as malformed
// (the native one for the sake of rules written when it ran on Boost).
// Errs on the side of refusing: escapes and bracket expressions are
// skipped roughly.
template <typename Char>
bool PatternHangsParser(std::basic_string_view<Char> p) {
  auto is_space = [](Char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' ||
           c == '\v';
  };
  for (size_t i = 0; i < p.size(); ++i) {
    Char c = p[i];
    if (c == '\\') {
      ++i;
      continue;
    }
    if (c == '[') {
      // A leading "]" (after an optional "^") is part of the set.
      size_t j = i + 1;
      if (j < p.size() && p[j] == '^') ++j;
      if (j < p.size() && p[j] == ']') ++j;
      while (j < p.size() && p[j] != ']') j += p[j] == '\\' ? 2 : 1;
      i = j;
      continue;
    }
    if ((c == '*' || c == '+' || c == '?' || c == '}') && i + 1 < p.size() &&
        p[i + 1] == '+') {
      size_t j = i + 2;
      while (j < p.size() && is_space(p[j])) ++j;
      if (j + 2 < p.size() && p[j] == '(' && p[j + 1] == '?' &&
          p[j + 2] == '#') {
        return true;
      }
    }
  }
  return false;
}

}  // namespace dw
