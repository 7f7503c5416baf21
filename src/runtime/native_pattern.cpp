#include "runtime/native_pattern.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <array>
#include <string_view>

#include "runtime/gbk_char.h"

namespace dw {
namespace {

// The defaults the rules' patterns were written against: "^" and "$" at
// every line feed, after one at the very end too, and "." taking any byte.
// Never UTF-8 or Unicode classes, whatever the pattern asks: each GBK byte is a
// character of its own, and only ASCII letters have a case.
constexpr uint32_t kCompileOptions = PCRE2_MULTILINE | PCRE2_DOTALL |
                                     PCRE2_ALT_CIRCUMFLEX | PCRE2_NEVER_UTF |
                                     PCRE2_NEVER_UCP;

// Bounds on one search, beyond which it ends quietly with no matches: a
// rule's pattern that backtracks without end must not hold the round up.
constexpr uint32_t kMatchLimit = 10'000'000;
constexpr uint32_t kDepthLimit = 250'000;
constexpr uint32_t kHeapLimitKiB = 64 * 1024;
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 1024 * 1024;

// Settings that a pattern could make at its very start ("(*CRLF)",
// "(*NOTEMPTY)", "(*LIMIT_MATCH=9)" ...) and that would change what the
// search means; patterns were never allowed them. The backtracking verbs
// stay allowed.
bool StartsWithSetting(std::string_view p) {
  static constexpr std::array<std::string_view, 8> kVerbs = {
      "ACCEPT", "COMMIT", "F", "FAIL", "MARK", "PRUNE", "SKIP", "THEN"};
  if (p.substr(0, 2) != "(*") return false;
  size_t end = 2;
  while (end < p.size() &&
         ((p[end] >= 'A' && p[end] <= 'Z') || p[end] == '_')) {
    ++end;
  }
  if (end == 2 || end >= p.size() || (p[end] != ')' && p[end] != '=')) {
    return false;
  }
  const std::string_view name = p.substr(2, end - 2);
  for (std::string_view verb : kVerbs) {
    if (name == verb) return false;
  }
  return true;
}

// Escapes refused though the engine would read them: Boost's class escapes
// that Perl lacks ("\l", "\u" and their negations), or that take bytes of
// GBK characters here ("\h" takes 0xA0 and "\v" 0x85, as "\p" and "\P"
// read bytes as Unicode code points), and a backslash that ends the
// pattern, which escapes nothing. The offset of its backslash; npos when
// there is none.
size_t RefusedEscapeAt(std::string_view p) {
  bool quoted = false;  // between "\Q" and "\E"
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] != '\\') continue;
    const size_t at = i;
    if (++i == p.size()) return at;
    const char c = p[i];
    if (quoted) {
      quoted = c != 'E';
    } else if (c == 'Q') {
      quoted = true;
    } else if (std::string_view("luLUpPhHvV").find(c) !=
               std::string_view::npos) {
      return at;
    }
  }
  return std::string_view::npos;
}

struct CodeFree {
  void operator()(pcre2_code* c) const { pcre2_code_free(c); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* d) const { pcre2_match_data_free(d); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* c) const { pcre2_match_context_free(c); }
};
struct JitStackFree {
  void operator()(pcre2_jit_stack* s) const { pcre2_jit_stack_free(s); }
};
struct CompileContextFree {
  void operator()(pcre2_compile_context* c) const {
    pcre2_compile_context_free(c);
  }
};

}  // namespace

struct Pattern::Impl {
  std::unique_ptr<pcre2_code, CodeFree> code;
  // The same pattern with the engine's look-ahead for where a match can
  // start, kept only for a pattern whose every match begins with one known
  // byte: such a pattern never matches empty text, so the look-ahead's
  // fault with empty matches cannot show. It finds the same matches, many
  // times faster on a page where that byte is rare.
  std::unique_ptr<pcre2_code, CodeFree> quick;
  uint32_t groups = 0;  // capture groups
};

Pattern::Pattern() = default;
Pattern::~Pattern() = default;
Pattern::Pattern(Pattern&&) noexcept = default;
Pattern& Pattern::operator=(Pattern&&) noexcept = default;

Pattern PatternNew() { return Pattern(); }

