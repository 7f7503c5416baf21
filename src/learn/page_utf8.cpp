#include "learn/page_utf8.h"

#include "runtime/gbk_char.h"
#include "text/gbk_codec.h"

namespace dw {

Utf8View Utf8WithOrigins(std::string_view program_text) {
  Utf8View view;
  view.text.reserve(program_text.size() * 3 / 2);
  view.origin.reserve(program_text.size() * 3 / 2 + 1);
  for (size_t i = 0; i < program_text.size();) {
    const unsigned char b = static_cast<unsigned char>(program_text[i]);
    if (b < 0x80) {
      view.text += static_cast<char>(b);
      view.origin.push_back(static_cast<uint32_t>(i));
      ++i;
      continue;
    }
    const size_t width = GbkCharLength(program_text, i);
    const std::string utf8 = GbkToUtf8(program_text.substr(i, width));
    view.text += utf8;
    view.origin.insert(view.origin.end(), utf8.size(),
                       static_cast<uint32_t>(i));
    i += width;
  }
  view.origin.push_back(static_cast<uint32_t>(program_text.size()));
  return view;
}

}  // namespace dw
