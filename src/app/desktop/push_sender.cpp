#include "app/desktop/push_sender.h"

#include <QMetaObject>
#include <QUrl>
#include <algorithm>
#include <chrono>

#include "net/http_request.h"
#include "runtime/ui/ui_ops.h"

namespace dw {

bool IsPushAddress(const QString& address) {
  return WebUrl(address.trimmed(), QUrl::StrictMode).isValid();
}

std::string PushFormBody(const PushForm& form) {
  QByteArray body;
  for (const auto& [name, value] : form) {
    if (!body.isEmpty()) body += '&';
    body +=
        QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
  }
  return body.toStdString();
}

PushSender::PushSender(QObject* parent) : QObject(parent) {}

PushSender::~PushSender() {
  for (ThreadHandle& send : sends_) EndThread(send);
  for (ThreadHandle& send : sends_) JoinThread(send);
}

bool PushSender::Send(const QString& address, const PushForm& form) {
  if (!IsPushAddress(address)) {
    emit Finished(address,
                  QString::fromUtf8("推送地址不是 http(s) 地址：") + address);
    return false;
  }
  std::erase_if(sends_,
                [](const ThreadHandle& send) { return ThreadFinished(send); });
  HttpRequestParams params;
  params.url = address.trimmed().toStdString();
  params.method = 1;
  params.bodyBytes = PushFormBody(form);
  params.timeoutSeconds = kTimeoutSeconds;
  // A peer that drips its answer never falls silent long enough for the
  // phases' own time-outs: the whole push has one.
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(kTimeoutSeconds);
  params.cancelRequested = [deadline] {
    return std::chrono::steady_clock::now() >= deadline;
  };
  ThreadHandle send;
  // The thread may use `this`: the destructor waits for it.
  const bool started = StartThread(
      [this, params = std::move(params), address] {
        int status = 0;
        bool sent = false;
        HttpRequestParams request = params;
        request.status = &status;
        request.requestSent = &sent;
        HttpRequest(request);
        if (StopRequested()) return;  // the program is ending
        QString problem;
        if (status == 0 && sent) {
          // The push may well have arrived: sending it again could make two.
          problem = QString::fromUtf8("推送已送出，但服务器 %1 秒内没有答完")
                        .arg(kTimeoutSeconds);
        } else if (status == 0) {
          problem = QString::fromUtf8("推送没有应答");
        } else if (status < 200 || status > 299) {
          problem = QString::fromUtf8("推送被拒绝，HTTP 状态 %1").arg(status);
        }
        QMetaObject::invokeMethod(
            this, [this, address, problem] { emit Finished(address, problem); },
            Qt::QueuedConnection);
      },
      &send);
  if (!started) {
    emit Finished(address, QString::fromUtf8("无法开始推送"));
    return false;
  }
  sends_.push_back(std::move(send));
  return true;
}

}  // namespace dw
