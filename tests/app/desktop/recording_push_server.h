// A push address of the tests' own: keeps each request whole and answers
// it with the status asked for; -1 answers nothing, -2 starts an answer and
// drips it for ever.
#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <memory>
#include <vector>

namespace dw::test {

class RecordingPushServer {
 public:
  explicit RecordingPushServer(int status = 200) {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this, status] {
      QTcpSocket* peer = server_.nextPendingConnection();
      auto got = std::make_shared<QByteArray>();
      QObject::connect(peer, &QTcpSocket::readyRead, [this, peer, got, status] {
        *got += peer->readAll();
        const qsizetype head = got->indexOf("\r\n\r\n");
        const QByteArray length_field = "Content-Length: ";
        const qsizetype at = got->indexOf(length_field);
        if (head < 0 || at < 0) return;
        const int length =
            got->mid(at + length_field.size(), 12).split('\r')[0].toInt();
        if (got->size() < head + 4 + length) return;
        requests.push_back(*got);
        if (status == -1) return;
        if (status == -2) {
          peer->write("HTTP/1.1 200 X\r\nContent-Length: 99\r\n\r\n");
          auto* drip = new QTimer(peer);
          QObject::connect(drip, &QTimer::timeout, [peer] { peer->write("."); });
          drip->start(400);
          return;
        }
        peer->write("HTTP/1.1 " + QByteArray::number(status) +
                    " X\r\nContent-Length: 0\r\n\r\n");
        peer->disconnectFromHost();
      });
    });
  }
  QString Address(const char* path = "/send/key") const {
    return QString("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
  }
  void Close() { server_.close(); }
  // One request's form fields.
  static QUrlQuery Form(const QByteArray& request) {
    return QUrlQuery(
        QString::fromLatin1(request.mid(request.indexOf("\r\n\r\n") + 4)));
  }

  std::vector<QByteArray> requests;  // each whole, as it came

 private:
  QTcpServer server_;
};

}  // namespace dw::test
