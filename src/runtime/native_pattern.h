#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

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
// to the engine), or none. Move-only; releases itself.
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
  friend bool PatternCreate(Pattern&, std::string_view, bool);
  friend std::vector<Match> PatternSearchAll(const Pattern&, std::string_view);
  friend void PatternFree(Pattern&);
  std::unique_ptr<Impl> impl_;
};

// An empty pattern object.
Pattern PatternNew();

// Compiles `text`, ignoring (ASCII) letter case when `case_sensitive` is
// false. False, and the object left empty, when the engine rejects it.
bool PatternCreate(Pattern& pattern, std::string_view text,
                   bool case_sensitive = true);

// Every match, left to right. Each later search starts where the previous
// match ended and takes that point as the start of the text ("^" and "\b"
// see it so). After an empty match the search steps on by one character (two
// bytes at a GBK lead byte). An empty subject, an empty pattern object, or a
// search the engine gives up on (too complex, out of stack) gives no matches.
std::vector<Match> PatternSearchAll(const Pattern& pattern,
                                    std::string_view subject);

// The text of `group` cut from `subject` (the text that was searched). A
// group that took no part or that the pattern does not have gives empty
// text. `start`, when given, receives the 0-based byte offset of the group,
// or -1 in those cases.
std::string MatchSubText(const Match& match, std::string_view subject,
                         int group, int* start = nullptr);

void MatchFree(Match& match);
void PatternFree(Pattern& pattern);

}  // namespace dw
