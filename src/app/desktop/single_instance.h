#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <string>

namespace dw {

// The channel's name for a database: a hash of its path with links
// resolved, so two spellings of one file meet on one channel.
QString InstanceKey(const std::string& database_path);

// Asks the program listening at `socket_path` to bring its window to the
// front. Only a listener running as this user is asked: false, with nothing
// sent, for a socket another user listens on, or when none answers.
bool AskToRaise(const QString& socket_path);

// One watcher per database. The lock file beside the database says who
// runs; a local socket named after the database lets a later start ask
// the running one to bring its window to the front.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Outcome {
    kFirst,       // this process runs the database
    kHandedOver,  // another one runs it and was asked to come to the front
    kUnguarded,   // no lock could be made here: runs without the guard
    kBlocked,     // another one holds the lock and never answered
  };

  struct Claim {
    Outcome outcome;
    std::string note;  // what happened, for one line on standard error
  };

  // `patience`: how long a held lock's owner may take to answer before the
  // lock is treated as left behind (the owner may still be starting).
  explicit SingleInstance(
      const std::string& database_path,
      std::chrono::milliseconds patience = std::chrono::milliseconds(1000));
  ~SingleInstance() override;

  // Takes the lock or hands over to its holder. Needs no application
  // object, so a second start ends before it connects to the display.
  Claim TakeOver();

  // With the event loop available: answers later starts. False when the
  // channel could not be opened (the lock still guards the database).
  bool Listen();

  QString SocketPath() const { return socket_path_; }

 signals:
  void RaiseRequested();

 private:
  void OnConnection();

  std::string database_path_;
  std::chrono::milliseconds patience_;
  QString socket_path_;
  QLockFile lock_;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace dw
