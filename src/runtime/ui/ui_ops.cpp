#include "runtime/ui/ui_ops.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <thread>

#include "runtime/ui/message_box_style.h"
#include "runtime/ui/qt_text.h"

namespace dw {
namespace {

QSize PrimaryScreenSize() {
  if (!qGuiApp) return QSize();
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize();
}

}  // namespace

bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return !app || QThread::currentThread() == app->thread();
}

void ProcessPendingEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

namespace {

// The address as a URL when it is a web address; an invalid URL otherwise.
QUrl WebUrl(const std::string& address) {
  const QString text = GbkToQString(address);
  if (!text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
      !text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
    return QUrl();
  }
  const QUrl url(text, QUrl::TolerantMode);
  if (!url.isValid() || url.host().isEmpty()) return QUrl();
  return url;
}

}  // namespace

bool IsWebAddress(const std::string& address) {
  return WebUrl(address).isValid();
}

bool OpenWebAddress(const std::string& address) {
  const QUrl url = WebUrl(address);
  return url.isValid() && QDesktopServices::openUrl(url);
}

int ScreenWidth() { return PrimaryScreenSize().width(); }
int ScreenHeight() { return PrimaryScreenSize().height(); }
int MouseX() { return qGuiApp ? QCursor::pos().x() : 0; }
int MouseY() { return qGuiApp ? QCursor::pos().y() : 0; }

int ShowMessageBox(const std::string& message, int style,
                   const std::optional<std::string>& caption, QWidget* owner) {
  const QString title =
      caption ? GbkToQString(*caption) : QString::fromUtf8("信息：");
  QMessageBox box(MessageBoxIcon(style), title, GbkToQString(message),
                  MessageBoxButtons(style), owner);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(MessageBoxDefaultButton(style));
  box.setWindowModality(Qt::ApplicationModal);
  const int pressed = box.exec();
  const int result =
      MessageBoxResult(static_cast<QMessageBox::StandardButton>(pressed));
  return result >= 0 ? result
                     : MessageBoxResult(MessageBoxDefaultButton(style));
}

void GuiDelay(int ms) {
  // Without an application there are no events to keep dispatching.
  if (!QCoreApplication::instance() || !OnGuiThread()) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  if (ms <= 0) {
    QCoreApplication::processEvents();
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

void JoinThreadDispatching(ThreadHandle& thread) {
  constexpr int kSliceMs = 20;
  while (!JoinThread(thread, kSliceMs)) ProcessPendingEvents();
}

}  // namespace dw
