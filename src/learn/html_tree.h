// The document an HTML page builds, as the record finder walks it: one
// parse per page, elements with their tag, classes, text as shown and where
// their source stands in the page.
#pragma once

#include <gumbo.h>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dw {

using HtmlNode = const GumboNode;

// Owns one parse; the nodes live as long as it does.
class HtmlTree {
 public:
  explicit HtmlTree(std::string_view utf8);
  ~HtmlTree();
  HtmlTree(const HtmlTree&) = delete;
  HtmlTree& operator=(const HtmlTree&) = delete;

  HtmlNode* root() const;

  // The text an element shows, white space collapsed; nullptr when it is
  // longer than a title can be (its text is not kept).
  const std::string* Shown(HtmlNode* node) const;

  // Every element, in document order.
  const std::vector<HtmlNode*>& Elements() const { return elements_; }

 private:
  void Walk(HtmlNode* node, std::string* text, bool* too_long);

  GumboOutput* output_ = nullptr;
  std::unordered_map<HtmlNode*, std::string> shown_;
  std::vector<HtmlNode*> elements_;
};

bool IsElement(HtmlNode* node);
// Element children, in order.
std::vector<HtmlNode*> ChildElements(HtmlNode* node);
HtmlNode* ParentElement(HtmlNode* node);  // nullptr at the top
// Lower-case tag name, unknown tags (item, dc:title) included.
std::string TagOf(HtmlNode* node);
const char* AttributeOf(HtmlNode* node, const char* name);
// The class words without digits, and the id with its digits taken out
// ("#normalthread_"), sorted: what the same kind of element shares.
std::vector<std::string> KindOf(HtmlNode* node);

// Source offsets (UTF-8 bytes) of the element: whole, and its content
// between the tags.
size_t StartOf(HtmlNode* node);
size_t EndOf(HtmlNode* node);
size_t InnerStartOf(HtmlNode* node);
size_t InnerEndOf(HtmlNode* node);
// The attribute's value as written, quotes excluded; false without it.
bool AttributeSpan(HtmlNode* node, const char* name, size_t* from, size_t* to);

}  // namespace dw
