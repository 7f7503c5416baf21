// Pieces of building a request that the request layer shares between its
// files; callers include net/http_request.h alone.
#pragma once

#include <string>

namespace dw {

inline constexpr char kCrLf[] = "\r\n";

// Header names are tokens; a value must not smuggle in further lines.
bool AcceptableHeader(const std::string& name, const std::string& value);

// The library reads an empty value as "drop this header"; "Name;" sends
// the header with nothing after the colon.
std::string HeaderLine(const std::string& name, const std::string& value);

// Addresses typed into rules may hold spaces or Chinese text. They go on
// the wire as UTF-8, percent-escaped, as browsers send them; everything
// else of the address is left exactly as written.
std::string WireUrl(const std::string& url);

}  // namespace dw
