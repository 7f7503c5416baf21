#include "app/desktop/data_location.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
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

std::error_code LastError() {
  return std::error_code(errno, std::generic_category());
}

// Copies the template into the open file and pushes its bytes to the disk
// before it gets its final name: a rename of a file whose data is still in
// the cache can leave an empty file after a power cut.
std::error_code CopyInto(const std::string& template_path, int out) {
  const int in = ::open(template_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return LastError();
  char buffer[1 << 16];
  std::error_code error;
  for (;;) {
    const ssize_t got = ::read(in, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error = LastError();
    if (got <= 0) break;
    for (ssize_t done = 0; done < got && !error;) {
      const ssize_t put = ::write(out, buffer + done, got - done);
      if (put < 0 && errno != EINTR) error = LastError();
      if (put > 0) done += put;
    }
    if (error) break;
  }
  ::close(in);
  if (!error && ::fsync(out) != 0) error = LastError();
  return error;
}

}  // namespace

int RenameNoReplace(const std::string& from, const std::string& to,
                    RenameWay way) {
  if (way == RenameWay::kRename &&
      ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                  RENAME_NOREPLACE) == 0) {
    return 0;
  }
  // File systems without the no-replace rename get a hard link, which never
  // replaces either.
  if (way == RenameWay::kRename && errno != EINVAL && errno != ENOSYS) {
    return errno;
  }
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

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

bool MakePrivateFolders(const std::string& folder, std::error_code& error) {
  error.clear();
  fs::path made;
  for (const fs::path& part : fs::path(folder)) {
    made /= part;
    if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
      error = LastError();
      return false;
    }
  }
  if (!fs::is_directory(folder, error) && !error) {
    error = std::make_error_code(std::errc::not_a_directory);
  }
  return !error;
}

bool CreateFromTemplate(const std::string& template_path,
                        const std::string& target, std::string* error) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(target, ec))) return true;
  const std::string folder = fs::path(target).parent_path().string();
  const auto fail = [&](const std::string& what, const std::error_code& code) {
    if (error) *error = what + ": " + code.message();
    return false;
  };
  if (!MakePrivateFolders(folder, ec)) return fail(folder, ec);
  // A name of its own, made readable by the user alone: two copies made at
  // once (the program and a tool) never write into one file.
  std::string part = target + ".XXXXXX";
  const int out = ::mkostemp(part.data(), O_CLOEXEC);
  if (out < 0) return fail(folder, LastError());
  ec = CopyInto(template_path, out);
  ::close(out);
  int rename_error = 0;
  if (!ec) rename_error = RenameNoReplace(part, target);
  if (ec || rename_error != 0) ::unlink(part.c_str());
  if (ec) return fail(template_path, ec);
  if (rename_error == EEXIST) return true;  // made by someone else: theirs
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
