#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace dw {

// The post ids found new since start-up on rules that are not numbered by
// last id, each under the key SeenKey gives. Membership is by whole key: 23
// is not seen because 123 was.
class SeenIds {
 public:
  bool Contains(std::string_view id) const;
  // False when `id` was seen already.
  bool Add(std::string_view id);
  void Remove(std::string_view id);
  std::size_t size() const { return ids_.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>{}(text);
    }
  };
  std::unordered_set<std::string, Hash, std::equal_to<>> ids_;
};

// An id as seen on rules with this link template: rules that build the
// same links share their seen posts, rules of other sites do not. (Text
// holds no zero byte, so the two parts cannot run into each other.)
std::string SeenKey(std::string_view link_template, std::string_view id);

}  // namespace dw
