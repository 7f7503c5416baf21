#include "learn/link_rank.h"

#include <algorithm>
#include <array>
#include <vector>

#include "runtime/ascii_case.h"

namespace dw {
namespace {

// The address's words: runs of letters, split at everything else.
std::vector<std::string> WordsOf(std::string_view url) {
  std::vector<std::string> words;
  std::string word;
  for (size_t i = 0; i <= url.size(); ++i) {
    const char c = i < url.size() ? LowerAscii(url[i]) : '/';
    if (c >= 'a' && c <= 'z') {
      word += c;
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  return words;
}

// The part of a host a site registers: the last two labels, or three where
// the second-last is a generic label under a country code (site.com.cn).
std::string_view RegisteredDomain(std::string_view host) {
  std::vector<size_t> dots;
  for (size_t i = 0; i < host.size(); ++i) {
    if (host[i] == '.') dots.push_back(i);
  }
  if (dots.size() < 2) return host;
  const size_t last = dots.back();
  const size_t second = dots[dots.size() - 2];
  const std::string_view label = host.substr(second + 1, last - second - 1);
  const bool country = host.size() - last - 1 == 2;
  const bool generic = label == "com" || label == "net" || label == "org" ||
                       label == "gov" || label == "edu" || label == "co" ||
                       label == "ac";
  if (country && generic) {
    return dots.size() >= 3 ? host.substr(dots[dots.size() - 3] + 1) : host;
  }
  return host.substr(second + 1);
}

}  // namespace

std::string HostOf(std::string_view url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string_view::npos) return {};
  size_t start = scheme + 3;
  size_t end = url.find_first_of("/?#", start);
  if (end == std::string_view::npos) end = url.size();
  std::string_view host = url.substr(start, end - start);
  if (const size_t at = host.rfind('@'); at != std::string_view::npos) {
    host = host.substr(at + 1);
  }
  if (const size_t colon = host.rfind(':'); colon != std::string_view::npos) {
    host = host.substr(0, colon);
  }
  std::string out(host);
  for (char& c : out) c = LowerAscii(c);
  if (out.starts_with("www.")) out.erase(0, 4);
  return out;
}

bool SameSite(std::string_view a, std::string_view b) {
  const std::string ha = HostOf(a);
  const std::string hb = HostOf(b);
  if (ha.empty() || hb.empty()) return false;
  return ha == hb || RegisteredDomain(ha) == RegisteredDomain(hb);
}

bool IsActionLink(std::string_view url, bool path_only) {
  static constexpr std::array<std::string_view, 40> kActions = {
      "vote",     "upvote",    "downvote", "reply",    "share",     "login",
      "signin",   "logon",     "register", "signup",   "user",      "users",
      "member",   "members",   "profile",  "author",   "space",     "uid",
      "hide",     "flag",      "report",   "favorite", "favourite", "fav",
      "lastpost", "newpost",   "redirect", "hit",      "out",       "jump",
      "click",    "track",     "goto",     "page",     "auth",      "like",
      "follow",   "subscribe", "from",     "search"};
  // The path's words and the query's names: values (extra=page%3D1) say
  // where the user came from, not what the link does.
  const size_t scheme = url.find("://");
  size_t from = scheme == std::string_view::npos ? 0 : scheme + 3;
  from = std::min(url.size(), url.find_first_of("/?#", from));
  std::string_view rest = url.substr(from);
  rest = rest.substr(0, std::min(rest.size(), rest.find('#')));
  const size_t query = std::min(rest.size(), rest.find('?'));
  // A segment of many words is a title's slug ("how-to-vote-by-mail"), no
  // action.
  std::vector<std::string> words;
  std::string_view path = rest.substr(0, query);
  while (!path.empty()) {
    const size_t slash = std::min(path.size(), path.find('/', 1));
    std::vector<std::string> segment = WordsOf(path.substr(0, slash));
    std::erase_if(segment, [](const std::string& w) {
      return w == "html" || w == "htm" || w == "shtml" || w == "php" ||
             w == "asp" || w == "aspx" || w == "jsp";
    });
    if (segment.size() <= 2) {
      for (std::string& word : segment) words.push_back(std::move(word));
    }
    path.remove_prefix(slash);
  }
  std::string_view params = path_only ? std::string_view() : rest.substr(query);
  while (!params.empty()) {
    params.remove_prefix(1);  // "?" or "&"
    const size_t end = std::min(params.size(), params.find('&'));
    const std::string_view param = params.substr(0, end);
    for (std::string& word :
         WordsOf(param.substr(0, std::min(param.size(), param.find('='))))) {
      words.push_back(std::move(word));
    }
    params = params.substr(end);
  }
  for (const std::string& word : words) {
    for (std::string_view action : kActions) {
      if (word == action) return true;
    }
  }
  return false;
}

bool MostlyActions(const std::vector<std::string>& links, bool path_only) {
  const auto acting = std::count_if(
      links.begin(), links.end(),
      [&](const std::string& l) { return IsActionLink(l, path_only); });
  return acting * 2 > static_cast<long>(links.size());
}

}  // namespace dw
