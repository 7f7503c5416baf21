#include "app/desktop/data_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "runtime/system.h"
#include "runtime/temp_dir.h"

namespace dw {
namespace {

namespace fs = std::filesystem;

void Put(const std::string& path, const std::string& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  ::chmod(path.c_str(), 0444);  // as installed: the user's copy is writable
}

TEST(ChooseDatabase, PortableFirstThenTheUsersOwnMadeFromTheTemplate) {
  struct Case {
    const char* name;
    bool beside, per_user, installed;
    DataChoice choice;
    const char* used;  // what the program then opens, or ""
  } cases[] = {
      {"portable wins", true, true, true, DataChoice::kPortable, "beside"},
      {"per-user exists", false, true, true, DataChoice::kPerUser, "user"},
      {"per-user, no template", false, true, false, DataChoice::kPerUser,
       "user"},
      {"per-user created", false, false, true, DataChoice::kCreatePerUser,
       "template"},
      {"neither", false, false, false, DataChoice::kNone, ""},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;  // an installed tree and a home
    const DataPlaces places{dir.File("prefix/bin/qel6.sdb"),
                            dir.File("home/dealwatcher/qel6.sdb"),
                            dir.File("prefix/share/dealwatcher/qel6.sdb")};
    if (c.beside) Put(places.beside_program, "beside");
    if (c.per_user) Put(places.per_user, "user");
    if (c.installed) Put(places.installed_template, "template");
    const DataChoice choice = ChooseDatabase(places, FileExists);
    EXPECT_EQ(choice, c.choice) << c.name;
    const std::string path = ChosenPath(choice, places);
    std::string error;
    if (choice == DataChoice::kCreatePerUser) {
      ASSERT_TRUE(CreateFromTemplate(places.installed_template, path, &error));
      EXPECT_EQ(fs::directory_iterator(dir.File("home/dealwatcher"))->path(),
                path);  // and no temporary file beside it
      EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_write,
                fs::perms::none);
    }
    // A copy is never made over the user's file, and a failed one says why.
    const bool there = fs::exists(places.per_user);
    EXPECT_EQ(
        CreateFromTemplate(places.installed_template, places.per_user, &error),
        there || c.installed)
        << c.name;
    if (!there && !c.installed) {
      EXPECT_NE(error.find(places.installed_template), std::string::npos);
    }
    EXPECT_EQ(path.empty() ? "" : testing::ReadFile(path), c.used) << c.name;
  }
}

// The user's folder and copy are the user's alone; folders already there
// keep their modes, and a copy under way beside it (a tool's) is left be.
TEST(CreateFromTemplate, MakesPrivateFoldersAndFilesAndLeavesOtherCopies) {
  testing::TempDir dir;
  Put(dir.File("share/qel6.sdb"), "template");
  const std::string target = dir.File("data/dealwatcher/qel6.sdb");
  fs::create_directories(dir.File("data"));
  fs::permissions(dir.File("data"), fs::perms(0755));
  std::string error;
  ASSERT_TRUE(CreateFromTemplate(dir.File("share/qel6.sdb"), target, &error))
      << error;
  EXPECT_EQ(fs::status(dir.File("data")).permissions(), fs::perms(0755));
  EXPECT_EQ(fs::status(dir.File("data/dealwatcher")).permissions(),
            fs::perms(0700));
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0600));
  fs::remove(target);
  Put(target + ".part", "a tool's copy");
  ASSERT_TRUE(CreateFromTemplate(dir.File("share/qel6.sdb"), target, &error));
  EXPECT_EQ(testing::ReadFile(target), "template");
  EXPECT_EQ(testing::ReadFile(target + ".part"), "a tool's copy");
}

// Neither the rename nor its hard-link fallback takes the name of a file
// that appeared meanwhile.
TEST(RenameNoReplace, NeverReplacesAFileThatAppearedMeanwhile) {
  for (const RenameWay way : {RenameWay::kRename, RenameWay::kHardLink}) {
    for (const bool appeared : {false, true}) {
      testing::TempDir dir;
      const std::string from = dir.Write("qel6.sdb.part", "ours");
      if (appeared) dir.Write("qel6.sdb", "theirs");
      EXPECT_EQ(RenameNoReplace(from, dir.File("qel6.sdb"), way),
                appeared ? EEXIST : 0);
      EXPECT_EQ(testing::ReadFile(dir.File("qel6.sdb")),
                appeared ? "theirs" : "ours");
      EXPECT_EQ(fs::exists(from), appeared);
    }
  }
}

}  // namespace
}  // namespace dw
