#include "learn/studied_page.h"

#include "collect/rule_chain.h"
#include "runtime/ascii_case.h"
#include "runtime/gbk_char.h"
#include "text/html_entities.h"
#include "text/page_charset.h"
#include "text/page_text.h"

namespace dw {
namespace {

constexpr size_t kLongestName = 40;

}  // namespace

StudiedPage StudyPage(std::string bytes, std::string url,
                      std::optional<bool> gbk, std::string_view headers) {
  StudiedPage page;
  page.url = std::move(url);
  if (gbk) {
    page.gbk = *gbk;
  } else {
    const PageEncoding encoding = DecidePageEncoding(bytes, headers);
    page.gbk = encoding.kind == PageCharset::kGbk;
    if (encoding.kind == PageCharset::kOther) page.charset = encoding.name;
  }
  ChainRule rule;
  rule.page_is_gbk = page.gbk;
  rule.charset = page.charset;
  page.text = RulePageText(rule, bytes);
  page.bytes = std::move(bytes);
  page.tidy = TidyWithOrigins(page.text);
  page.content = LooseView(page.tidy.text, /*skip_tags=*/true);
  page.markup = LooseView(page.tidy.text, /*skip_tags=*/false);
  return page;
}

bool PageHolds(const StudiedPage& page, const ExampleKey& key) {
  return !key.text.empty() &&
         (page.content.text.find(key.text) != std::string::npos ||
          page.markup.text.find(key.text) != std::string::npos);
}

std::string PageName(const StudiedPage& page) {
  const size_t open = FindNoCase(page.text, "<title");
  if (open == std::string::npos) return {};
  const size_t start = page.text.find('>', open);
  const size_t end = FindNoCase(page.text, "</title", open);
  if (start == std::string::npos || end == std::string::npos || end < start) {
    return {};
  }
  const std::string title = DecodeHtmlEntities(
      std::string_view(page.text).substr(start + 1, end - start - 1));
  std::string name;
  bool space = false;
  for (size_t i = 0; i < title.size();) {
    const size_t width = GbkCharLength(title, i);
    const bool blank = width == 1 && (title[i] == ' ' || title[i] == '\n' ||
                                      title[i] == '\r' || title[i] == '\t');
    if (blank) {
      space = !name.empty();
    } else {
      if (name.size() + width + (space ? 1 : 0) > kLongestName) break;
      if (space) name += ' ';
      name.append(title, i, width);
      space = false;
    }
    i += width;
  }
  if (name.starts_with("<![CDATA[")) name.erase(0, 9);
  return name;
}

}  // namespace dw
