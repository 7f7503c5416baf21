#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

namespace dw {

// The post ids found new since start-up on rules that are not numbered by
// last id. Membership is by whole id: 23 is not seen because 123 was.
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

}  // namespace dw
