// Tidying in one pass must equal its ten replacements made one after the
// other, with the runtime's replacement scan and with the plain one, and
// leave no break, tab or quote behind. Noting what goes changes nothing,
// the marks stay in order inside the text, and any span of it reads back
// and shows without fault.
#include <cstdlib>
#include <string>

#include "runtime/plain_text_ops.h"
#include "text/page_text.h"
#include "text/shown_title.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string tidy = dw::TidyHtmlText(text);
  static const char* const kSteps[][2] = {
      {"\n", ""},    {"\r", ""},    {"\t", ""},       {"  ", " "},
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#37;", "%"},
      {"\"", ""},    {"'", ""}};
  std::string expected = text;
  for (int k = 0; k < 10; ++k) {
    expected =
        dw::plain::ReplaceText(expected, kSteps[k][0], kSteps[k][1],
                               std::nullopt, std::nullopt, k < 3 || k > 5);
  }
  if (tidy != expected || tidy.size() > text.size()) std::abort();
  if (dw::TidyHtmlTextInSteps(text) != tidy) std::abort();
  if (tidy.find_first_of("\n\r\t\"'") != std::string::npos) std::abort();
  dw::TidyMarks marks;
  if (dw::TidyHtmlText(text, 0, std::string::npos, &marks) != tidy) {
    std::abort();
  }
  for (size_t k = 0; k < marks.size(); ++k) {
    if (marks[k].at > tidy.size() || (k > 0 && marks[k].at < marks[k - 1].at))
      std::abort();
  }
  const size_t begin = size > 0 ? data[0] % (tidy.size() + 1) : 0;
  const bool json = size > 1 && data[1] % 2 == 1;
  dw::ShownText(dw::UntidiedSpan(tidy, begin, tidy.size(), marks, json), json);
  return 0;
}
