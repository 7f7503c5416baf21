#include "learn/loose_text.h"

#include "runtime/ascii_case.h"
#include "runtime/gbk_char.h"
#include "text/html_entities.h"

namespace dw {
namespace {

// GBK for "…" and for the ideographic space.
constexpr std::string_view kEllipsis = "\xA1\xAD";
constexpr std::string_view kWideSpace = "\xA1\xA1";

bool IsSpace(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
}

bool StartsTag(std::string_view s, size_t i) {
  if (i + 1 >= s.size() || s[i] != '<') return false;
  const char c = s[i + 1];
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '/' ||
         c == '!' || c == '?';
}

class LooseWriter {
 public:
  explicit LooseWriter(LooseText* out) : out_(out) {}
  void Put(std::string_view bytes, size_t begin, size_t end) {
    for (char c : bytes) {
      if (c == '"' || c == '\'') continue;
      if (IsSpace(c)) {
        if (out_->text.empty() || out_->text.back() == ' ') continue;
        c = ' ';
      } else {
        c = LowerAscii(c);
      }
      out_->text.push_back(c);
      out_->begin.push_back(static_cast<uint32_t>(begin));
      out_->end.push_back(static_cast<uint32_t>(end));
    }
  }
  void Finish() {
    while (!out_->text.empty() && out_->text.back() == ' ') {
      out_->text.pop_back();
      out_->begin.pop_back();
      out_->end.pop_back();
    }
  }

 private:
  LooseText* out_;
};

// The entity at s[i] ("&" there) and its end; false when none stands there.
bool ReadEntity(std::string_view s, size_t i, std::string* decoded,
                size_t* end) {
  constexpr size_t kLongestEntity = 12;
  const size_t semi = s.substr(i, kLongestEntity).find(';');
  if (semi == std::string_view::npos) return false;
  const std::string_view entity = s.substr(i, semi + 1);
  *end = i + semi + 1;
  if (entity == "&nbsp;" || entity == "&#160;" || entity == "&#xa0;") {
    *decoded = " ";
    return true;
  }
  *decoded = DecodeHtmlEntities(entity);
  return *decoded != entity;
}

void AppendLoose(std::string_view s, bool skip_tags, LooseWriter& writer) {
  for (size_t i = 0; i < s.size();) {
    if (skip_tags && s.compare(i, 9, "<![CDATA[") == 0) {
      i += 9;
      continue;
    }
    if (skip_tags && s.compare(i, 3, "]]>") == 0) {
      i += 3;
      continue;
    }
    if (skip_tags && StartsTag(s, i)) {
      const size_t close = s.find('>', i);
      i = close == std::string_view::npos ? s.size() : close + 1;
      continue;
    }
    std::string decoded;
    size_t end = 0;
    if (s[i] == '&' && ReadEntity(s, i, &decoded, &end)) {
      writer.Put(decoded, i, end);
      i = end;
      continue;
    }
    const size_t width = GbkCharLength(s, i);
    if (s.substr(i, width) == kWideSpace) {
      writer.Put(" ", i, i + width);
    } else {
      writer.Put(s.substr(i, width), i, i + width);
    }
    i += width;
  }
  writer.Finish();
}

}  // namespace

LooseText LooseView(std::string_view tidy, bool skip_tags) {
  LooseText out;
  out.text.reserve(tidy.size());
  out.begin.reserve(tidy.size());
  out.end.reserve(tidy.size());
  LooseWriter writer(&out);
  AppendLoose(tidy, skip_tags, writer);
  return out;
}

std::string LooseForm(std::string_view gbk) {
  LooseText out;
  LooseWriter writer(&out);
  AppendLoose(gbk, /*skip_tags=*/false, writer);
  // Leading space is dropped by the writer, trailing by Finish.
  return out.text;
}

ExampleKey KeyOfExample(std::string_view gbk) {
  ExampleKey key;
  std::string_view text = gbk;
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  for (std::string_view tail : {std::string_view("..."), kEllipsis}) {
    if (text.size() > tail.size() && text.ends_with(tail)) {
      text.remove_suffix(tail.size());
      key.prefix = true;
      break;
    }
  }
  key.text = LooseForm(text);
  return key;
}

bool TitleFitsExample(std::string_view title, const ExampleKey& key) {
  // A title may keep inline markup the reader never sees.
  LooseText loose_title = LooseView(title, /*skip_tags=*/true);
  const std::string& loose = loose_title.text;
  return key.prefix ? loose.starts_with(key.text) : loose == key.text;
}

}  // namespace dw
