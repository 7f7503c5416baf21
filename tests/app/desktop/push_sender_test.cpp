#include "app/desktop/push_sender.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QUrlQuery>

#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

// Answers every request with `status` and keeps what it was sent.
struct RecordingServer {
  explicit RecordingServer(int status) {
    server.listen(QHostAddress::LocalHost);
    QObject::connect(&server, &QTcpServer::newConnection, [this, status] {
      QTcpSocket* socket = server.nextPendingConnection();
      QObject::connect(socket, &QTcpSocket::readyRead, [this, socket, status] {
        received += socket->readAll();
        const int end = received.indexOf("\r\n\r\n");
        const QByteArray length = "Content-Length: ";
        const int at = received.indexOf(length);
        if (end < 0 || at < 0) return;
        const int size =
            received.mid(at + length.size()).split('\r')[0].toInt();
        if (received.size() < end + 4 + size) return;
        body = received.mid(end + 4);
        socket->write("HTTP/1.1 " + QByteArray::number(status) +
                      " X\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
      });
    });
  }
  QString Address() const {
    return QString("http://127.0.0.1:%1/send/key").arg(server.serverPort());
  }
  QTcpServer server;
  QByteArray received, body;
};

TEST(PushSender, SendsTheFormOnceAndSaysWhatWentWrong) {
  test::App();
  struct Case {
    int status;  // 0: nobody listens
    const char* problem;
  } cases[] = {
      {200, ""}, {500, "推送被拒绝，HTTP 状态 500"}, {0, "推送没有应答"}};
  for (const Case& c : cases) {
    RecordingServer site(c.status);
    QString address = site.Address();
    if (c.status == 0) site.server.close();
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
    EXPECT_TRUE(site.received.startsWith("POST /send/key HTTP/1.1"));
    EXPECT_TRUE(site.received.contains(
        "Content-Type: application/x-www-form-urlencoded"));
    const QUrlQuery form(QString::fromLatin1(site.body));
    EXPECT_EQ(form.queryItemValue("title", QUrl::FullyDecoded),
              QString::fromUtf8("2 条 a&b"));
    EXPECT_EQ(form.queryItemValue("desp", QUrl::FullyDecoded), "x=1\ny");
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
