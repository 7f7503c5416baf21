#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace dw {

// The places where the database may stand, as full file paths.
struct DataPlaces {
  std::string beside_program;      // portable: qel6.sdb beside the executable
  std::string per_user;            // $XDG_DATA_HOME/dealwatcher/qel6.sdb
  std::string installed_template;  // <prefix>/share/dealwatcher/qel6.sdb
};

enum class DataChoice {
  kPortable,       // the file beside the executable
  kPerUser,        // the user's own file, already there
  kCreatePerUser,  // the user's file, to be copied from the template first
  kNone,           // no database anywhere: start-up cannot go on
};

// Whether something stands at a path (any kind of file, as FileExists).
using FileProbe = std::function<bool(const std::string& path)>;

// Which database to use. A file beside the executable wins, so a folder
// carried around on a stick keeps its data with it; otherwise the user's
// own file, made from the installed template the first time.
DataChoice ChooseDatabase(const DataPlaces& places, const FileProbe& exists);

// The path a choice stands for; empty for kNone.
std::string ChosenPath(DataChoice choice, const DataPlaces& places);

// The places in the order they are looked at, as start-up names them when
// it finds none.
std::vector<std::string> LookedAt(const DataPlaces& places);

// The places for a program in `program_directory`: the template is found
// relative to the executable, as installed (and as laid out in the build
// tree); the user's folder comes from XDG_DATA_HOME (~/.local/share).
DataPlaces FindDataPlaces(const std::string& program_directory);

// Makes the folder and any missing folder above it, each readable by the
// user alone (0700); folders already there keep their modes.
bool MakePrivateFolders(const std::string& folder, std::error_code& error);

// How a finished copy gets its final name: the rename that refuses to
// replace, falling back to a hard link where the file system lacks it; or
// the hard link alone.
enum class RenameWay { kRename, kHardLink };

// Gives `from` the name `to` unless something stands there already, even
// something that appeared a moment ago (a tool or a second start copying at
// once): 0, or the errno (EEXIST then, with both files left as they were).
int RenameNoReplace(const std::string& from, const std::string& to,
                    RenameWay way = RenameWay::kRename);

// Copies the template to `target`: written whole to a temporary file of its
// own beside it (mode 0600) and renamed into place, so a crash never leaves
// half a database. An existing `target` is never replaced, not even by a
// copy made at the same moment. Missing folders are made with
// MakePrivateFolders. False, with the reason in `error`, when the copy
// could not be made.
bool CreateFromTemplate(const std::string& template_path,
                        const std::string& target, std::string* error);

// The database the program uses when none is named on the command line;
// the user's copy is made from the template on first use. Empty when there
// is none anywhere.
std::string DefaultDatabasePath();

}  // namespace dw
