#include <string>

#include "net/http_request.h"
#include "net/request_parts.h"
#include "runtime/text_ops.h"

namespace dw {
namespace {

constexpr char kDefaultUserAgent[] =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

}  // namespace

// Header names are tokens; a value must not smuggle in further lines.
bool AcceptableHeader(const std::string& name, const std::string& value) {
  if (name.empty()) return false;
  for (unsigned char c : name) {
    if (c <= 0x20 || c >= 0x7F) return false;
  }
  return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// The library reads an empty value as "drop this header"; "Name;" sends
// the header with nothing after the colon.
std::string HeaderLine(const std::string& name, const std::string& value) {
  return value.empty() ? name + ";" : name + ": " + value;
}

std::string HeaderName(const std::string& line) {
  const int colon = FindText(line, ":");
  return colon < 1 ? std::string() : TrimBoth(TextLeft(line, colon - 1));
}

std::string HeaderValue(const std::string& line) {
  const int colon = FindText(line, ":");
  return colon < 1 ? std::string()
                   : TrimBoth(TextMiddle(line, colon + 1, TextLength(line)));
}

void CompleteRequestHeaders(std::string& headers, const std::string& url) {
  auto lacks = [&headers](const char* name) {
    return FindText(headers, name) < 1;
  };
  if (headers.empty()) {
    headers = "Accept: */*";
  } else if (lacks("Accept:")) {
    headers += std::string(kCrLf) + "Accept: */*";
  }
  if (lacks("Referer:")) headers += std::string(kCrLf) + "Referer: " + url;
  if (lacks("Accept-Language:")) {
    headers += std::string(kCrLf) + "Accept-Language: zh-cn";
  }
  if (lacks("User-Agent:")) {
    headers += std::string(kCrLf) + "User-Agent: " + kDefaultUserAgent;
  }
  if (lacks("Content-Type:")) {
    headers +=
        std::string(kCrLf) + "Content-Type: application/x-www-form-urlencoded";
  }
}

}  // namespace dw
