// The patterns a post list may be matched with, drafted around one
// example title: where the title stands, which link near it is the post's,
// which part of the link is the id, and how much of the markup between them
// is taken as it is.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "learn/loose_text.h"
#include "learn/studied_page.h"

namespace dw {

// A pattern with its groups and link template, before markers are chosen.
struct Draft {
  std::string reg;
  int title_group = 0;
  int id_group = 0;
  std::string pinurl;
  bool digits = false;
  bool skeleton = false;
  bool inline_markup = false;
  // A draft that takes the whole link, only to learn from all the links it
  // finds which part of them is the id.
  bool whole_link = false;
  std::string before_link;  // the pattern around the link
  std::string after_link;
  std::string example_link;  // the example's link as the page writes it
};

// Every draft for the example's places on the page, most literal first.
std::vector<Draft> DraftsForExample(const StudiedPage& page,
                                    const ExampleKey& key);

// A link with its numbers blurred, to tell links of one kind.
std::string LinkShape(std::string_view link);

// From the links a whole-link draft found in the run, the draft that takes
// their common start and end as they are and their varying middle as the
// id (digits when every middle is digits); none when they share too little.
// `matched_example` is the example's link as the whole-link draft took it.
std::optional<Draft> DraftFromLinks(const StudiedPage& page, Draft draft,
                                    const std::vector<std::string>& links,
                                    const std::string& matched_example);

}  // namespace dw
