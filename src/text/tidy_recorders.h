// The two ways the one-pass tidy of page_text.cpp can note what it takes
// out: not at all, or into TidyMarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/tidy_marks.h"

namespace dw::tidy {

// Tidying as it is asked for most: nothing noted.
struct NoMarks {
  static constexpr bool kWatchesMarkup = false;
  void Markup(std::string_view, size_t) {}
  void Text() {}
  void Quote(char, size_t) {}
  void Entity(char, size_t) {}
  void Break(size_t) {}
};

// Notes what the tidy takes out, following the markup as a browser reads
// it far enough to tell the quotes that delimit attribute values: inside a
// tag, a quote after "=" (and white space) opens a value that the same
// quote closes. An entity is never a delimiter, nor does a "<" or ">" that
// an entity became open or close a tag.
class MarkRecorder {
 public:
  static constexpr bool kWatchesMarkup = true;

  explicit MarkRecorder(TidyMarks* marks) : marks_(*marks) { marks_.clear(); }

  // At s[i], a markup byte of the page.
  void Markup(std::string_view s, size_t i) {
    switch (s[i]) {
      case '<':
        if (state_ == kAfterEquals ||
            (state_ == kText && i + 1 < s.size() && OpensTag(s[i + 1]))) {
          state_ = kTag;
        }
        break;
      case '=':
        if (state_ == kTag) {
          state_ = kAfterEquals;
        } else if (state_ == kAfterEquals) {
          state_ = kTag;  // a value that begins with "="
        }
        break;
      default:  // '>'
        if (state_ == kTag || state_ == kAfterEquals) state_ = kText;
        break;
    }
  }
  // Any other text: after "=" it begins a value without quotes.
  void Text() {
    if (state_ == kAfterEquals) state_ = kTag;
  }
  void Quote(char quote, size_t at) {
    TidyMarkKind kind = TidyMarkKind::kQuote;
    if (state_ == kAfterEquals) {
      state_ = kValue;
      value_quote_ = quote;
      kind = TidyMarkKind::kDelimiter;
    } else if (state_ == kValue && quote == value_quote_) {
      state_ = kTag;
      kind = TidyMarkKind::kDelimiter;
    }
    Add(at, kind, quote);
  }
  // `decoded` 0 is "&quot;", whose quote goes too.
  void Entity(char decoded, size_t at) {
    Text();
    if (decoded == 0) {
      Add(at, TidyMarkKind::kQuoteText, '"');
    } else {
      Add(at, TidyMarkKind::kEntity, decoded);
    }
  }
  void Break(size_t at) {
    if (!marks_.empty() && marks_.back().kind == TidyMarkKind::kBreak &&
        marks_.back().at == at) {
      return;  // the same run: only spaces came between
    }
    Add(at, TidyMarkKind::kBreak, ' ');
  }

 private:
  enum State { kText, kTag, kAfterEquals, kValue };

  static bool OpensTag(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' ||
           c == '!' || c == '?';
  }
  void Add(size_t at, TidyMarkKind kind, char byte) {
    marks_.push_back({static_cast<uint32_t>(at), kind, byte});
  }

  TidyMarks& marks_;
  State state_ = kText;
  char value_quote_ = 0;
};

}  // namespace dw::tidy
