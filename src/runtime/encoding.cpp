#include "runtime/encoding.h"

#include <cerrno>

namespace dw {

EncodingConverter::EncodingConverter(const char* from, const char* to)
    : cd_(iconv_open(to, from)) {}

EncodingConverter::~EncodingConverter() {
  if (ok()) iconv_close(cd_);
}

bool EncodingConverter::ok() const {
  return cd_ != reinterpret_cast<iconv_t>(-1);
}

std::optional<std::string> EncodingConverter::Convert(std::string_view text) {
  if (!ok()) return std::nullopt;
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a fresh start
  std::string out;
  char buffer[4096];
  char* in = const_cast<char*>(text.data());
  size_t in_left = text.size();
  // The last round, with no input, writes what the state still holds.
  bool flushed = false;
  while (!flushed) {
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    const bool last = in_left == 0;
    size_t rc = last ? iconv(cd_, nullptr, nullptr, &out_ptr, &out_left)
                     : iconv(cd_, &in, &in_left, &out_ptr, &out_left);
    out.append(buffer, sizeof buffer - out_left);
    if (rc == static_cast<size_t>(-1)) {
      if (errno != E2BIG) return std::nullopt;
      continue;
    }
    flushed = last;
  }
  return out;
}

std::vector<std::string> EncodingConverter::ConvertEach(std::string_view pieces,
                                                        size_t width) {
  std::vector<std::string> out(pieces.size() / width);
  if (!ok()) return out;
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  for (size_t k = 0; k < out.size(); ++k) {
    char* in = const_cast<char*>(pieces.data() + k * width);
    size_t in_left = width;
    char buffer[16];
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    if (iconv(cd_, &in, &in_left, &out_ptr, &out_left) ==
            static_cast<size_t>(-1) ||
        in_left != 0) {
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    out[k].assign(buffer, sizeof buffer - out_left);
  }
  return out;
}

std::optional<std::string> ConvertEncoding(const std::string& text,
                                           const char* from, const char* to) {
  return EncodingConverter(from, to).Convert(text);
}

}  // namespace dw
