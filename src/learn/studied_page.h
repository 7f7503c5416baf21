// A page read once for learning: decoded as a rule would decode it, tidied as
// the pattern will see it, and in the loose forms titles are looked for in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "learn/loose_text.h"
#include "learn/tidy_map.h"

namespace dw {

struct StudiedPage {
  std::string url;
  std::string bytes;    // as fetched: the chain takes them again
  bool gbk = false;     // the rule's isgbk
  std::string charset;  // the rule's charset: a page neither UTF-8 nor GBK
  std::string text;     // decoded: what the markers cut
  TidyMap tidy;         // what the pattern searches
  LooseText content;    // what a reader sees
  LooseText markup;     // the same with the markup kept (titles in attributes)
};

// With `gbk` given the page is decoded so (a repair keeps a rule's
// setting); otherwise in the encoding its answer's `headers` and its bytes
// decide, as the rules window's check decides it.
StudiedPage StudyPage(std::string bytes, std::string url,
                      std::optional<bool> gbk = std::nullopt,
                      std::string_view headers = {});

// True when the example stands somewhere in the page's text.
bool PageHolds(const StudiedPage& page, const ExampleKey& key);

// The page's own <title>, tidied and kept short, as a name for its rule.
std::string PageName(const StudiedPage& page);

}  // namespace dw
