#include "net/http_request.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "net/http/http_test_support.h"

namespace dw {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kAgent[] =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr char kForm[] = "Content-Type: application/x-www-form-urlencoded";

// Writes a gzip file of `size` zero bytes: a thousandth of that on disk.
void WriteGzipOfZeros(const std::filesystem::path& path, size_t size) {
  gzFile file = gzopen(path.c_str(), "wb9");
  const std::string zeros(1 << 20, '\0');
  for (size_t n = 0; size > 0; size -= n) {
    n = std::min(size, zeros.size());
    gzwrite(file, zeros.data(), static_cast<unsigned>(n));
  }
  gzclose(file);
}

class HttpRequestTest : public HttpSiteTest {
 protected:
  std::string Host() const {
    return "Host: 127.0.0.1:" + std::to_string(site().FaultPort());
  }
  // The exact head of the request the fault server saw last.
  std::vector<std::string> LastHead() {
    return HeadLines(HttpRequest(site().FaultUrl("/last")));
  }
};

// ---- Header lines on the wire -------------------------------------------

TEST_F(HttpRequestTest, HeaderLinesGoOutCompletedWithTheCookieFirst) {
  const std::string url = site().FaultUrl("/echo?a=1");
  const std::string referer = "Referer: " + url;
  const std::string language = "Accept-Language: zh-cn";
  struct Case {
    std::optional<std::string> headers, cookies;
    std::vector<std::string> sent;  // after the request line and Host
  } cases[] = {
      {std::nullopt,
       std::nullopt,
       {"Accept: */*", referer, language, kAgent, kForm}},
      {"User-Agent: X",
       std::nullopt,
       {"User-Agent: X", "Accept: */*", referer, language, kForm}},
      {"user-agent: X",
       std::nullopt,
       {"user-agent: X", "Accept: */*", referer, language, kAgent, kForm}},
      // Empty lines and lines without a colon are skipped; so is a line
      // whose bare LF would start a header of the caller's choosing.
      {"X-One:  1 \r\n\r\nno colon\r\nX-Two: a\nInjected: yes\r\nX-Empty:",
       std::nullopt,
       {"X-One: 1", "X-Empty:", "Accept: */*", referer, language, kAgent,
        kForm}},
      {"User-Agent: X",
       "a=1; b=2",
       {"Cookie: a=1; b=2", "User-Agent: X", "Accept: */*", referer, language,
        kForm}},
      {std::nullopt, "", {"Accept: */*", referer, language, kAgent, kForm}},
  };
  for (Case& c : cases) {
    const std::string given = c.headers.value_or("(omitted)");
    HttpRequestParams params;
    params.url = url;
    if (c.headers) params.headers = &*c.headers;
    if (c.cookies) params.cookies = &*c.cookies;
    std::vector<std::string> expected = {"GET /echo?a=1 HTTP/1.1", Host()};
    expected.insert(expected.end(), c.sent.begin(), c.sent.end());
    std::vector<std::string> head = HeadLines(HttpRequest(params));
    // The compressions offered come before the caller's lines; which they
    // are depends on how the library was built, gzip always among them.
    ASSERT_GT(head.size(), 2u) << given;
    EXPECT_THAT(head[2], ::testing::StartsWith("Accept-Encoding: ")) << given;
    EXPECT_THAT(head[2], HasSubstr("gzip")) << given;
    head.erase(head.begin() + 2);
    EXPECT_THAT(head, ElementsAreArray(expected)) << given;
    // The caller's own text is completed in place.
    if (c.headers) {
      EXPECT_THAT(*c.headers, EndsWith(kForm)) << given;
    }
  }
}

TEST(CompleteRequestHeaders, AppendsOnlyWhatTheTextLacks) {
  const std::string u = "http://h/p";
  const std::string all = "Accept: */*\r\nReferer: " + u +
                          "\r\nAccept-Language: zh-cn\r\n" + kAgent + "\r\n" +
                          kForm;
  struct Case {
    std::string given;
    std::string expected;
  } cases[] = {
      {"", all},
      {"User-Agent: X", "User-Agent: X\r\nAccept: */*\r\nReferer: " + u +
                            "\r\nAccept-Language: zh-cn\r\n" + kForm},
      // A trailing CR LF leaves an empty line, which is skipped on sending.
      {"X: 1\r\n", "X: 1\r\n\r\n" + all},
      // The tests are substring searches anywhere: a value counts.
      {"X: see Referer: there",
       "X: see Referer: there\r\nAccept: */*\r\n"
       "Accept-Language: zh-cn\r\n" +
           std::string(kAgent) + "\r\n" + kForm},
      {"accept: a\r\ncontent-type: b",
       "accept: a\r\ncontent-type: b\r\n" + all},
      {all, all},
  };
  for (const Case& c : cases) {
    std::string headers = c.given;
    CompleteRequestHeaders(headers, u);
    EXPECT_EQ(headers, c.expected) << "given: " << c.given;
  }
}

TEST(HeaderLine, NameAndValueAreTrimmedAroundTheFirstColon) {
  struct Case {
    std::string line, name, value;
  } cases[] = {
      {"Referer: http://a:8/b", "Referer", "http://a:8/b"},
      {"  X  :  v  ", "X", "v"},
      {"\xA1\xA1X:\xA1\xA1v", "X", "v"},  // full-width spaces
      {"X:\tv", "X", "\tv"},              // tabs stay
      {"no colon", "", ""},
      {":v", "", "v"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HeaderName(c.line), c.name) << c.line;
    EXPECT_EQ(HeaderValue(c.line), c.value) << c.line;
  }
}

TEST_F(HttpRequestTest, MethodNumbersGiveTheirVerbs) {
  struct Case {
    int method;
    const char* line;
  } cases[] = {{0, "GET /echo HTTP/1.1"},
               {1, "POST /echo HTTP/1.1"},
               {2, "HEAD /echo HTTP/1.1"},
               {5, "GET /echo HTTP/1.1"},
               {-1, "GET /echo HTTP/1.1"}};
  for (const Case& c : cases) {
    HttpRequestParams params;
    params.url = site().FaultUrl("/echo");
    params.method = c.method;
    Reply reply = Fetch(params);
    EXPECT_EQ(reply.status, 200) << c.method;
    std::vector<std::string> head = LastHead();
    ASSERT_FALSE(head.empty()) << c.method;
    EXPECT_EQ(head[0], c.line) << c.method;
    if (c.method == 2) {
      EXPECT_EQ(reply.body, "") << "a HEAD has no body";
    }
  }
}

TEST_F(HttpRequestTest, ByteBodyWinsOverTextBody) {
  const std::string bytes("b\0\xFFy", 4);
  struct Case {
    int method;
    std::string body, bodyBytes, sent;
  } cases[] = {{1, "text=1", "", "text=1"},
               {1, "text=1", bytes, bytes},
               {0, "", bytes, bytes},  // a GET may carry a body too
               {1, "", "", ""}};
  for (const Case& c : cases) {
    HttpRequestParams params;
    params.url = site().FaultUrl("/echo");
    params.method = c.method;
    params.body = c.body;
    params.bodyBytes = c.bodyBytes;
    std::string echoed = HttpRequest(params);
    EXPECT_THAT(
        HeadLines(echoed),
        ElementsAre(c.method ? "POST /echo HTTP/1.1" : "GET /echo HTTP/1.1",
                    Host(), ::testing::StartsWith("Accept-Encoding: "),
                    "Accept: */*", "Referer: " + params.url,
                    "Accept-Language: zh-cn", kAgent, kForm,
                    "Content-Length: " + std::to_string(c.sent.size())));
    ASSERT_GE(echoed.size(), c.sent.size());
    EXPECT_EQ(echoed.substr(echoed.size() - c.sent.size()), c.sent);
  }
}

// ---- Cookies ------------------------------------------------------------

TEST_F(HttpRequestTest, SetCookieLinesAreRespelledAndCollected) {
  Reply reply = Fetch(site().HttpUrl("/fx/cookies"));
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "cookies\n");
  EXPECT_THAT(reply.headers, HasSubstr("\r\nSet-Cookie: lang=zh\r\n"));
  EXPECT_THAT(reply.headers, HasSubstr("\r\nSet-Cookie: old=deleted; path=/"));
  EXPECT_THAT(reply.headers, Not(HasSubstr("set-cookie")));
  EXPECT_THAT(reply.headers, Not(HasSubstr("HTTP/1.1")));
  // The header block as received, less its status line.
  EXPECT_THAT(reply.headers, ::testing::StartsWith("Server: nginx\r\n"));
  EXPECT_THAT(
      reply.headers,
      ::testing::EndsWith("\r\nSet-Cookie: old=deleted; path=/\r\n\r\n"));
  // Omitted cookies: collected as sent, nothing merged or dropped.
  EXPECT_EQ(reply.newCookies, "sid=abc; lang=zh; old=deleted");
}

