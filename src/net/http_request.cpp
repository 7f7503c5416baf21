#include "net/http_request.h"

#include <curl/curl.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <utility>

#include "net/base64.h"
#include "net/cookies.h"
#include "net/request_parts.h"
#include "runtime/text_ops.h"
#include "runtime/threads.h"

namespace dw {
namespace {

using Clock = std::chrono::steady_clock;

// Enough for any real chain of moves, and a loop ends quickly.
constexpr long kMaxRedirects = 10;
// All header bytes of one request, interim answers and moves included: far
// beyond any real chain, and an answer that never ends its head is cut.
constexpr size_t kMaxHeaderBytes = size_t{1} << 20;
// How often a waiting transfer wakes to look for a stop request or a
// stalled peer; well inside the 100 ms a stop may take.
constexpr int kWakeMs = 10;

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

void Append(Slist& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown) {
    list.release();
    list.reset(grown);
  }
}

// What the callbacks of one transfer share with the loop that drives it.
struct Transfer {
  CURL* easy = nullptr;
  bool oversized = false;  // a bound of ours ended it
  std::string body;
  std::string headers;
  size_t headerBytes = 0;  // never reset, unlike headers
  bool connected = false;  // a connection is up: the stall clock runs
  Clock::time_point lastProgress = Clock::now();
  curl_off_t uploaded = 0;
  const std::function<bool()>* cancel = nullptr;

  void Progressed() { lastProgress = Clock::now(); }
  // The calling thread's own stop request is always honoured.
  bool Cancelled() const { return StopRequested() || (*cancel && (*cancel)()); }
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  t->headerBytes += n;
  if (t->headerBytes > kMaxHeaderBytes) {
    t->oversized = true;
    return 0;  // ends it as failed
  }
  std::string line(data, n);
  t->Progressed();
  // Every response of a redirect chain (and any interim 100) passes here;
  // only the last one counts, so each status line starts afresh.
  if (line.rfind("HTTP/", 0) == 0) {
    t->headers.clear();
    t->body.clear();
    return n;
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.pop_back();
  }
  t->headers += line;
  t->headers += kCrLf;
  return n;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  // A page past the bound is refused as soon as it announces its length,
  // or else once it has actually grown past it (decoded: a small
  // compressed answer may unpack to any size); returning short ends the
  // transfer as failed.
  curl_off_t announced = -1;
  curl_easy_getinfo(t->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
  if (announced > static_cast<curl_off_t>(kHttpMaxBodyBytes) ||
      t->body.size() + n > kHttpMaxBodyBytes) {
    t->oversized = true;
    return 0;
  }
  // Growing by doubling would leave the body spread over a buffer up to
  // twice its size, and hold old and new buffers at once while it moves.
  if (announced > 0 && t->body.capacity() < static_cast<size_t>(announced)) {
    t->body.reserve(static_cast<size_t>(announced));
  }
  t->body.append(data, n);
  t->Progressed();
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t,
               curl_off_t uploaded) {
  auto* t = static_cast<Transfer*>(user);
  if (uploaded != t->uploaded) {
    t->uploaded = uploaded;
    t->Progressed();
  }
  return t->Cancelled() ? 1 : 0;
}

int OnConnected(void* user, char*, char*, int, int) {
  auto* t = static_cast<Transfer*>(user);
  t->connected = true;
  t->Progressed();
  return CURL_PREREQFUNC_OK;
}

HttpFailure FailureOf(CURLcode result, CURL* easy, const Transfer& t) {
  if (t.oversized) return HttpFailure::kTooLarge;
  switch (result) {
    case CURLE_OK:
      return HttpFailure::kNone;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return HttpFailure::kBadAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return HttpFailure::kNameNotResolved;
    case CURLE_COULDNT_CONNECT: {
      long os_error = 0;
      curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &os_error);
      return os_error == ENETUNREACH || os_error == EHOSTUNREACH ||
                     os_error == ENETDOWN
                 ? HttpFailure::kNoNetwork
                 : HttpFailure::kRefused;
    }
    case CURLE_OPERATION_TIMEDOUT:
      return HttpFailure::kTimedOut;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_ISSUER_ERROR:
      return HttpFailure::kCertificate;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_CLIENTCERT:
      return HttpFailure::kTls;
    case CURLE_TOO_MANY_REDIRECTS:
      return HttpFailure::kTooManyRedirects;
    case CURLE_FILESIZE_EXCEEDED:
      return HttpFailure::kTooLarge;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP3:
    case CURLE_BAD_CONTENT_ENCODING:
      return HttpFailure::kBrokenAnswer;
    case CURLE_ABORTED_BY_CALLBACK:
      return t.Cancelled() ? HttpFailure::kCancelled : HttpFailure::kOther;
    default:
      return HttpFailure::kOther;
  }
}

// Drives one transfer to its end, waking often enough to abandon it within
// the stop bound or when the peer has gone quiet for too long.
CURLcode Perform(CURLM* multi, CURL* easy, Transfer& transfer,
                 long long stallMs) {
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
    return CURLE_FAILED_INIT;
  }
  CURLcode result = CURLE_ABORTED_BY_CALLBACK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    bool done = false;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
        result = message->data.result;
        done = true;
      }
    }
    if (done || running == 0) break;
    if (transfer.Cancelled()) break;
    if (stallMs > 0 && transfer.connected &&
        Clock::now() - transfer.lastProgress >
            std::chrono::milliseconds(stallMs)) {
      result = CURLE_OPERATION_TIMEDOUT;
      break;
    }
    if (curl_multi_poll(multi, nullptr, 0, kWakeMs, nullptr) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
  }
  // Leaving mid-transfer closes that connection; a finished one stays in
  // the cache for the next request on the same handle.
  curl_multi_remove_handle(multi, easy);
  return result;
}

}  // namespace

