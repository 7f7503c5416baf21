#include "learn/link_address.h"

#include <string>
#include <vector>

#include "runtime/text_ops.h"
#include "runtime/web_address.h"

namespace dw {
namespace {

// "https://host" of an absolute address; empty when it has none.
std::string_view OriginOf(std::string_view url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return {};
  const size_t path = url.find_first_of("/?#", scheme + 3);
  return url.substr(0, path == std::string_view::npos ? url.size() : path);
}

// Removes "." and ".." segments of an absolute path.
std::string TidyPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 1;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string_view::npos) slash = path.size();
    const std::string_view part = path.substr(start, slash - start);
    const bool last = slash == path.size();
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      if (last) parts.push_back({});
    } else if (part == ".") {
      if (last) parts.push_back({});
    } else {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::string out;
  for (std::string_view part : parts) {
    out += '/';
    out += part;
  }
  return out.empty() ? "/" : out;
}

}  // namespace

std::string UnescapeLink(std::string_view href) {
  std::string out = ReplaceText(std::string(href), "&amp;", "&");
  return ReplaceText(out, "&#38;", "&");
}

std::string ResolveLink(std::string_view base, std::string_view ref) {
  if (IsHttpAddress(ref)) return std::string(ref);
  const std::string_view origin = OriginOf(base);
  if (origin.empty()) return std::string(ref);
  if (ref.starts_with("//")) {
    return std::string(base.substr(0, base.find(':') + 1)) + std::string(ref);
  }
  std::string_view rest = base.substr(origin.size());
  const size_t fragment = rest.find('#');
  if (fragment != std::string_view::npos) rest = rest.substr(0, fragment);
  if (ref.empty()) return std::string(origin) + std::string(rest);
  if (ref[0] == '#')
    return std::string(origin) + std::string(rest) + std::string(ref);
  const size_t query = rest.find('?');
  const std::string_view path =
      query == std::string_view::npos ? rest : rest.substr(0, query);
  if (ref[0] == '?') {
    return std::string(origin) + std::string(path.empty() ? "/" : path) +
           std::string(ref);
  }
  // The query and fragment of `ref` are kept as they are.
  const size_t tail = ref.find_first_of("?#");
  const std::string_view ref_path =
      tail == std::string_view::npos ? ref : ref.substr(0, tail);
  const std::string_view ref_tail =
      tail == std::string_view::npos ? std::string_view() : ref.substr(tail);
  std::string joined;
  if (ref_path.starts_with("/")) {
    joined = ref_path;
  } else {
    const size_t dir = path.rfind('/');
    joined =
        std::string(dir == std::string_view::npos ? std::string_view("/")
                                                  : path.substr(0, dir + 1));
    joined += ref_path;
  }
  return std::string(origin) + TidyPath(joined) + std::string(ref_tail);
}

}  // namespace dw