TEST_F(HttpRequestTest, GivenCookiesAreMergedEvenWhenEmpty) {
  struct Case {
    std::string given;
    bool merge;
    std::string after, newCookies;
  } cases[] = {
      {"", true, "sid=abc; lang=zh", "sid=abc; lang=zh"},
      {"lang=en; keep = 1; old=x", true, "sid=abc; lang=zh; keep=1",
       "sid=abc; lang=zh; keep=1"},
      {"keep=1", false, "keep=1", "sid=abc; lang=zh; old=deleted"},
  };
  for (const Case& c : cases) {
    std::string cookies = c.given;
    HttpRequestParams params;
    params.url = site().HttpUrl("/fx/cookies");
    params.cookies = &cookies;
    params.mergeCookies = c.merge;
    Reply reply = Fetch(params);
    EXPECT_EQ(cookies, c.after) << c.given;
    EXPECT_EQ(reply.newCookies, c.newCookies) << c.given;
  }
}

// ---- Responses ----------------------------------------------------------

TEST_F(HttpRequestTest, ErrorStatusesBringTheirBodies) {
  struct Case {
    const char* path;
    int status;
    const char* body;
  } cases[] = {{"/fx/notfound", 404, "no such page\n"},
               {"/fx/error", 500, "server failed\n"},
               {"/fx/target", 200, "redirect target\n"}};
  for (const Case& c : cases) {
    Reply reply = Fetch(site().HttpUrl(c.path));
    EXPECT_EQ(reply.status, c.status) << c.path;
    EXPECT_EQ(reply.body, c.body) << c.path;
  }
}