bool PatternCreate(Pattern& pattern, std::string_view text, bool case_sensitive,
                   PatternError* why) {
  pattern.impl_.reset();
  const auto refuse = [why](std::string message, size_t offset) {
    if (why) *why = {std::move(message), offset};
    return false;
  };
  // Refused as the earlier engine refused them, so that a rule keeps
  // finding what it found.
  if (PatternHangsParser(text)) {
    return refuse("a possessive repeat before a comment is refused", 0);
  }
  if (StartsWithSetting(text)) {
    return refuse("a setting at the start of the pattern is refused", 0);
  }
  if (const size_t at = RefusedEscapeAt(text); at != std::string_view::npos) {
    return refuse(at + 1 == text.size()
                      ? "a backslash at the end escapes nothing"
                      : "this escape is refused (\\l \\u \\p \\h \\v "
                        "and their capitals)",
                  at);
  }
  std::unique_ptr<pcre2_compile_context, CompileContextFree> context(
      pcre2_compile_context_create(nullptr));
  if (!context) return refuse("out of memory", 0);
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
  pcre2_set_bsr(context.get(), PCRE2_BSR_UNICODE);
  // An escaped letter with no meaning of its own stands for itself ("\q" is
  // "q"), as it always has.
  pcre2_set_compile_extra_options(context.get(),
                                  PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL);
  uint32_t options = kCompileOptions;
  if (!case_sensitive) options |= PCRE2_CASELESS;
  // Without the look-ahead for where a match can start and for a byte it
  // must hold: the JIT of this engine's release skips over empty matches
  // before a line break with it ("(?:\n|)b*$" in "a\nb"), and a pattern
  // that backtracks without end must give up as it always has, not come
  // back empty because the page lacks one byte it needs ("(a+)+b").
  options |= PCRE2_NO_START_OPTIMIZE;
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  auto impl = std::make_unique<Pattern::Impl>();
  impl->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()),
                                 text.size(), options, &error, &error_offset,
                                 context.get()));
  if (!impl->code) {
    PCRE2_UCHAR message[256] = {};
    pcre2_get_error_message(error, message, sizeof message);
    return refuse(reinterpret_cast<const char*>(message), error_offset);
  }
  impl->quick.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()),
                                  text.size(),
                                  options & ~PCRE2_NO_START_OPTIMIZE, &error,
                                  &error_offset, context.get()));
  uint32_t first_type = 0;
  if (impl->quick) {
    pcre2_pattern_info(impl->quick.get(), PCRE2_INFO_FIRSTCODETYPE,
                       &first_type);
  }
  if (first_type != 1) impl->quick.reset();
  // The JIT of this engine's release can report a group repeated
  // possessively ("(a|b)*+") with what it took in an attempt that failed.
  // Without the JIT (such a pattern, or no executable memory) the
  // interpreter gives the same matches, only slower.
  if (text.find(")*+") == std::string_view::npos) {
    pcre2_jit_compile(impl->code.get(), PCRE2_JIT_COMPLETE);
    if (impl->quick) pcre2_jit_compile(impl->quick.get(), PCRE2_JIT_COMPLETE);
  }
  pcre2_pattern_info(impl->code.get(), PCRE2_INFO_CAPTURECOUNT, &impl->groups);
  pattern.impl_ = std::move(impl);
  return true;
}

std::vector<Match> PatternSearchAll(const Pattern& pattern,
                                    std::string_view subject, bool* gave_up) {
  if (gave_up) *gave_up = false;
  std::vector<Match> matches;
  if (!pattern.impl_ || subject.empty()) return matches;
  const pcre2_code* code = pattern.impl_->code.get();
  const pcre2_code* quick = pattern.impl_->quick.get();
  std::unique_ptr<pcre2_match_data, MatchDataFree> data(
      pcre2_match_data_create_from_pattern(code, nullptr));
  std::unique_ptr<pcre2_match_context, MatchContextFree> context(
      pcre2_match_context_create(nullptr));
  std::unique_ptr<pcre2_jit_stack, JitStackFree> stack(
      pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
  if (!data || !context || !stack) {
    if (gave_up) *gave_up = true;
    return matches;
  }
  pcre2_set_match_limit(context.get(), kMatchLimit);
  pcre2_set_depth_limit(context.get(), kDepthLimit);
  pcre2_set_heap_limit(context.get(), kHeapLimitKiB);
  pcre2_jit_stack_assign(context.get(), nullptr, stack.get());

  const size_t groups = pattern.impl_->groups + 1;
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
  size_t pos = 0;
  while (pos <= subject.size()) {
    // Each later search takes the end of the last match as the start of the
    // text, so the engine is shown only the text from there on.
    const auto match = [&](const pcre2_code* with) {
      return pcre2_match(with,
                         reinterpret_cast<PCRE2_SPTR>(subject.data() + pos),
                         subject.size() - pos, 0, 0, data.get(), context.get());
    };
    int rc = match(quick ? quick : code);
    // The look-ahead also ends a search at once where the rest lacks a byte
    // every match needs, and so may say "none" where the full search gives
    // up: the rest is searched once more without it, so that a runaway
    // pattern is told apart as it always was.
    if (rc == PCRE2_ERROR_NOMATCH && quick) rc = match(code);
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) {
      // Past a bound, or out of memory: the rule yields nothing.
      if (gave_up) *gave_up = true;
      matches.clear();
      break;
    }
    Match m;
    m.groups.resize(groups);
    for (size_t g = 0; g < groups && g < static_cast<size_t>(rc); ++g) {
      if (ovector[2 * g] == PCRE2_UNSET) continue;
      m.groups[g].begin = static_cast<int>(pos + ovector[2 * g]);
      m.groups[g].end = static_cast<int>(pos + ovector[2 * g + 1]);
    }
    // "\K" can put the start of the match past where the search began;
    // the search goes on from the end.
    const size_t begin = static_cast<size_t>(m.groups[0].begin);
    const size_t end = static_cast<size_t>(m.groups[0].end);
    matches.push_back(std::move(m));
    if (end > begin) {
      pos = end;
      continue;
    }
    // An empty match would be found again from the same place.
    if (end >= subject.size()) break;
    pos = end + GbkCharLength(subject, end);
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
