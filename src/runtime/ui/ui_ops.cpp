#include "runtime/ui/ui_ops.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <chrono>
#include <thread>

#include "runtime/ui/message_box_style.h"
#include "runtime/ui/qt_text.h"
#include "runtime/web_address.h"

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

void BringToFront(QWidget* window) {
  window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

QUrl WebUrl(const QString& address, QUrl::ParsingMode mode) {
  if (!IsHttpAddress(address.toStdString())) return QUrl();
  const QUrl url(address, mode);
  if (!url.isValid() || url.host().isEmpty()) return QUrl();
  return url;
}

bool IsWebAddress(const std::string& address) {
  return WebUrl(GbkToQString(address)).isValid();
}

namespace {

constexpr char kOpener[] = "xdg-open";
constexpr int kOpenerCheckMs = 100;

// Starts the desktop's opener on `url`, its output dropped; 0 when it could
// not be started.
pid_t StartOpener(const QByteArray& url) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null",
                                   O_WRONLY, 0);
  std::string program = kOpener;
  std::string argument = url.toStdString();
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  const int failed =
      posix_spawnp(&pid, kOpener, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed ? 0 : pid;
}

// Looks at the opener now and then without ever waiting for it: a browser
// started in its place may run for hours.
void WatchOpener(pid_t pid, std::function<void(int)> opener_failed) {
  auto* timer = new QTimer(QCoreApplication::instance());
  QObject::connect(timer, &QTimer::timeout, timer,
                   [timer, pid, opener_failed = std::move(opener_failed)] {
                     int status = 0;
                     const pid_t done = waitpid(pid, &status, WNOHANG);
                     if (done == 0) return;
                     timer->deleteLater();
                     timer->stop();
                     if (done < 0 || !WIFEXITED(status)) return;
                     if (WEXITSTATUS(status) != 0 && opener_failed) {
                       opener_failed(WEXITSTATUS(status));
                     }
                   });
  timer->start(kOpenerCheckMs);
}

}  // namespace

bool OpenWebAddress(const std::string& address) {
  return OpenWebAddressWatched(address, {});
}

bool OpenWebAddressWatched(const std::string& address,
                           std::function<void(int exit_status)> opener_failed) {
  const QUrl url = WebUrl(GbkToQString(address));
  if (!url.isValid()) return false;
  if (QCoreApplication::instance() &&
      !QStandardPaths::findExecutable(kOpener).isEmpty()) {
    const pid_t pid = StartOpener(url.toEncoded());
    if (pid > 0) {
      WatchOpener(pid, std::move(opener_failed));
      return true;
    }
  }
  return QDesktopServices::openUrl(url);
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
