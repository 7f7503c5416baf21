#include "net/base64.h"

#include <cstdint>

namespace dw {

std::string Base64Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  // Missing bytes of the last group count as zero; their characters are
  // then overwritten by the padding.
  while (i < bytes.size()) {
    uint32_t group = 0;
    for (int k = 0; k < 3; ++k) {
      group <<= 8;
      if (i + k < bytes.size()) group |= static_cast<uint8_t>(bytes[i + k]);
    }
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += kAlphabet[(group >> 6) & 63];
    out += kAlphabet[group & 63];
    i += 3;
  }
  switch (bytes.size() % 3) {
    case 1:
      out[out.size() - 2] = '=';
      out[out.size() - 1] = '=';
      break;
    case 2:
      out[out.size() - 1] = '=';
      break;
  }
  return out;
}

}  // namespace dw
