// The regular-expression object on fuzzed patterns and subjects, and the
// quick path for plain clean-up patterns against the full engine.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "text/regex_object.h"
#include "text/simple_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool case_sensitive = in.ConsumeBool();
  const bool multiline = in.ConsumeBool();
  const bool global = in.ConsumeBool();
  const std::string pattern = in.ConsumeRandomLengthString(48);
  const std::string replacement = in.ConsumeRandomLengthString(8);
  const std::string subject = in.ConsumeRemainingBytesAsString();

  dw::RegexObject re;
  bool ok = re.Search(pattern, subject, case_sensitive, multiline, global);
  const std::string replaced = re.ReplaceMatches(replacement);
  if (!ok && (!replaced.empty() || re.MatchCount() != 0)) std::abort();
  for (int i = 1; i <= re.MatchCount(); ++i) {
    int offset = -2;
    std::string text = re.MatchText(i, &offset);
    if (offset < 0 || subject.compare(offset, text.size(), text) != 0)
      std::abort();
    for (int g = 1; g <= re.GroupCount(); ++g) re.SubMatchText(i, g, &offset);
  }

  if (std::optional<std::string> quick =
          dw::ReplaceSimplePattern(pattern, subject, replacement)) {
    dw::RegexObject full;
    full.Search(pattern, subject);
    if (*quick != full.ReplaceMatches(replacement)) std::abort();
    std::string in_place(subject);
    if (dw::ReplaceSimplePatternInPlace(pattern, in_place, replacement) &&
        in_place != *quick) {
      std::abort();
    }
  }
  return 0;
}
