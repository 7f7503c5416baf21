#include "learn/tidy_map.h"

#include <cstring>

#include "runtime/ascii_case.h"
#include "text/page_text.h"

namespace dw {
namespace {

// One step of the tidy: `keep` decides, at byte i of `in`, how many bytes
// to consume and which byte (if any) to put out.
template <typename Step>
TidyMap Pass(const TidyMap& in, Step step) {
  TidyMap out;
  out.text.reserve(in.text.size());
  out.origin.reserve(in.text.size());
  for (size_t i = 0; i < in.text.size();) {
    char put = 0;
    const size_t used = step(in.text, i, &put);
    if (put != 0) {
      out.text.push_back(put);
      out.origin.push_back(in.origin[i]);
    }
    i += used;
  }
  return out;
}

}  // namespace

TidyMap TidyWithOrigins(std::string_view page) {
  TidyMap map;
  map.text.assign(page);
  map.origin.resize(page.size());
  for (size_t i = 0; i < page.size(); ++i) {
    map.origin[i] = static_cast<uint32_t>(i);
  }
  map = Pass(map, [](const std::string& s, size_t i, char* put) {
    if (s[i] != '\r' && s[i] != '\n' && s[i] != '\t') *put = s[i];
    return size_t{1};
  });
  // Each run of spaces keeps half of its spaces, rounded up.
  map = Pass(map, [](const std::string& s, size_t i, char* put) {
    *put = s[i];
    return s[i] == ' ' && i + 1 < s.size() && s[i + 1] == ' ' ? size_t{2}
                                                              : size_t{1};
  });
  map = Pass(map, [](const std::string& s, size_t i, char* put) {
    *put = s[i];
    if (s[i] != '&') return size_t{1};
    if (StartsWithNoCase(s, "&lt;", i)) *put = '<';
    if (StartsWithNoCase(s, "&gt;", i)) *put = '>';
    if (*put != '&') return size_t{4};
    if (s.compare(i, 6, "&quot;") == 0) {
      *put = '"';
      return size_t{6};
    }
    if (s.compare(i, 5, "&#37;") == 0) {
      *put = '%';
      return size_t{5};
    }
    return size_t{1};
  });
  map = Pass(map, [](const std::string& s, size_t i, char* put) {
    if (s[i] != '"' && s[i] != '\'') *put = s[i];
    return size_t{1};
  });
  // Titles found in the text are read back through these.
  TidyHtmlText(std::string(page), 0, std::string::npos, &map.marks);
  return map;
}

}  // namespace dw
