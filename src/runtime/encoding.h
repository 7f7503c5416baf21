// Conversion between character encodings (iconv names such as "GBK",
// "UTF-8", "UTF-32LE").
#pragma once

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dw {

// One way of converting, set up once and used for many texts on one thread.
class EncodingConverter {
 public:
  EncodingConverter(const char* from, const char* to);
  ~EncodingConverter();
  EncodingConverter(const EncodingConverter&) = delete;
  EncodingConverter& operator=(const EncodingConverter&) = delete;

  // False when the system knows no such conversion.
  bool ok() const;

  // The bytes of text re-encoded; nothing when the conversion is unknown or
  // the text holds a sequence it cannot convert.
  std::optional<std::string> Convert(std::string_view text);

  // Each `width`-byte piece of `pieces` (one character each, for a
  // character table) converted on its own, with one call each; an empty
  // text for a piece the conversion refuses.
  std::vector<std::string> ConvertEach(std::string_view pieces, size_t width);

 private:
  iconv_t cd_;
};

// The same for one text.
std::optional<std::string> ConvertEncoding(const std::string& text,
                                           const char* from, const char* to);

}  // namespace dw
