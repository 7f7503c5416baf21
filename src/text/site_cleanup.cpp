#include "text/site_cleanup.h"

#include <iterator>

#include "runtime/text_ops.h"
#include "text/page_text.h"
#include "text/simple_pattern.h"

namespace dw {
namespace {

// The forum pages of the first rules put pictures, spans and closing link
// tags inside titles.
constexpr CleanUpStep kForumSteps[] = {
    {true, "<img src=.*?/>", ""},
    {true, "<span class=tps>.*?</span>", ""},
    {true, "<span class=xw1>", ""},
    {true, "</span>]", "]"},
    {true, "</a>", ""},
};
constexpr CleanUpStep kGroupSteps[] = {
    {false, kFormerGroupNumber, kCurrentGroupNumber},
};
constexpr CleanUpStep kFontSteps[] = {
    {true, "<font.*?>", ""},
    {false, "</font>", ""},
};

}  // namespace

std::span<const CleanUpStep> SiteCleanUpSteps(int rule_id) {
  if (rule_id < 6) return kForumSteps;
  if (rule_id == 6) return kGroupSteps;
  if (rule_id == 12) return kFontSteps;
  return {};
}

std::string SiteCleanUp(int rule_id, std::string page) {
  for (const CleanUpStep& step : SiteCleanUpSteps(rule_id)) {
    if (step.by_pattern) {
      if (!ReplaceSimplePatternInPlace(step.find, page, step.replacement)) {
        page = RegexReplace(step.find, page, step.replacement);
      }
    } else {
      page = ReplaceText(page, step.find, step.replacement);
    }
  }
  return page;
}

}  // namespace dw
