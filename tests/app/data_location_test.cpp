#include "app/data_location.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "runtime/system.h"
#include "runtime/temp_dir.h"

namespace dw {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;

// An installed tree (prefix/bin, prefix/share/dealwatcher) and a home.
struct Tree {
  TempDir dir;
  DataPlaces places{dir.File("prefix/bin/qel6.sdb"),
                    dir.File("home/.local/share/dealwatcher/qel6.sdb"),
                    dir.File("prefix/share/dealwatcher/qel6.sdb")};
  void Put(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
};

TEST(ChooseDatabase, PortableFirstThenTheUsersOwnMadeFromTheTemplate) {
  struct Case {
    const char* name;
    bool beside, per_user, installed;
    DataChoice choice;
    const char* used;  // which file the program then opens, or ""
  } cases[] = {
      {"portable wins", true, true, true, DataChoice::kPortable, "beside"},
      {"per-user exists", false, true, true, DataChoice::kPerUser, "user"},
      {"per-user without a template", false, true, false, DataChoice::kPerUser,
       "user"},
      {"per-user created", false, false, true, DataChoice::kCreatePerUser,
       "template"},
      {"neither", false, false, false, DataChoice::kNone, ""},
  };
  for (const Case& c : cases) {
    Tree tree;
    if (c.beside) tree.Put(tree.places.beside_program, "beside");
    if (c.per_user) tree.Put(tree.places.per_user, "user");
    if (c.installed) tree.Put(tree.places.installed_template, "template");
    const DataChoice choice = ChooseDatabase(tree.places, FileExists);
    EXPECT_EQ(choice, c.choice) << c.name;
    const std::string path = ChosenPath(choice, tree.places);
    if (choice == DataChoice::kCreatePerUser) {
      std::string error;
      ASSERT_TRUE(
          CreateFromTemplate(tree.places.installed_template, path, &error))
          << error;
      EXPECT_FALSE(fs::exists(path + ".part")) << c.name;
      EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_write,
                fs::perms::none);
    }
    EXPECT_EQ(path.empty() ? "" : ReadFile(path), c.used) << c.name;
  }
}

TEST(CreateFromTemplate, NeverReplacesAndFailsWithAReasonLeavingNothing) {
  Tree tree;
  const std::string& target = tree.places.per_user;
  tree.Put(tree.places.installed_template, "template");
  ::chmod(tree.places.installed_template.c_str(), 0444);  // installed so
  tree.Put(target, "the user's posts");
  std::string error;
  EXPECT_TRUE(
      CreateFromTemplate(tree.places.installed_template, target, &error));
  EXPECT_EQ(ReadFile(target), "the user's posts");

  fs::remove(target);
  EXPECT_FALSE(
      CreateFromTemplate(tree.dir.File("missing.sdb"), target, &error));
  EXPECT_NE(error.find("missing.sdb"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_empty(fs::path(target).parent_path()));  // no .part

  EXPECT_TRUE(
      CreateFromTemplate(tree.places.installed_template, target, &error));
  EXPECT_EQ(ReadFile(target), "template");
}

}  // namespace
}  // namespace dw
