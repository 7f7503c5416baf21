// Tidying in one pass must equal its ten replacements made one after the
// other, with the runtime's replacement scan and with the plain one, and
// leave no break, tab or quote behind.
#include <cstdlib>
#include <string>

#include "runtime/plain_text_ops.h"
#include "text/page_text.h"

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
  return 0;
}
