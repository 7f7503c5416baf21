#include "app/desktop/single_instance.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

namespace dw {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kRaise[] = "raise\n";
constexpr auto kRetryPause = std::chrono::milliseconds(50);
// A first instance whose lock cannot be removed is alive: it gets this
// much longer to start answering before this start gives up.
constexpr auto kLiveOwnerWait = std::chrono::seconds(10);

// The database's path with links resolved: one file, one lock, one
// channel, however it was named.
std::string Resolved(const std::string& path) {
  std::error_code ec;
  fs::path resolved = fs::weakly_canonical(fs::absolute(path, ec), ec);
  return ec ? path : resolved.string();
}

// A folder for the socket that no other user can reach: the runtime folder
// the session gives (XDG_RUNTIME_DIR), or one of our own in the temporary
// folder. Either must be a real folder of ours that only we can enter;
// empty when there is none, and then no socket is made or talked to.
QString SocketFolder() {
  std::string folder;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
      runtime && *runtime) {
    folder = runtime;
  } else {
    folder = QFile::encodeName(QDir::tempPath()).toStdString() +
             "/dealwatcher-" + std::to_string(::geteuid());
    ::mkdir(folder.c_str(), 0700);
  }
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
      st.st_uid != ::geteuid() || (st.st_mode & 077) != 0) {
    return QString();
  }
  return QFile::decodeName(folder.c_str());
}

// Files made while it lives are the user's alone (the lock file's mode is
// not ours to choose otherwise). Only before any thread starts.
class PrivateFiles {
 public:
  PrivateFiles() : old_(::umask(077)) {}
  ~PrivateFiles() { ::umask(old_); }

 private:
  mode_t old_;
};

std::string Owner(const QLockFile& lock) {
  qint64 pid = 0;
  QString host, application;
  if (!lock.getLockInfo(&pid, &host, &application)) return "unknown owner";
  return "process " + std::to_string(pid) + " on " + host.toStdString();
}

}  // namespace

// Plain sockets: this runs before any application object exists, where
// Qt's sockets have no event dispatcher to wait with.
bool AskToRaise(const QString& socket_path) {
  const QByteArray path = QFile::encodeName(socket_path);
  sockaddr_un address{};
  if (path.isEmpty() ||
      static_cast<std::size_t>(path.size()) >= sizeof(address.sun_path)) {
    return false;
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.constData(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool sent = ::connect(fd, reinterpret_cast<const sockaddr*>(&address),
                        sizeof(address)) == 0;
  // Only our own program is asked: a socket another user put there is not.
  ucred peer{};
  socklen_t size = sizeof(peer);
  sent = sent && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == ::geteuid();
  if (sent) {
    sent = ::send(fd, kRaise, sizeof(kRaise) - 1, MSG_NOSIGNAL) ==
           static_cast<ssize_t>(sizeof(kRaise) - 1);
  }
  ::close(fd);
  return sent;
}

QString InstanceKey(const std::string& database_path) {
  const QByteArray hash = QCryptographicHash::hash(
      QByteArray::fromStdString(Resolved(database_path)),
      QCryptographicHash::Sha256);
  return QStringLiteral("dealwatcher-") +
         QString::fromLatin1(hash.toHex().left(32));
}

SingleInstance::SingleInstance(const std::string& database_path,
                               std::chrono::milliseconds patience)
    : database_path_(database_path),
      patience_(patience),
      lock_(QFile::decodeName(
          QByteArray::fromStdString(Resolved(database_path) + ".lock"))) {
  // Stale only when its process is gone, never by age: a watcher runs for
  // days.
  lock_.setStaleLockTime(0);
  // By full path in a folder of the user's own: a bare name would land in
  // TMPDIR, which differs between programs that start us, and where any
  // user could take the name first.
  const QString folder = SocketFolder();
  if (!folder.isEmpty()) {
    socket_path_ = folder + QLatin1Char('/') + InstanceKey(database_path);
  }
}

SingleInstance::~SingleInstance() {
  if (server_) server_->close();
}

SingleInstance::Claim SingleInstance::TakeOver() {
  const std::string lock_path =
      QFile::encodeName(lock_.fileName()).toStdString();
  // A link in the lock's place is nobody's lock: it is not followed, and
  // nothing is started on a database whose guard it stands in for.
  std::error_code ignored;
  if (fs::is_symlink(fs::symlink_status(lock_path, ignored))) {
    return {Outcome::kBlocked,
            "the lock " + lock_path +
                " is a symbolic link, which is not followed; not starting "
                "(remove it if no other start of the program runs there)"};
  }
  const PrivateFiles private_files;
  const bool lock_was_there = QFile::exists(lock_.fileName());
  const auto deadline = Clock::now() + patience_;
  while (true) {
    if (lock_.tryLock(0)) {
      if (!lock_was_there) return {Outcome::kFirst, std::string()};
      return {Outcome::kFirst, "took over the lock " + lock_path +
                                   " left by a process that has ended"};
    }
    if (lock_.error() != QLockFile::LockFailedError) {
      return {Outcome::kUnguarded,
              "cannot write the lock " + lock_path +
                  "; running without the one-instance guard"};
    }
    if (AskToRaise(socket_path_)) {
      return {Outcome::kHandedOver,
              "already running on " + database_path_ + " (" + Owner(lock_) +
                  "); its window was brought to the front"};
    }
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(kRetryPause);
  }
  // Held and nobody answers: the owner ran under another host name (a
  // recreated container) or ended without a trace. A live owner keeps its
  // lock file locked, so this removal fails for it.
  const std::string owner = Owner(lock_);
  if (lock_.removeStaleLockFile() && lock_.tryLock(0)) {
    return {Outcome::kFirst, "took over the lock " + lock_path + " of " +
                                 owner + ", which did not answer"};
  }
  const auto give_up = Clock::now() + kLiveOwnerWait;
  while (Clock::now() < give_up) {
    if (AskToRaise(socket_path_)) {
      return {Outcome::kHandedOver,
              "already running on " + database_path_ + " (" + owner +
                  "); its window was brought to the front"};
    }
    std::this_thread::sleep_for(kRetryPause);
  }
  return {Outcome::kBlocked, owner + " holds the lock " + lock_path +
                                 " but does not answer; not starting"};
}

bool SingleInstance::Listen() {
  if (socket_path_.isEmpty()) return false;
  // No socket options: with them the server is bound elsewhere and renamed
  // into place, replacing whatever socket stood there. The folder already
  // keeps other users out.
  server_ = std::make_unique<QLocalServer>();
  // Holding the lock, any socket at this path was left by an ended owner;
  // without it, the socket may be a running owner's.
  if (lock_.isLocked()) QLocalServer::removeServer(socket_path_);
  if (!server_->listen(socket_path_)) return false;
  connect(server_.get(), &QLocalServer::newConnection, this,
          &SingleInstance::OnConnection);
  return true;
}

void SingleInstance::OnConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    // The request may arrive whole before the socket is seen, or later.
    auto read = [this, socket] {
      if (socket->canReadLine() && socket->readLine() == QByteArray(kRaise)) {
        emit RaiseRequested();
        socket->disconnectFromServer();
      }
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    read();
  }
}

}  // namespace dw
