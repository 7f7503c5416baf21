#include "app/desktop/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QSysInfo>
#include <cstring>
#include <filesystem>
#include <thread>

#include "runtime/temp_dir.h"
#include "runtime/ui/qt_app.h"

namespace dw {
namespace {

namespace fs = std::filesystem;
using Outcome = SingleInstance::Outcome;
using namespace std::chrono_literals;

TEST(SingleInstance, LeftLocksAreTakenOverAndALiveOwnerIsAskedToRaise) {
  test::App();
  struct Case {
    const char* name;
    std::string lock;  // what a lock file left beside the database says
    const char* note;  // part of the line printed, "" for none
  } cases[] = {
      {"no lock", "", ""},
      {"killed owner",  // a process id beyond any the system gives
       "2147483647\ndealwatcher\n" + QSysInfo::machineHostName().toStdString() +
           "\n",
       "has ended"},
      {"owner under another host name",
       std::to_string(::getpid()) + "\ndealwatcher\nold-container\n",
       "did not answer"},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    const std::string database = dir.Write("qel6.sdb", "");
    if (!c.lock.empty()) dir.Write("qel6.sdb.lock", c.lock);
    SingleInstance first(database, 200ms);
    const SingleInstance::Claim claim = first.TakeOver();
    EXPECT_EQ(claim.outcome, Outcome::kFirst) << c.name;
    EXPECT_NE(claim.note.find(c.note), std::string::npos)
        << c.name << ": " << claim.note;
    ASSERT_TRUE(first.Listen()) << c.name;

    // A later start on the same file, named through a link, hands over.
    fs::create_symlink(database, dir.File("link.sdb"));
    QSignalSpy raised(&first, &SingleInstance::RaiseRequested);
    SingleInstance second(dir.File("link.sdb"), 200ms);
    const SingleInstance::Claim handed = second.TakeOver();
    EXPECT_EQ(handed.outcome, Outcome::kHandedOver) << c.name;
    EXPECT_TRUE(raised.wait(5000)) << c.name;
  }
}

// The lock is the user's alone and a clean end leaves neither it nor the
// socket; a start without the lock never takes the owner's socket away; a
// link in the lock's place stops a start at once, unfollowed.
TEST(SingleInstance, PrivateLockNothingLeftAndNoLinkFollowed) {
  test::App();
  testing::TempDir dir;
  const std::string database = dir.Write("qel6.sdb", "");
  std::string socket;
  {
    SingleInstance first(database, 50ms);
    ASSERT_EQ(first.TakeOver().outcome, Outcome::kFirst);
    EXPECT_EQ(fs::status(database + ".lock").permissions(), fs::perms(0600));
    ASSERT_TRUE(first.Listen());
    socket = first.SocketPath().toStdString();
    SingleInstance unguarded(database, 50ms);
    EXPECT_FALSE(unguarded.Listen());
    EXPECT_TRUE(fs::exists(socket));
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(database + ".lock")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(socket)));

  fs::create_symlink(dir.File("target"), database + ".lock");
  SingleInstance linked(database, 50ms);
  const SingleInstance::Claim claim = linked.TakeOver();
  EXPECT_EQ(claim.outcome, Outcome::kBlocked);
  EXPECT_NE(claim.note.find("symbolic link"), std::string::npos) << claim.note;
  EXPECT_FALSE(fs::exists(dir.File("target")));
}

// The socket lives only in a folder that is the user's and closed to
// others: the session's runtime folder, or one of our own in TMPDIR.
TEST(SingleInstance, TheSocketFolderIsTheUsersAlone) {
  test::App();
  const std::string saved_runtime = qgetenv("XDG_RUNTIME_DIR").toStdString();
  const std::string saved_tmp = qgetenv("TMPDIR").toStdString();
  constexpr uid_t kOther = 65534;
  struct Case {
    const char* name;
    bool session;      // XDG_RUNTIME_DIR names the folder
    bool made_before;  // the folder was there before the start
    int mode;
    bool others;  // owned by another user
    bool usable;
  } cases[] = {
      {"session folder", true, true, 0700, false, true},
      {"session folder open to all", true, true, 0755, false, false},
      {"session folder of another user", true, true, 0700, true, false},
      {"our own folder, made", false, false, 0, false, true},
      {"our own folder, taken first", false, true, 0700, true, false},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    const std::string database = dir.Write("qel6.sdb", "");
    const std::string folder =
        c.session ? dir.File("run")
                  : dir.File("dealwatcher-" + std::to_string(::geteuid()));
    if (c.made_before) {
      fs::create_directory(folder);
      fs::permissions(folder, fs::perms(c.mode));
      if (c.others && ::chown(folder.c_str(), kOther, kOther) != 0) continue;
    }
    qputenv("XDG_RUNTIME_DIR", c.session ? folder.c_str() : "");
    qputenv("TMPDIR", dir.File("").c_str());
    SingleInstance instance(database, 50ms);
    qputenv("TMPDIR", saved_tmp.empty() ? "/tmp" : saved_tmp.c_str());
    EXPECT_EQ(instance.SocketPath().startsWith(QString::fromStdString(folder)),
              c.usable)
        << c.name;
    EXPECT_EQ(instance.Listen(), c.usable) << c.name;
    if (c.usable) {
      EXPECT_EQ(fs::status(folder).permissions(), fs::perms(0700)) << c.name;
    }
  }
  for (const auto& [name, value] : {std::pair{"XDG_RUNTIME_DIR", saved_runtime},
                                    std::pair{"TMPDIR", saved_tmp}}) {
    if (value.empty()) {
      qunsetenv(name);
    } else {
      qputenv(name, value.c_str());
    }
  }
}

// A later start asks only a listener of its own user: one another user runs
// at the socket's path hears nothing. listen() records who listens, so the
// listener is made by a thread that alone takes that user's identity (the
// raw call changes one thread, not the process); that needs root.
TEST(AskToRaise, OnlyAListenerOfOurOwnUserIsAsked) {
  for (const uid_t uid : {::geteuid(), uid_t{65534}}) {
    testing::TempDir dir;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = dir.File("socket");
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address),
              0);
    bool listening = false;
    std::thread([&] {
      listening = (uid == ::geteuid() ||
                   ::syscall(SYS_setresuid, uid, uid, uid) == 0) &&
                  ::listen(fd, 1) == 0;
    }).join();
    if (!listening) GTEST_SKIP() << "cannot listen as user " << uid;
    const bool ours = uid == ::geteuid();
    EXPECT_EQ(AskToRaise(QString::fromStdString(path)), ours) << uid;
    char heard[16] = {};
    const int peer = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK);
    EXPECT_EQ(::recv(peer, heard, sizeof heard - 1, 0), ours ? 6 : 0) << uid;
    EXPECT_STREQ(heard, ours ? "raise\n" : "") << uid;
    ::close(peer);
    ::close(fd);
  }
}

}  // namespace
}  // namespace dw