TEST_F(HttpRequestTest, BinaryBodyArrivesByteForByte) {
  std::string expected;
  for (int round = 0; round < 4; ++round) {
    for (int b = 0; b < 256; ++b) expected += static_cast<char>(b);
  }
  for (const std::string& url :
       {site().HttpUrl("/fx/binary"), site().HttpsUrl("/fx/binary")}) {
    Reply reply = Fetch(url);
    EXPECT_EQ(reply.status, 200) << url;
    EXPECT_EQ(reply.body, expected) << url;
  }
}

// A site of its own serves what the test writes: a page nginx compresses
// on the way, and a small gzip file that unpacks past the bound.
TEST_F(HttpRequestTest, CompressedBodiesArriveDecodedWithinTheBound) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                     ("dw_gzip_" + std::to_string(::getpid()));
  std::filesystem::create_directories(root / "gzip");
  std::filesystem::create_directories(root / "gzipped");
  std::string page;
  for (int i = 0; page.size() < 100000; ++i) {
    page += "<li><a href=/post/" + std::to_string(i) + ">title</a></li>\n";
  }
  std::ofstream(root / "gzip" / "page.html", std::ios::binary) << page;
  WriteGzipOfZeros(root / "gzipped" / "bomb.txt", kHttpMaxBodyBytes + 1);
  TestSite own(root.string());
  ASSERT_TRUE(own.Running()) << own.Error();
  struct Case {
    std::string url;
    std::string body;
    HttpFailure failure;
  } cases[] = {
      {site().HttpUrl("/fx/gzip"), "compressed page\n", HttpFailure::kNone},
      {own.HttpUrl("/gzip/page.html"), page, HttpFailure::kNone},
      {own.HttpsUrl("/gzip/page.html"), page, HttpFailure::kNone},
      {own.HttpUrl("/gzipped/bomb.txt"), "", HttpFailure::kTooLarge},
  };
  setenv("SSL_CERT_FILE", own.CaFile().c_str(), 1);
  for (const Case& c : cases) {
    HttpRequestParams params;
    params.url = c.url;
    HttpFailure failure = HttpFailure::kOther;
    params.failure = &failure;
    const Reply reply = Fetch(params);
    EXPECT_EQ(failure, c.failure) << c.url;
    EXPECT_EQ(reply.status, c.body.empty() ? 0 : 200) << c.url;
    EXPECT_TRUE(reply.body == c.body) << c.url << ": " << reply.body.size();
    // Compressed on the wire: nginx compresses only when asked to.
    if (!c.body.empty()) {
      EXPECT_THAT(reply.headers, HasSubstr("Content-Encoding: gzip")) << c.url;
    }
  }
  setenv("SSL_CERT_FILE", site().CaFile().c_str(), 1);
  std::filesystem::remove_all(root);
}

