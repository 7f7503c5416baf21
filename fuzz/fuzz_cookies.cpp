// Cookie collection and merging on arbitrary header and cookie texts.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "net/cookies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::string old_cookies = in.ConsumeRandomLengthString(200);
  const std::string delimiter = in.ConsumeRandomLengthString(3);
  const std::string headers = in.ConsumeRemainingBytesAsString();

  const std::string collected = dw::CollectSetCookies(headers);
  const std::string merged = dw::MergeCookies(old_cookies, collected);
  if (merged != old_cookies) std::abort();
  dw::CookieName(headers);
  const std::string unique = dw::RemoveDuplicateItems(headers, delimiter);
  if (unique.size() > headers.size()) std::abort();
  return 0;
}
