#include "collect/seen_ids.h"

namespace dw {

bool SeenIds::Contains(std::string_view id) const {
  return ids_.find(id) != ids_.end();
}

bool SeenIds::Add(std::string_view id) { return ids_.emplace(id).second; }

void SeenIds::Remove(std::string_view id) {
  auto it = ids_.find(id);
  if (it != ids_.end()) ids_.erase(it);
}

}  // namespace dw