TEST_F(HttpRequestTest, HttpsCertificatesAreVerifiedUnlessTheCallerSaysNot) {
  const std::string by_address = site().HttpsUrl("/fx/cookies");
  const std::string by_name =
      "https://localhost:" + std::to_string(site().HttpsPort()) + "/fx/cookies";
  const struct {
    std::string url;
    bool trusted;  // the site's self-signed certificate named as authority
    bool verify;
    HttpFailure failure;
  } cases[] = {
      {by_address, false, true, HttpFailure::kCertificate},
      {by_address, true, true, HttpFailure::kNone},
      {by_name, true, true, HttpFailure::kCertificate},  // not its name
      {by_name, true, false, HttpFailure::kNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url + (c.trusted ? " trusted" : "") +
                 (c.verify ? " verified" : ""));
    setenv("SSL_CERT_FILE", c.trusted ? site().CaFile().c_str() : "", 1);
    HttpRequestParams params;
    params.url = c.url;
    params.verifyCertificates = c.verify;
    HttpFailure failure = HttpFailure::kOther;
    params.failure = &failure;
    const Reply reply = Fetch(params);
    EXPECT_EQ(failure, c.failure);
    EXPECT_EQ(reply.newCookies, c.failure == HttpFailure::kNone
                                    ? "sid=abc; lang=zh; old=deleted"
                                    : "");
  }
  setenv("SSL_CERT_FILE", site().CaFile().c_str(), 1);
}

TEST_F(HttpRequestTest, RedirectsAreFollowedUnlessForbidden) {
  for (auto url : {site().HttpUrl("/fx/redirect301"),
                   site().HttpsUrl("/fx/redirect301")}) {
    Reply followed = Fetch(url);
    EXPECT_EQ(followed.status, 200) << url;
    EXPECT_EQ(followed.body, "redirect target\n") << url;
    // Only the last response's headers are handed back.
    EXPECT_THAT(followed.headers, Not(HasSubstr("Location:"))) << url;

    HttpRequestParams params;
    params.url = url;
    params.noRedirect = true;
    Reply stopped = Fetch(params);
    EXPECT_EQ(stopped.status, 301) << url;
    EXPECT_THAT(stopped.headers, HasSubstr("Location: ")) << url;
    EXPECT_THAT(stopped.body, HasSubstr("301 Moved Permanently")) << url;
  }
}

TEST_F(HttpRequestTest, CookieSetOnTheWayGoesWithTheNextHopOnly) {
  auto cookieLines = [](const std::string& echoed) {
    std::vector<std::string> lines;
    for (const std::string& line : HeadLines(echoed)) {
      if (line.rfind("Cookie:", 0) == 0) lines.push_back(line);
    }
    return lines;
  };
  HttpRequestObject handle;
  HttpRequestParams params;
  params.url = site().FaultUrl("/cookiehop");
  params.requestObject = &handle;
  Reply reply = Fetch(params);
  EXPECT_EQ(reply.status, 200);
  EXPECT_THAT(cookieLines(reply.body), ElementsAre("Cookie: hop=1"));
  EXPECT_EQ(reply.newCookies, "");  // set on a hop, not by the last answer

  // Nothing of it outlives the request, even on the same handle.
  params.url = site().FaultUrl("/echo");
  EXPECT_THAT(cookieLines(HttpRequest(params)), ElementsAre());

  // A caller's own cookie text stays the only Cookie line.
  std::string cookies = "a=1";
  params.url = site().FaultUrl("/cookiehop");
  params.cookies = &cookies;
  EXPECT_THAT(cookieLines(HttpRequest(params)), ElementsAre("Cookie: a=1"));
}

TEST_F(HttpRequestTest, BrokenOrRefusedAnswersGiveStatusZeroAndNothingElse) {
  const std::vector<std::string> urls = {
      site().HttpUrl("/fx/loop"),  // moves without end
      site().FaultUrl("/loop"),     site().FaultUrl("/reset"),
      site().FaultUrl("/close"),    site().FaultUrl("/badstatus"),
      site().FaultUrl("/badchunk"),
      site().FaultUrl("/headers"),   // a head without end
      site().FaultUrl("/continue"),  // interim answers without end
      "file:///etc/hostname",        // only web addresses are fetched
      "ftp://127.0.0.1/x",
  };
  for (const std::string& url : urls) {
    Reply reply = Fetch(url);
    EXPECT_EQ(reply.status, 0) << url;
    EXPECT_EQ(reply.body, "") << url;
    EXPECT_EQ(reply.headers, "") << url;
    EXPECT_EQ(reply.newCookies, "") << url;
    EXPECT_LT(reply.took, Millis(5000)) << url;
  }
}

