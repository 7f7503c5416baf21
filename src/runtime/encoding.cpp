#include "runtime/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace dw {
namespace {

class IconvHandle {
 public:
  IconvHandle(const char* from, const char* to) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (ok()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<std::string> ConvertEncoding(const std::string& text,
                                           const char* from, const char* to) {
  IconvHandle cd(from, to);
  if (!cd.ok()) return std::nullopt;
  std::string out;
  std::vector<char> buffer(4096);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  while (true) {
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    size_t rc =
        iconv(cd.get(), inLeft ? &in : nullptr, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    if (rc != static_cast<size_t>(-1)) {
      if (inLeft == 0) break;
      continue;
    }
    if (errno != E2BIG) return std::nullopt;
  }
  return out;
}

}  // namespace dw
