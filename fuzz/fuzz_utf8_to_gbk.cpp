// UTF-8 to GBK on arbitrary bytes, against a conversion one character at a
// time, back to the same UTF-8 when it was sound, and the GBK round trip
// through wide characters.
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/gbk_codec.h"
#include "text/page_text.h"

namespace {

// Zero bytes dropped, then each well-formed sequence (second byte ranges as
// the standard sets them) as its GBK form, each malformed one as "?" and
// *sound then false.
std::string PlainUtf8ToGbk(std::string s, bool* sound) {
  *sound = std::erase(s, '\0') == 0;
  std::string out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char b = static_cast<unsigned char>(s[i]);
    int need = b < 0x80   ? 0
               : b < 0xC2 ? -1
               : b < 0xE0 ? 1
               : b < 0xF0 ? 2
               : b < 0xF5 ? 3
                          : -1;
    char32_t cp = need <= 0 ? b : b & (0x3F >> need);
    unsigned char lo = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
    unsigned char hi = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    size_t taken = 1;
    for (int k = 0; k < need; ++k, ++taken, lo = 0x80, hi = 0xBF) {
      const unsigned char c =
          i + taken < s.size() ? static_cast<unsigned char>(s[i + taken]) : 0;
      if (c < lo || c > hi) {
        need = -1;
        break;
      }
      cp = cp << 6 | (c & 0x3F);
    }
    i += taken;
    if (need < 0) *sound = false;
    char bytes[4];
    out.append(bytes, need < 0 ? (bytes[0] = '?', 1) : dw::PutGbk(cp, bytes));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string gbk = dw::Utf8ToGbk(bytes);
  bool sound = true;
  if (gbk != PlainUtf8ToGbk(bytes, &sound)) std::abort();
  if (sound && dw::GbkToUtf8(gbk) != bytes) std::abort();
  if (std::memchr(gbk.data(), 0, gbk.size()) != nullptr) std::abort();
  if (dw::WideToGbk(dw::GbkToWide(bytes)) != bytes) std::abort();
  dw::WideText wide(bytes);
  if (wide.size() != dw::GbkToWide(bytes).size()) std::abort();
  if (wide.ByteOffset(bytes, wide.size()) != bytes.size()) std::abort();
  return 0;
}
