// A fuzzed pattern searched over a fuzzed subject: whatever the engine
// makes of it, the search ends and every group lies inside the subject.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "runtime/native_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool case_sensitive = in.ConsumeBool();
  const std::string pattern = in.ConsumeRandomLengthString(64);
  const std::string subject = in.ConsumeRemainingBytesAsString();
  dw::Pattern p = dw::PatternNew();
  if (!dw::PatternCreate(p, pattern, case_sensitive)) {
    if (!dw::PatternSearchAll(p, subject).empty()) std::abort();
    return 0;
  }
  int last_end = 0;
  for (dw::Match& m : dw::PatternSearchAll(p, subject)) {
    if (m.groups.empty() || m.groups[0].begin < last_end) std::abort();
    last_end = m.groups[0].end;
    for (int g = 0; g <= static_cast<int>(m.groups.size()); ++g) {
      int start = -2;
      std::string text = dw::MatchSubText(m, subject, g, &start);
      if (start < -1 || (start == -1 && !text.empty())) std::abort();
      if (start >= 0 && subject.compare(start, text.size(), text) != 0)
        std::abort();
    }
    dw::MatchFree(m);
  }
  dw::PatternFree(p);
  return 0;
}
