#include "app/desktop/data_location.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "runtime/system.h"

#ifndef DW_DATA_FROM_BIN
#define DW_DATA_FROM_BIN "../share/dealwatcher"
#endif

namespace dw {
namespace {

namespace fs = std::filesystem;

constexpr char kDatabaseName[] = "qel6.sdb";
constexpr char kDataFolder[] = "dealwatcher";

// Pushes the file's bytes to the disk before it gets its final name: a
// rename of a file whose data is still in the cache can leave an empty file
// after a power cut.
bool SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

// Renames without replacing what may have appeared at `to` meanwhile (a
// tool run at the same moment). File systems without the no-replace form
// get the plain rename.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                  RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) return errno;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

DataChoice ChooseDatabase(const DataPlaces& places, const FileProbe& exists) {
  if (exists(places.beside_program)) return DataChoice::kPortable;
  if (exists(places.per_user)) return DataChoice::kPerUser;
  if (!places.per_user.empty() && exists(places.installed_template)) {
    return DataChoice::kCreatePerUser;
  }
  return DataChoice::kNone;
}

std::string ChosenPath(DataChoice choice, const DataPlaces& places) {
  switch (choice) {
    case DataChoice::kPortable:
      return places.beside_program;
    case DataChoice::kPerUser:
    case DataChoice::kCreatePerUser:
      return places.per_user;
    case DataChoice::kNone:
      break;
  }
  return std::string();
}

std::vector<std::string> LookedAt(const DataPlaces& places) {
  std::vector<std::string> looked;
  for (const std::string* place :
       {&places.beside_program, &places.per_user, &places.installed_template}) {
    if (!place->empty()) looked.push_back(*place);
  }
  return looked;
}

DataPlaces FindDataPlaces(const std::string& program_directory) {
  DataPlaces places;
  if (!program_directory.empty()) {
    const fs::path program(program_directory);
    places.beside_program = (program / kDatabaseName).string();
    places.installed_template = (program / DW_DATA_FROM_BIN / kDatabaseName)
                                    .lexically_normal()
                                    .string();
  }
  // The generic location, not the application's: no organisation or
  // application name set later can move the user's data.
  const QString data_home =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (!data_home.isEmpty()) {
    places.per_user = (fs::path(QFile::encodeName(data_home).toStdString()) /
                       kDataFolder / kDatabaseName)
                          .string();
  }
  return places;
}

bool CreateFromTemplate(const std::string& template_path,
                        const std::string& target, std::string* error) {
  std::error_code ec;
  if (fs::exists(target, ec)) return true;
  const std::string part = target + ".part";
  const auto fail = [&](const std::string& what, const std::error_code& code) {
    if (error) *error = what + ": " + code.message();
    fs::remove(part, ec);
    return false;
  };
  fs::create_directories(fs::path(target).parent_path(), ec);
  if (ec) return fail(fs::path(target).parent_path().string(), ec);
  fs::copy_file(template_path, part, fs::copy_options::overwrite_existing, ec);
  if (ec) return fail(template_path, ec);
  // The template may be installed read-only; the user's copy is written to.
  fs::permissions(part, fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::add, ec);
  if (!SyncFile(part)) {
    return fail(part, std::error_code(errno, std::generic_category()));
  }
  const int rename_error = RenameNoReplace(part, target);
  if (rename_error == EEXIST) {
    fs::remove(part, ec);  // made by someone else meanwhile: theirs stays
    return true;
  }
  if (rename_error != 0) {
    return fail(target, std::error_code(rename_error, std::generic_category()));
  }
  return true;
}

std::string DefaultDatabasePath() {
  const DataPlaces places = FindDataPlaces(ProgramDirectory());
  const DataChoice choice = ChooseDatabase(places, FileExists);
  if (choice == DataChoice::kCreatePerUser &&
      !CreateFromTemplate(places.installed_template, places.per_user,
                          nullptr)) {
    return std::string();
  }
  return ChosenPath(choice, places);
}

}  // namespace dw
