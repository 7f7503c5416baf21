#include "app/desktop/single_instance.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QSysInfo>
#include <filesystem>

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

}  // namespace
}  // namespace dw
