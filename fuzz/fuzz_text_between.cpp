// Marker cutting on arbitrary text and markers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "net/cookies.h"
#include "runtime/gbk_constants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::string left = in.ConsumeRandomLengthString(12);
  std::string right = in.ConsumeRandomLengthString(12);
  if (in.ConsumeBool()) left += dw::kQuotePlaceholder;
  if (in.ConsumeBool()) right = dw::kQuotePlaceholder + right;
  const bool omit_start = in.ConsumeBool();
  const int start = in.ConsumeIntegralInRange<int>(-3, 100);
  const bool ignore_case = in.ConsumeBool();
  const std::string text = in.ConsumeRemainingBytesAsString();
  const std::string cut =
      omit_start ? dw::TextBetween(text, left, right)
                 : dw::TextBetween(text, left, right, start, ignore_case);
  if (cut.size() > text.size()) std::abort();
  if (!cut.empty() && text.find(cut) == std::string::npos) std::abort();
  return 0;
}
