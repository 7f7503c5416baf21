// Small list pages of the shapes rules are learned from, each with the posts
// a right rule finds on it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace dw::testing {

struct PagePost {
  std::string title;  // UTF-8, as a reader sees it
  std::string link;   // absolute
};

struct ListPage {
  std::string bytes;  // UTF-8 unless built otherwise
  std::vector<PagePost> posts;
};

// `count` posts made by `row` (post number 1..count, and the post it
// describes), between `head` and `foot`.
inline ListPage BuildPage(
    const std::string& head, const std::string& foot, int count,
    const std::function<std::string(int, PagePost&)>& row) {
  ListPage page;
  page.bytes = head;
  for (int n = 1; n <= count; ++n) {
    PagePost post;
    page.bytes += row(n, post);
    page.posts.push_back(post);
  }
  page.bytes += foot;
  return page;
}

}  // namespace dw::testing
