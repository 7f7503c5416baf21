// Find, replace and split on arbitrary bytes; the page-sized replacement
// must agree with the general one.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "runtime/text_ops.h"
#include "text/gbk_replace.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string sought = in.ConsumeRandomLengthString(16);
  const std::string replacement = in.ConsumeRandomLengthString(8);
  const int start = in.ConsumeIntegralInRange<int>(-2, 70);
  const int count = in.ConsumeIntegralInRange<int>(-1, 5);
  const bool flag = in.ConsumeBool();
  const std::string text = in.ConsumeRemainingBytesAsString();

  int found = dw::FindText(text, sought, start, flag);
  if (found != -1 && (found < 1 || static_cast<size_t>(found) > text.size()))
    std::abort();
  if (found > 0 && !flag && !sought.empty() &&
      text.compare(found - 1, sought.size(), sought) != 0)
    std::abort();

  std::string replaced = dw::ReplaceText(
      text, sought, replacement, start,
      count < 0 ? std::nullopt : std::optional<int>(count), !flag);
  if (sought.empty() && replaced != text) std::abort();

  for (const std::string& piece : dw::SplitText(
           text, sought, count < 0 ? std::nullopt : std::optional<int>(count)))
    if (piece.size() > text.size()) std::abort();

  bool ascii = !sought.empty();
  for (char c : sought) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) {
    if (dw::ReplaceAsciiAll(text, sought, replacement, flag) !=
        dw::ReplaceText(text, sought, replacement, std::nullopt, std::nullopt,
                        !flag))
      std::abort();
    if (sought.size() <= 4 && dw::RemoveAsciiBytes(text, sought) != [&] {
          std::string t = text;
          for (char c : sought) t = dw::ReplaceText(t, std::string(1, c));
          return t;
        }())
      std::abort();
  }
  return 0;
}
