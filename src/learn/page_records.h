// The posts of a list page as a reader sees them, found in the document
// before any rule is written: each record's title and link as shown, and
// where their source text stands in the page's program text, so that a rule
// can be written around them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// A byte range [from, to) of the page's program text.
struct TextSpan {
  size_t from = 0;
  size_t to = 0;
  bool empty() const { return to <= from; }
};

struct PageRecord {
  TextSpan whole;  // the record's element (or object) in the page
  TextSpan title;  // the title's source: inner markup, attribute value or
                   // string contents, as the pattern's group will take it
  TextSpan href;   // the link's source as written (href value, string)
  std::string shown_title;  // UTF-8, as a browser shows it
  std::string link;         // UTF-8, absolute, escapes and entities undone
};

enum class RecordSource { kHtml, kJson, kFeed };

struct RecordList {
  RecordSource source = RecordSource::kHtml;
  std::vector<PageRecord> records;  // in page order
  // Candidate start and end markers as program text, best first: texts of
  // the page before the first record and after the last, stable ones only.
  std::vector<std::string> before;
  std::vector<std::string> after;
  // How many given examples are among the records (FindRecords counts).
  int examples_found = 0;
  bool plain_titles = false;  // titles are plain text (a JSON Feed's)
};

// Title text as a reader compares it: runs of white space (no-break space
// included) as one space, trimmed. UTF-8 in, UTF-8 out.
std::string CollapseSpaces(std::string_view utf8);

// An example the user typed, in the collapsed form, and whether it stands
// for the start of a longer title ("..." or "…" at its end).
struct ExampleText {
  std::string text;
  bool prefix = false;
};
ExampleText ExampleTextOf(std::string_view utf8);

// True when the shown title (collapsed) is the one the example stands for:
// the same, or it starts with a shortened example, or the site shortened it
// ("..." or "…") and the example starts with what is left.
bool ShownTitleFits(std::string_view shown, const ExampleText& example);

// True for a text that would break at the site's next deploy: a long run of
// digits, a build hash (letters and digits mixed), a counter.
bool LooksVolatile(std::string_view text);

}  // namespace dw
