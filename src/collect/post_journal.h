// The journal of waiting posts: a file of our own beside the database that
// holds, one line each, the posts the database refused, so that neither a
// kill nor a power cut loses them. It is written straight to the disk,
// private to the user and never through a symbolic link, and read back at
// the next start.
#pragma once

#include <string>
#include <vector>

#include "store/statements.h"

namespace dw {

// "qel6.waiting" beside "qel6.sdb"; empty for an empty path.
std::string JournalPathBeside(const std::string& database_path);

// Adds the post's line and waits until it is on the disk. False, with the
// reason in `problem`, when the line could not be written whole (a line
// cut short by a full disk is passed over when read).
bool AppendToJournal(const std::string& path, const StoredPost& post,
                     std::string* problem);

// Puts exactly `posts` in the journal, removing it when there are none. The
// old journal stays whole until the new one has replaced it.
bool RewriteJournal(const std::string& path,
                    const std::vector<const StoredPost*>& posts,
                    std::string* problem);

// The posts the journal holds, oldest first, each link once; lines that
// are cut short or unreadable are passed over. Nothing when there is no
// journal, or a link or something other than a file stands at `path`.
std::vector<StoredPost> ReadJournal(const std::string& path);

// One post as a journal line (with its line end) and back.
std::string JournalLine(const StoredPost& post);
bool ParseJournalLine(const std::string& line, StoredPost* post);

}  // namespace dw
