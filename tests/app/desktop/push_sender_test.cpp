#include "app/desktop/push_sender.h"

#include <gtest/gtest.h>

#include "app/desktop/recording_push_server.h"
#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

TEST(PushSender, SendsTheFormOnceAndSaysWhatWentWrong) {
  using test::RecordingPushServer;
  test::App();
  struct Case {
    int status;  // 0: nobody listens; -1: says nothing; -2: drips forever
    const char* problem;
  } cases[] = {{200, ""},
               {500, "推送被拒绝，HTTP 状态 500"},
               {0, "推送没有应答"},
               {-1, "推送已送出，但服务器 5 秒内没有答完"},
               {-2, "推送已送出，但服务器 5 秒内没有答完"}};
  for (const Case& c : cases) {
    RecordingPushServer site(c.status);
    const QString address = site.Address();
    if (c.status == 0) site.Close();
    PushSender sender;
    std::vector<QString> problems;
    QObject::connect(&sender, &PushSender::Finished,
                     [&](const QString&, const QString& problem) {
                       problems.push_back(problem);
                     });
    EXPECT_TRUE(sender.Send(address, {{"title", QString::fromUtf8("2 条 a&b")},
                                      {"desp", "x=1\ny"}}));
    ASSERT_TRUE(test::WaitUntil([&] { return !problems.empty(); }, 15000));
    EXPECT_EQ(problems, std::vector<QString>{QString::fromUtf8(c.problem)});
    if (c.status == 0) continue;
    ASSERT_EQ(site.requests.size(), 1u);
    const QByteArray& got = site.requests[0];
    EXPECT_TRUE(got.startsWith("POST /send/key HTTP/1.1"));
    EXPECT_TRUE(
        got.contains("Content-Type: application/x-www-form-urlencoded"));
    const QUrlQuery form = RecordingPushServer::Form(got);
    EXPECT_EQ(form.queryItemValue("title", QUrl::FullyDecoded),
              QString::fromUtf8("2 条 a&b"));
  }
}

TEST(PushSender, OnlyHttpAddressesWithAHostAreSentTo) {
  test::App();
  for (const char* address : {"http://a.test/x", " https://a.test:8443/k?x=1 "})
    EXPECT_TRUE(IsPushAddress(address)) << address;
  for (const char* address : {"", "ftp://a.test/", "a.test/key", "http://",
                              "file:///etc/passwd", "javascript:alert(1)"})
    EXPECT_FALSE(IsPushAddress(address)) << address;
  PushSender sender;
  QString said;
  QObject::connect(
      &sender, &PushSender::Finished,
      [&](const QString&, const QString& problem) { said = problem; });
  EXPECT_FALSE(sender.Send("ftp://a.test/", {}));
  EXPECT_TRUE(said.startsWith(QString::fromUtf8("推送地址不是")));
}

}  // namespace
}  // namespace dw