TEST_F(HttpRequestTest, FailuresNameTheirCause) {
  const struct {
    std::string url;
    HttpFailure failure;
  } cases[] = {
      {site().FaultUrl("/echo"), HttpFailure::kNone},
      {site().HttpUrl("/fx/no-such-page"), HttpFailure::kNone},  // a 404
      {"http://127.0.0.1:1/", HttpFailure::kRefused},
      {"http://no-such-host.invalid/", HttpFailure::kNameNotResolved},
      {site().FaultUrl("/loop"), HttpFailure::kTooManyRedirects},
      {site().FaultUrl("/huge?bytes=" + std::to_string(kHttpMaxBodyBytes + 1)),
       HttpFailure::kTooLarge},
      {site().FaultUrl("/reset"), HttpFailure::kBrokenAnswer},
      {site().FaultUrl("/close"), HttpFailure::kBrokenAnswer},
      {"https://127.0.0.1:" + std::to_string(site().HttpPort()) + "/",
       HttpFailure::kTls},
      {"ftp://127.0.0.1/x", HttpFailure::kBadAddress},
  };
  for (const auto& c : cases) {
    HttpRequestParams params;
    params.url = c.url;
    HttpFailure failure = HttpFailure::kOther;
    params.failure = &failure;
    HttpRequest(params);
    EXPECT_STREQ(HttpFailureName(failure), HttpFailureName(c.failure)) << c.url;
  }
  HttpRequestParams silent;
  silent.url = site().FaultUrl("/silent");
  silent.timeoutSeconds = 1;
  HttpFailure failure = HttpFailure::kNone;
  silent.failure = &failure;
  HttpRequest(silent);
  EXPECT_EQ(failure, HttpFailure::kTimedOut);
}

TEST_F(HttpRequestTest, BodiesPastTheBoundAreRefused) {
  const std::string bound = std::to_string(kHttpMaxBodyBytes);
  const std::string over = std::to_string(kHttpMaxBodyBytes + 1);
  struct Case {
    std::string query;
    size_t size;
  } cases[] = {{"bytes=" + bound, kHttpMaxBodyBytes},
               {"bytes=" + bound + "&announce=1", kHttpMaxBodyBytes},
               {"bytes=" + over, 0},
               // Refused on the announcement, before the body is read.
               {"bytes=" + std::to_string(200 << 20) + "&announce=1", 0}};
  for (const Case& c : cases) {
    Reply reply = Fetch(site().FaultUrl("/huge?" + c.query));
    EXPECT_EQ(reply.body.size(), c.size) << c.query;
    EXPECT_EQ(reply.status, c.size ? 200 : 0) << c.query;
    EXPECT_EQ(reply.headers.empty(), c.size == 0) << c.query;
  }
}

TEST_F(HttpRequestTest, UnreachablePortReturnsAtOnceWithStatusZero) {
  int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), size), 0);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
  close(probe);  // nothing listens there now

  std::string cookies = " a = 1 ";
  HttpRequestParams params;
  params.url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  params.cookies = &cookies;
  Reply reply = Fetch(params);
  EXPECT_EQ(reply.status, 0);
  EXPECT_EQ(reply.body, "");
  EXPECT_EQ(reply.headers, "");
  EXPECT_EQ(reply.newCookies, "a=1");  // just the tidied old cookies
  EXPECT_LT(reply.took, Millis(2000));
}

TEST_F(HttpRequestTest, SpacesAndChineseInTheAddressGoOutEscaped) {
  const std::string url =
      // The GBK bytes of 京, and the four bytes of an emoji GBK lacks.
      site().FaultUrl("/echo?q=a b&k=\xBE\xA9&e=\x94\x39\xE6\x37");
  std::vector<std::string> head = HeadLines(HttpRequest(url));
  ASSERT_GE(head.size(), 5u);
  EXPECT_EQ(head[0], "GET /echo?q=a%20b&k=%E4%BA%AC&e=%F0%9F%94%A5 HTTP/1.1");
  EXPECT_EQ(head[4], "Referer: " + url);  // the caller's text, unchanged
}

