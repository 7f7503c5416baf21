// UTF-8 to GBK on arbitrary bytes, and the GBK round trip through wide
// characters.
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/gbk_codec.h"
#include "text/page_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string gbk = dw::Utf8ToGbk(bytes);
  if (gbk.size() > bytes.size()) std::abort();
  if (std::memchr(gbk.data(), 0, gbk.size()) != nullptr) std::abort();
  if (dw::WideToGbk(dw::GbkToWide(bytes)) != bytes) std::abort();
  dw::WideText wide(bytes);
  if (wide.size() != dw::GbkToWide(bytes).size()) std::abort();
  if (wide.ByteOffset(bytes, wide.size()) != bytes.size()) std::abort();
  return 0;
}
