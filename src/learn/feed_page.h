// Feeds (RSS 2.0, RSS 1.0, Atom) and the feeds an HTML page announces.
#pragma once

#include <string>
#include <vector>

namespace dw {

// True when the decoded page is a feed document.
bool IsFeed(const std::string& text);

// Where the feed's first item or entry starts in `text` (0 when none): the
// feed's own title and link come before it and are no post.
size_t FirstItemOffset(const std::string& text);

// The titles of the feed's first items (GBK, entities decoded): they serve
// as the examples, so a feed needs none from the user.
std::vector<std::string> FeedTitles(const std::string& text, size_t most = 2);

// The absolute address of the first feed the HTML page announces with
// <link rel="alternate" type="application/rss+xml" | "application/atom+xml">;
// empty when none.
std::string AnnouncedFeed(const std::string& text, const std::string& url);

}  // namespace dw
