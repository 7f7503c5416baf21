#include "runtime/system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace dw {

std::string ProgramDirectory() {
  std::vector<char> buffer(4096);
  while (true) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < buffer.size()) {
      std::string path(buffer.data(), static_cast<std::size_t>(n));
      std::size_t slash = path.rfind('/');
      return slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool FileExists(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace dw
