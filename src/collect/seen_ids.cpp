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

std::string SeenKey(std::string_view link_template, std::string_view id) {
  std::string key;
  key.reserve(link_template.size() + 1 + id.size());
  key.append(link_template);
  key.push_back('\0');
  key.append(id);
  return key;
}

}  // namespace dw
