// Find, replace and split on arbitrary bytes must agree with the plain
// one-character-at-a-time scans.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "runtime/plain_text_ops.h"
#include "runtime/text_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string sought = in.ConsumeRandomLengthString(16);
  const std::string replacement = in.ConsumeRandomLengthString(8);
  const std::optional<int> start =
      in.ConsumeBool() ? std::optional<int>(in.ConsumeIntegralInRange(-2, 70))
                       : std::nullopt;
  const std::optional<int> count =
      in.ConsumeBool() ? std::optional<int>(in.ConsumeIntegralInRange(-1, 5))
                       : std::nullopt;
  const bool flag = in.ConsumeBool();
  const std::string text = in.ConsumeRemainingBytesAsString();

  if (dw::FindText(text, sought, start, flag) !=
      dw::plain::FindText(text, sought, start, flag))
    std::abort();
  if (dw::ReplaceText(text, sought, replacement, start, count, flag) !=
      dw::plain::ReplaceText(text, sought, replacement, start, count, flag))
    std::abort();
  if (dw::SplitText(text, sought, count) !=
      dw::plain::SplitText(text, sought, count))
    std::abort();
  return 0;
}
