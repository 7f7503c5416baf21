#include "collect/post_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "collect/run_log.h"

namespace dw {
namespace {

namespace fs = std::filesystem;

constexpr char kJournalExtension[] = ".waiting";
constexpr char kVersion[] = "p1";
constexpr std::size_t kFields = 8;
// Room kept on the disk for the journal when it is made, so that the
// posts of the moment a disk fills still find a place.
constexpr off_t kReserved = 64 * 1024;

void Escape(const std::string& text, std::string& out) {
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out.push_back(c);
    }
  }
}

std::string Unescape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out.push_back(text[i]);
      continue;
    }
    const char c = text[++i];
    out.push_back(c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c);
  }
  return out;
}

bool Fail(std::string* problem, const std::string& what) {
  if (problem) *problem = what + ": " + std::strerror(errno);
  return false;
}

// Writes all of `bytes` and syncs them; false on the first failure.
bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return ::fdatasync(fd) == 0;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string JournalPathBeside(const std::string& database_path) {
  return FileBesideDatabase(database_path, kJournalExtension);
}

std::string JournalLine(const StoredPost& post) {
  std::string line = kVersion;
  for (const std::string* text :
       {&post.planName, &post.title, &post.url, &post.addTime}) {
    line.push_back('\t');
    Escape(*text, line);
  }
  line += '\t' + std::to_string(post.planId) + '\t' + std::to_string(post.zt) +
          '\t' + std::to_string(post.fetchedAt) + '\n';
  return line;
}

bool ParseJournalLine(const std::string& line, StoredPost* post) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  if (fields.size() != kFields || fields[0] != kVersion) return false;
  const auto number = [](const std::string& text, long long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    *value = std::strtoll(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
  };
  long long id = 0, zt = 0, fetched = 0;
  if (!number(fields[5], &id) || !number(fields[6], &zt) ||
      !number(fields[7], &fetched)) {
    return false;
  }
  post->planName = Unescape(fields[1]);
  post->title = Unescape(fields[2]);
  post->url = Unescape(fields[3]);
  post->addTime = Unescape(fields[4]);
  post->planId = static_cast<int>(id);
  post->zt = static_cast<int>(zt);
  post->fetchedAt = fetched;
  return !post->url.empty();
}

bool AppendToJournal(const std::string& path, const StoredPost& post,
                     std::string* problem) {
  if (path.empty()) return true;  // a state without a file keeps none
  const Fd fd(::open(path.c_str(),
                     O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                     0600));
  if (fd.get() < 0) return Fail(problem, "cannot open " + path);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    errno = EINVAL;
    return Fail(problem, path + " is not a file");
  }
  // Made just now: blocks put by while there is room (where the file
  // system can) take the lines written when there is none.
  if (info.st_size == 0)
    ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, kReserved);
  if (!WriteAll(fd.get(), JournalLine(post))) {
    return Fail(problem, "cannot write " + path);
  }
  return true;
}

bool RewriteJournal(const std::string& path,
                    const std::vector<const StoredPost*>& posts,
                    std::string* problem) {
  if (path.empty()) return true;
  if (posts.empty()) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    return Fail(problem, "cannot remove " + path);
  }
  const std::string fresh = path + ".new";
  ::unlink(fresh.c_str());  // left by a rewrite that was cut short
  const Fd fd(::open(fresh.c_str(),
                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                     0600));
  if (fd.get() < 0) return Fail(problem, "cannot create " + fresh);
  std::string lines;
  for (const StoredPost* post : posts) lines += JournalLine(*post);
  if (!WriteAll(fd.get(), lines) ||
      ::rename(fresh.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(fresh.c_str());
    errno = error;
    return Fail(problem, "cannot write " + path);
  }
  return true;
}

std::vector<StoredPost> ReadJournal(const std::string& path) {
  std::vector<StoredPost> posts;
  if (path.empty()) return posts;
  const Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return posts;
  }
  std::string bytes;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  std::set<std::string> links;
  std::size_t start = 0;
  // Whole lines only: one without its end was cut short.
  for (std::size_t end; (end = bytes.find('\n', start)) != std::string::npos;
       start = end + 1) {
    StoredPost post;
    if (ParseJournalLine(bytes.substr(start, end - start), &post) &&
        links.insert(post.url).second) {
      posts.push_back(std::move(post));
    }
  }
  return posts;
}

}  // namespace dw