HttpGlobalInit::HttpGlobalInit()
    : ok_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}

HttpGlobalInit::~HttpGlobalInit() {
  if (ok_) curl_global_cleanup();
}

struct HttpRequestObject::Handles {
  // The connection cache lives in the multi handle, so both stay together.
  CURLM* multi = curl_multi_init();
  CURL* easy = curl_easy_init();
  ~Handles() {
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
  }
};

HttpRequestObject::HttpRequestObject() : handles_(new Handles) {}
HttpRequestObject::~HttpRequestObject() = default;
HttpRequestObject::HttpRequestObject(HttpRequestObject&&) noexcept = default;
HttpRequestObject& HttpRequestObject::operator=(HttpRequestObject&&) noexcept =
    default;

bool HttpRequestObject::Valid() const {
  return handles_ && handles_->multi && handles_->easy;
}

std::string HttpRequest(const HttpRequestParams& p) {
  const int method = (p.method < 0 || p.method > 2) ? 0 : p.method;

  std::optional<HttpRequestObject> own;
  HttpRequestObject* object = p.requestObject;
  if (!object) object = &own.emplace();
  if (!object->Valid()) return std::string();
  CURL* easy = object->handles_->easy;
  CURLM* multi = object->handles_->multi;
  curl_easy_reset(easy);

  Transfer transfer;
  transfer.easy = easy;
  transfer.cancel = &p.cancelRequested;
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  // Abandoning a request must not wait for a name lookup to finish.
  curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, OnConnected);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, &transfer);

  const HttpTimeouts timeouts = HttpPhaseTimeouts(p.timeoutSeconds);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(timeouts.connectMs));

  // Without a proxy of its own a request goes direct, whatever proxy the
  // environment names; with one, every host goes through it.
  curl_easy_setopt(easy, CURLOPT_PROXY, p.proxy.c_str());
  if (!p.proxy.empty()) curl_easy_setopt(easy, CURLOPT_NOPROXY, "");

  const std::string wireUrl = WireUrl(p.url);
  curl_easy_setopt(easy, CURLOPT_URL, wireUrl.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);

  // Proxy credentials go in a list of their own, which the library sends
  // only to the proxy and never on to the site.
  Slist proxyHeaders;
  if (!p.proxy.empty() && !p.proxyUser.empty() && p.proxyAuth == 1) {
    Append(proxyHeaders, "Proxy-Authorization: Basic " +
                             Base64Encode(p.proxyUser + ":" + p.proxyPassword));
  }
  curl_easy_setopt(easy, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
  curl_easy_setopt(easy, CURLOPT_PROXYHEADER, proxyHeaders.get());
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

  // Cookies that a moved answer sets go with the following hops, as a
  // browser would send them. The jar is thrown away after the request (see
  // below): the caller's cookie text alone carries cookies further. When
  // the caller sends a text of their own it stays the one Cookie line.
  const bool sendsCookies = p.cookies && !p.cookies->empty();
  if (!sendsCookies) curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");

  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, p.noRedirect ? 0L : 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  // A certificate anyone could have made would let whoever sits between
  // us and the site put posts and links of his own into the list.
  const long verify = p.verifyCertificates ? 1L : 0L;
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, verify);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
  // The library reads the authorities from where it was built to; the
  // variables OpenSSL programs honour name others (a company's own).
  if (const char* file = std::getenv("SSL_CERT_FILE"); file && *file) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, file);
  }
  if (const char* folder = std::getenv("SSL_CERT_DIR"); folder && *folder) {
    curl_easy_setopt(easy, CURLOPT_CAPATH, folder);
  }

  std::string ownHeaders;
  std::string& headers = p.headers ? *p.headers : ownHeaders;
  CompleteRequestHeaders(headers, p.url);

  Slist requestHeaders;
  if (sendsCookies && AcceptableHeader("Cookie", *p.cookies)) {
    Append(requestHeaders, "Cookie: " + *p.cookies);
  }
  for (const std::string& line : SplitText(headers, std::string(kCrLf))) {
    if (line.empty()) continue;
    const std::string name = HeaderName(line);
    const std::string value = HeaderValue(line);
    if (AcceptableHeader(name, value)) {
      Append(requestHeaders, HeaderLine(name, value));
    }
  }
  // Keep the library from adding header lines of its own choosing.
  Append(requestHeaders, "Accept:");
  Append(requestHeaders, "Expect:");
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, requestHeaders.get());

  const std::string& sent = p.bodyBytes.empty() ? p.body : p.bodyBytes;
  if (method == 2) {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (method == 1 || !sent.empty()) {
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, sent.data());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(sent.size()));
    // A GET that carries a body keeps its method name; a POST stays plain
    // so that a redirect turns it into a GET as usual.
    if (method == 0) curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "GET");
  }
  // Pages come compressed in whatever the library can undo, a fraction of
  // the bytes on the wire for us and for the sites; the body is handed on
  // decoded, so the bound in OnBody applies to what a page decodes to.
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");

  const CURLcode result = Perform(multi, easy, transfer, timeouts.stallMs);

  const HttpFailure failure = FailureOf(result, easy, transfer);
  if (p.requestSent) {
    // The head went out, and the body as far as it was given.
    long head = 0;
    curl_off_t uploaded = 0;
    curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &head);
    curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
    *p.requestSent =
        head > 0 && uploaded >= static_cast<curl_off_t>(sent.size());
  }
  long code = 0;
  if (result == CURLE_OK) {
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
  } else {
    transfer.body.clear();
    transfer.headers.clear();
  }
  // The handle keeps pointers to this call's lists and body. Switching the
  // cookie engine off first empties the jar and frees the engine's own
  // list, which a reset alone would leak.
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
  curl_easy_reset(easy);

  std::string respelled =
      ReplaceText(transfer.headers, "Set-Cookie", "Set-Cookie", std::nullopt,
                  std::nullopt, /*caseSensitive=*/false);
  std::string collected = CollectSetCookies(respelled);
  if (p.mergeCookies && p.cookies) {
    collected = MergeCookies(*p.cookies, collected);
  }
  if (p.responseHeaders) *p.responseHeaders = std::move(respelled);
  if (p.status) *p.status = static_cast<int>(code);
  if (p.failure) *p.failure = failure;
  if (p.newCookies) *p.newCookies = std::move(collected);
  return std::move(transfer.body);
}

std::string HttpRequest(const std::string& url) {
  HttpRequestParams params;
  params.url = url;
  return HttpRequest(params);
}

}  // namespace dw
