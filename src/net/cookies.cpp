#include "net/cookies.h"

#include <unordered_set>
#include <vector>

#include "runtime/gbk_constants.h"
#include "runtime/text_ops.h"

namespace dw {
namespace {

// Drops the last `count` bytes, as the joins below end with one delimiter
// too many.
std::string DropTail(const std::string& text, size_t count) {
  return TextLeft(text, TextLength(text) - static_cast<int>(count));
}

}  // namespace

std::string CollectSetCookies(const std::string& headers) {
  std::string result;
  for (const std::string& line : SplitText(headers, "\r\n")) {
    if (FindText(line, "Set-Cookie") == -1) continue;
    std::string value;
    if (FindText(line, ";") != -1) {
      value = TextBetween(line, "Set-Cookie:", ";");
    } else {
      value = ReplaceText(line, "Set-Cookie:", "", std::nullopt, std::nullopt,
                          /*caseSensitive=*/false);
    }
    result += TrimBoth(value);
    result += "; ";
  }
  return DropTail(result, 2);
}

std::string MergeCookies(std::string& old_cookies,
                         const std::string& new_cookies) {
  std::vector<std::string> items = SplitText(RemoveSpaces(new_cookies), ";");
  std::unordered_set<std::string> names;
  for (const std::string& item : items) names.insert(CookieName(item));
  // A new item wins over an old one of the same name, and of several old
  // items with one name the first wins.
  for (std::string& item : SplitText(RemoveSpaces(old_cookies), ";")) {
    if (names.insert(CookieName(item)).second) items.push_back(std::move(item));
  }
  std::string result;
  for (const std::string& item : items) {
    if (TextRight(item, 8) == "=deleted") continue;
    result += item;
    result += "; ";
  }
  result = RemoveDuplicateItems(DropTail(result, 2), "; ");
  old_cookies = result;
  return result;
}

std::string CookieName(const std::string& item) {
  int eq = FindText(item, "=");
  return TrimBoth(eq == -1 ? item : TextLeft(item, eq - 1));
}

std::string RemoveDuplicateItems(const std::string& text,
                                 const std::string& delimiter) {
  std::unordered_set<std::string> seen;
  std::string result;
  for (std::string& piece : SplitText(text, delimiter)) {
    if (!seen.insert(piece).second) continue;
    result += piece;
    result += delimiter;
  }
  return DropTail(result, delimiter.size());
}

namespace {

MarkerCut Cut(const std::string& text, const std::string& left,
              const std::string& right, std::optional<int> start,
              bool case_insensitive) {
  MarkerCut cut;
  const std::string l = ReplaceText(left, kQuotePlaceholder, "\"");
  const std::string r = ReplaceText(right, kQuotePlaceholder, "\"");
  cut.left_length = static_cast<long long>(l.size());
  cut.right_length = static_cast<long long>(r.size());
  int p = FindText(text, l, start, case_insensitive);
  if (p == -1) {
    const int q = FindText(text, r, start, case_insensitive);
    if (q != -1) cut.right_at = q - 1;
    return cut;
  }
  cut.left_found = true;
  cut.left_at = p - 1;
  p += TextLength(l);
  int q = FindText(text, r, p, case_insensitive);
  if (q == -1) return cut;
  cut.right_found = true;
  cut.right_at = q - 1;
  return cut;
}

}  // namespace

std::string TextBetween(const std::string& text, const std::string& left,
                        const std::string& right, std::optional<int> start,
                        bool case_insensitive) {
  const MarkerCut cut = Cut(text, left, right, start, case_insensitive);
  return text.substr(cut.from(), cut.to() - cut.from());
}

MarkerCut CutBetweenMarkers(const std::string& text, const std::string& left,
                            const std::string& right) {
  return Cut(text, left, right, std::nullopt, false);
}

}  // namespace dw
