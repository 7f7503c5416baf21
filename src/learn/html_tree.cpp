#include "learn/html_tree.h"

#include <algorithm>

#include "learn/page_records.h"
#include "runtime/ascii_case.h"

namespace dw {
namespace {

// Longer texts are no title; keeping them would cost the page's size once
// per level of nesting.
constexpr size_t kLongestShown = 2048;
// Deeper documents are walked no further: the lists are never down there.
constexpr int kDeepest = 400;

bool HoldsNoText(GumboTag tag) {
  return tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE ||
         tag == GUMBO_TAG_NOSCRIPT || tag == GUMBO_TAG_TEMPLATE;
}

}  // namespace

HtmlTree::HtmlTree(std::string_view utf8)
    : output_(gumbo_parse_with_options(&kGumboDefaultOptions, utf8.data(),
                                       utf8.size())) {
  if (output_ == nullptr) return;
  std::string text;
  bool too_long = false;
  Walk(output_->root, &text, &too_long);
}

HtmlTree::~HtmlTree() {
  if (output_ != nullptr) gumbo_destroy_output(&kGumboDefaultOptions, output_);
}

HtmlNode* HtmlTree::root() const {
  return output_ == nullptr ? nullptr : output_->root;
}

const std::string* HtmlTree::Shown(HtmlNode* node) const {
  const auto it = shown_.find(node);
  return it == shown_.end() ? nullptr : &it->second;
}

// Collects the element's raw text into *text (appending) bottom-up, keeping
// each short element's collapsed text.
void HtmlTree::Walk(HtmlNode* node, std::string* text, bool* too_long) {
  static thread_local int depth = 0;
  if (depth > kDeepest) return;
  ++depth;
  elements_.push_back(node);
  std::string own;
  bool own_too_long = false;
  const GumboVector& children = node->v.element.children;
  for (unsigned i = 0; i < children.length; ++i) {
    HtmlNode* child = static_cast<HtmlNode*>(children.data[i]);
    switch (child->type) {
      case GUMBO_NODE_ELEMENT:
      case GUMBO_NODE_TEMPLATE:
        if (child->v.element.tag == GUMBO_TAG_BR) own += ' ';
        if (HoldsNoText(child->v.element.tag)) {
          elements_.push_back(child);
        } else {
          Walk(child, &own, &own_too_long);
        }
        break;
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_WHITESPACE:
      case GUMBO_NODE_CDATA:
        if (!own_too_long) own += child->v.text.text;
        break;
      default:
        break;
    }
    if (own.size() > kLongestShown) {
      own_too_long = true;
      own.clear();
    }
  }
  if (!own_too_long) {
    shown_.emplace(node, CollapseSpaces(own));
    if (!*too_long) *text += own;
  }
  if (own_too_long || text->size() > kLongestShown) {
    *too_long = true;
    text->clear();
  }
  --depth;
}

bool IsElement(HtmlNode* node) {
  return node != nullptr && (node->type == GUMBO_NODE_ELEMENT ||
                             node->type == GUMBO_NODE_TEMPLATE);
}

std::vector<HtmlNode*> ChildElements(HtmlNode* node) {
  std::vector<HtmlNode*> out;
  if (!IsElement(node)) return out;
  const GumboVector& children = node->v.element.children;
  for (unsigned i = 0; i < children.length; ++i) {
    HtmlNode* child = static_cast<HtmlNode*>(children.data[i]);
    if (IsElement(child)) out.push_back(child);
  }
  return out;
}

HtmlNode* ParentElement(HtmlNode* node) {
  if (node == nullptr) return nullptr;
  HtmlNode* parent = node->parent;
  return IsElement(parent) ? parent : nullptr;
}

std::string TagOf(HtmlNode* node) {
  const GumboElement& element = node->v.element;
  if (element.tag != GUMBO_TAG_UNKNOWN) {
    return gumbo_normalized_tagname(element.tag);
  }
  GumboStringPiece piece = element.original_tag;
  gumbo_tag_from_original_text(&piece);
  return LowerAscii(
      std::string_view(piece.data == nullptr ? "" : piece.data, piece.length));
}

const char* AttributeOf(HtmlNode* node, const char* name) {
  const GumboAttribute* attribute =
      gumbo_get_attribute(&node->v.element.attributes, name);
  return attribute == nullptr ? nullptr : attribute->value;
}

std::vector<std::string> KindOf(HtmlNode* node) {
  std::vector<std::string> kind;
  if (const char* classes = AttributeOf(node, "class")) {
    std::string word;
    bool digit = false;
    for (const char* p = classes;; ++p) {
      const char c = *p;
      if (c == 0 || c == ' ' || c == '\t' || c == '\n' || c == '\r' ||
          c == '\f') {
        if (!word.empty() && !digit) kind.push_back(word);
        word.clear();
        digit = false;
        if (c == 0) break;
        continue;
      }
      digit = digit || (c >= '0' && c <= '9');
      word += c;
    }
  }
  if (const char* id = AttributeOf(node, "id")) {
    std::string stem = "#";
    for (const char* p = id; *p != 0; ++p) {
      if (*p < '0' || *p > '9') stem += *p;
    }
    kind.push_back(stem);
  }
  std::sort(kind.begin(), kind.end());
  kind.erase(std::unique(kind.begin(), kind.end()), kind.end());
  return kind;
}

size_t StartOf(HtmlNode* node) { return node->v.element.start_pos.offset; }

size_t EndOf(HtmlNode* node) {
  const GumboElement& element = node->v.element;
  return std::max<size_t>(
      element.end_pos.offset + element.original_end_tag.length,
      InnerStartOf(node));
}

size_t InnerStartOf(HtmlNode* node) {
  const GumboElement& element = node->v.element;
  return element.start_pos.offset + element.original_tag.length;
}

size_t InnerEndOf(HtmlNode* node) {
  return std::max<size_t>(node->v.element.end_pos.offset, InnerStartOf(node));
}

bool AttributeSpan(HtmlNode* node, const char* name, size_t* from, size_t* to) {
  const GumboAttribute* attribute =
      gumbo_get_attribute(&node->v.element.attributes, name);
  if (attribute == nullptr || attribute->original_value.length == 0) {
    return false;
  }
  *from = attribute->value_start.offset;
  *to = attribute->value_end.offset;
  const char first = attribute->original_value.data[0];
  if ((first == '"' || first == '\'') && *to >= *from + 2) {
    ++*from;
    --*to;
  }
  return true;
}

}  // namespace dw
