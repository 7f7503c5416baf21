// Titles compared as a reader sees them: entities decoded, quotes gone
// (the tidy drops them), runs of white space as one space, ASCII letters
// in one case. A page is read the same way, with a map back to its bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// `text` is the loose form; begin[i]/end[i] give the bytes of the tidied
// page that byte i came from.
struct LooseText {
  std::string text;
  std::vector<uint32_t> begin;
  std::vector<uint32_t> end;
};

// The loose form of tidied page text; with `skip_tags` the markup (and
// CDATA brackets) goes too, which is the text a reader sees.
LooseText LooseView(std::string_view tidy, bool skip_tags);

// The loose form of a title (GBK).
std::string LooseForm(std::string_view gbk);

// An example title as the user gave it: its loose form, and whether it was
// shortened ("..." or an ellipsis at the end), so that it stands for the
// title's start.
struct ExampleKey {
  std::string text;
  bool prefix = false;
};
ExampleKey KeyOfExample(std::string_view gbk);

// True when a found title is the one the example stands for.
bool TitleFitsExample(std::string_view title, const ExampleKey& key);

}  // namespace dw
