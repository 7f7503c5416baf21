// Which of a post's links leads to the post's own page on the site.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dw {

// The host of an absolute address, lower case; empty when it has none.
std::string HostOf(std::string_view url);

// True when both addresses belong to one site: the same host, or hosts that
// share their registered domain (news.site.com and site.com).
bool SameSite(std::string_view a, std::string_view b);

// True for a link that acts rather than shows the post: a vote, reply,
// share, sign-in, a user's or author's page, a page number, the last post,
// an out-link or redirect. With `path_only` the query's names are passed
// over: a title's own link may carry "goto=newpost" and still be the post.
bool IsActionLink(std::string_view url, bool path_only = false);

// True when most of a place's links act: one post's slug that holds such a
// word ("kalanick-out") does not make its place an action.
bool MostlyActions(const std::vector<std::string>& links,
                   bool path_only = false);

}  // namespace dw