TEST_F(HttpRequestTest, UnusableHandleLeavesOutputsUntouched) {
  HttpRequestObject taken;
  HttpRequestObject holder = std::move(taken);
  ASSERT_TRUE(holder.Valid());
  ASSERT_FALSE(taken.Valid());  // NOLINT(bugprone-use-after-move)

  std::string cookies = "a=1";
  std::string headers = "X: 1";
  HttpRequestParams params;
  params.url = site().HttpUrl("/fx/cookies");
  params.cookies = &cookies;
  params.headers = &headers;
  params.requestObject = &taken;
  Reply reply = Fetch(params);
  EXPECT_EQ(reply.body, "");
  EXPECT_EQ(reply.status, -1);
  EXPECT_EQ(reply.headers, "stale");
  EXPECT_EQ(reply.newCookies, "stale");
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(headers, "X: 1");
}

TEST_F(HttpRequestTest, CallersHandleReusesTheConnection) {
  HttpRequestParams params;
  params.url = site().HttpUrl("/fx/port");
  HttpRequestObject handle;
  params.requestObject = &handle;
  const std::string first = HttpRequest(params);
  const std::string again = HttpRequest(params);
  EXPECT_FALSE(first.empty());
  EXPECT_EQ(first, again);

  // The handle keeps no setting of an earlier request.
  params.url = site().FaultUrl("/echo");
  params.method = 2;
  HttpRequest(params);
  params.method = 0;
  EXPECT_THAT(HttpRequest(params), HasSubstr("GET /echo HTTP/1.1\r\n"));

  params.requestObject = nullptr;
  params.url = site().HttpUrl("/fx/port");
  EXPECT_NE(HttpRequest(params), HttpRequest(params));
}

// ---- Proxy --------------------------------------------------------------

TEST_F(HttpRequestTest, ProxyGetsCredentialsOnlyWhenAllAreGiven) {
  struct Case {
    std::string user, password;
    int proxyAuth;
    bool sent;
  } cases[] = {{"", "pass", 1, false},
               {"user", "pass", 1, true},
               {"user", "pass", 2, false},
               {"user", "pass", 0, false}};
  for (const Case& c : cases) {
    HttpRequestParams params;
    params.url = "http://site.invalid/echo";
    params.proxy = "127.0.0.1:" + std::to_string(site().FaultPort());
    params.proxyUser = c.user;
    params.proxyPassword = c.password;
    params.proxyAuth = c.proxyAuth;
    std::vector<std::string> head = HeadLines(HttpRequest(params));
    ASSERT_FALSE(head.empty());
    EXPECT_EQ(head[0], "GET http://site.invalid/echo HTTP/1.1");
    const std::string credentials =
        "Proxy-Authorization: Basic dXNlcjpwYXNz";  // user:pass
    EXPECT_EQ(std::count(head.begin(), head.end(), credentials), c.sent ? 1 : 0)
        << c.user << " " << c.proxyAuth;
  }
}

TEST_F(HttpRequestTest, ProxySettingsOfTheEnvironmentAreIgnored) {
  const std::string proxy = "127.0.0.1:" + std::to_string(site().FaultPort());
  setenv("http_proxy", ("http://" + proxy).c_str(), 1);
  setenv("ALL_PROXY", ("http://" + proxy).c_str(), 1);
  setenv("no_proxy", "*", 1);
  Reply direct = Fetch(site().HttpUrl("/fx/target"));
  HttpRequestParams params;
  params.url = "http://site.invalid/echo";
  params.proxy = proxy;
  Reply proxied = Fetch(params);
  unsetenv("http_proxy");
  unsetenv("ALL_PROXY");
  unsetenv("no_proxy");
  EXPECT_EQ(direct.body, "redirect target\n");
  EXPECT_EQ(proxied.status, 200);
  EXPECT_THAT(proxied.body, HasSubstr("GET http://site.invalid/echo "));
}

TEST_F(HttpRequestTest, HttpsThroughProxyTunnelsWithCredentials) {
  HttpRequestParams params;
  params.url = site().HttpsUrl("/fx/target");
  params.proxy = "127.0.0.1:" + std::to_string(site().FaultPort());
  params.proxyUser = "user";
  params.proxyPassword = "";
  Reply reply = Fetch(params);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "redirect target\n");
  EXPECT_THAT(reply.headers, Not(HasSubstr("established")));
  std::vector<std::string> head = LastHead();
  ASSERT_FALSE(head.empty());
  EXPECT_EQ(head[0], "CONNECT 127.0.0.1:" + std::to_string(site().HttpsPort()) +
                         " HTTP/1.1");
  EXPECT_THAT(head, ::testing::Contains("Proxy-Authorization: Basic dXNlcjo="));
}

}  // namespace
}  // namespace dw
