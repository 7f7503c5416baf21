// The program's one network operation: fetch one address synchronously and
// hand back the body bytes, with optional method, body, cookies, extra
// headers, proxy and time-out.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace dw {

struct HttpRequestParams;
std::string HttpRequest(const HttpRequestParams& params);

// Why a request brought no answer, as far as the transfer can tell.
enum class HttpFailure {
  kNone,             // an answer arrived (whatever its status)
  kBadAddress,       // not an http(s) address, or not an address at all
  kNameNotResolved,  // the host name (or the proxy's) did not resolve
  kNoNetwork,        // no route to the host: the network is down
  kRefused,          // nothing listens at the address
  kTimedOut,         // no connection, or the peer fell silent, in time
  kTls,              // the secure connection could not be set up
  kCertificate,      // the site's certificate did not pass verification
  kTooManyRedirects,
  kTooLarge,      // the body (or the head) went past its bound
  kBrokenAnswer,  // the peer hung up or sent something that is no answer
  kCancelled,     // a stop request or the caller's cancel
  kOther,
};

// A short stable word for logs and machine-read output: "" for kNone, then
// "bad_address", "name_not_resolved", "no_network", "refused", "timed_out",
// "tls", "certificate", "too_many_redirects", "too_large", "broken_answer",
// "cancelled", "other".
const char* HttpFailureName(HttpFailure failure);

// The cause in the user's words (UTF-8), as the rules window, the probe and
// the log say it: "证书无效" for kCertificate; "" for kNone.
const char* HttpFailureWords(HttpFailure failure);

// Sets the HTTP library up for the whole process. Create one in main before
// any thread starts and keep it until the end; tests do the same.
class HttpGlobalInit {
 public:
  HttpGlobalInit();
  ~HttpGlobalInit();
  HttpGlobalInit(const HttpGlobalInit&) = delete;
  HttpGlobalInit& operator=(const HttpGlobalInit&) = delete;

  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

// A request handle that a caller keeps and passes to several requests so
// that connections and name lookups are reused. One thread at a time.
class HttpRequestObject {
 public:
  HttpRequestObject();
  ~HttpRequestObject();
  HttpRequestObject(HttpRequestObject&&) noexcept;
  HttpRequestObject& operator=(HttpRequestObject&&) noexcept;

  // False when the library could not create the handle.
  bool Valid() const;

 private:
  friend std::string HttpRequest(const HttpRequestParams& params);
  struct Handles;
  std::unique_ptr<Handles> handles_;
};

// The parameters in their fixed order. Pointers are the caller's variables:
// null means the parameter was omitted. For cookies that difference
// matters (omitted: no merge); for the outputs it only means "not wanted".
struct HttpRequestParams {
  std::string url;
  int method = 0;  // 0 GET, 1 POST, 2 HEAD; any other value is GET
  std::string body;
  std::string* cookies = nullptr;  // in/out: sent, then merged into
  std::string* newCookies = nullptr;
  std::string* headers = nullptr;  // in/out: CR LF lines, completed in place
  std::string* responseHeaders = nullptr;
  int* status = nullptr;           // 0 when no response arrived
  HttpFailure* failure = nullptr;  // why none arrived; kNone when one did
  bool noRedirect = false;
  std::string bodyBytes;   // sent instead of body when not empty
  std::string proxy;       // host:port of a proxy; empty: no proxy
  int timeoutSeconds = 0;  // below 1: 15 s; -1: the request layer's own
  std::string proxyUser;
  std::string proxyPassword;
  int proxyAuth = 1;  // credentials go to the proxy only when this is 1
  HttpRequestObject* requestObject = nullptr;  // null: a handle of our own
  bool mergeCookies = true;
  // An https site must show a certificate that the system's authorities
  // (or the file SSL_CERT_FILE names) vouch for, issued to its name. Off
  // only for a site the user chose to take as it is.
  bool verifyCertificates = true;

  // A further reason to abandon the request, checked at least every few
  // milliseconds beside the calling thread's own stop request.
  std::function<bool()> cancelRequested;

  // Set true when the whole request, body included, went out on the
  // connection, answered or not.
  bool* requestSent = nullptr;
};

// The largest body a request accepts, counted decoded. A page announced or
// grown past it is a failed request like any other (empty body, status 0, no
// headers), so that a runaway answer cannot eat the memory.
inline constexpr size_t kHttpMaxBodyBytes = size_t{64} << 20;

// Fetches params.url and returns the body as received, undone from any
// compression the site applied (empty when nothing was received). Every
// request offers the compressions the library can undo (Accept-Encoding),
// beside the caller's header lines, which are sent as given. Every failure is
// silent: empty body, status 0, empty response headers. Only when no handle can
// be made are the outputs left untouched.
std::string HttpRequest(const HttpRequestParams& params);

// The common call: GET with every default.
std::string HttpRequest(const std::string& url);

// Per-phase bounds for a timeoutSeconds value: one for name resolution and
// connection, one for a send or receive that makes no progress. -1 gives
// the request layer's own bounds (60 s to connect, 30 s of silence).
struct HttpTimeouts {
  long long connectMs;
  long long stallMs;
};
HttpTimeouts HttpPhaseTimeouts(int timeoutSeconds);

// Appends the default header lines that `headers` lacks (case-sensitive
// substring tests): Accept, Referer (= url), Accept-Language, User-Agent,
// Content-Type, each after CR LF.
void CompleteRequestHeaders(std::string& headers, const std::string& url);

// The trimmed text before / after the first ":" of a header line; both
// empty when the line has none.
std::string HeaderName(const std::string& line);
std::string HeaderValue(const std::string& line);

}  // namespace dw
