// The items of a feed (RSS 2.0, RSS 1.0, Atom) as records: no example is
// needed, and each item's own link is chosen as a reader would follow it.
#pragma once

#include <string_view>
#include <vector>

#include "learn/page_records.h"

namespace dw {

// True when the page text is a feed document.
bool LooksLikeFeed(std::string_view text);

// The feed's items; empty when it has fewer than two. `feed_url` resolves
// relative links and names the feed's site when the feed names none. Items
// with an element the examples' items lack (an advert's flag) are left out.
RecordList FindFeedRecords(std::string_view text, std::string_view feed_url,
                           const std::vector<ExampleText>& examples = {});

}  // namespace dw
