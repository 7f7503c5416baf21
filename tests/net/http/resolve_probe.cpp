// Makes a name lookup hang and measures how a request copes: first stopped
// by its caller, then ended by a one-second time-out. It first moves into
// private user, mount and network namespaces of its own, binds a private
// resolver configuration over the system one there and points it at a
// loopback socket that never answers, so nothing outside is touched.
//
// Prints "stop_ms=N timeout_ms=M" (N: from the stop request to the return;
// M: the whole request) and exits 0; exits 77 when this machine cannot
// give the namespaces or the lookup does not hang.
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "net/http_request.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSkip = 77;

bool WriteFile(const char* path, const std::string& text) {
  int fd = open(path, O_WRONLY);
  if (fd < 0) return false;
  bool ok =
      write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return ok;
}

bool EnterPrivateNamespaces() {
  const uid_t uid = getuid();
  const gid_t gid = getgid();
  if (unshare(CLONE_NEWUSER | CLONE_NEWNS | CLONE_NEWNET) != 0) return false;
  WriteFile("/proc/self/setgroups", "deny");
  WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
  WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
  return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

bool UseSilentNameServer() {
  char path[] = "/tmp/dw-resolv-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return false;
  const std::string conf = "nameserver 127.0.0.1\n";
  bool ok =
      write(fd, conf.data(), conf.size()) == static_cast<ssize_t>(conf.size());
  close(fd);
  ok = ok && mount(path, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
  unlink(path);
  if (!ok) return false;

  // Loopback starts down in a new network namespace.
  int s = socket(AF_INET, SOCK_DGRAM, 0);
  ifreq ifr{};
  std::strcpy(ifr.ifr_name, "lo");
  ok = ioctl(s, SIOCGIFFLAGS, &ifr) == 0;
  ifr.ifr_flags |= IFF_UP;
  ok = ok && ioctl(s, SIOCSIFFLAGS, &ifr) == 0;
  close(s);
  if (!ok) return false;

  // Bound but never read: queries vanish without an answer or a refusal.
  static int silent = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(53);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address) ==
         0;
}

long Millis(Clock::duration d) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

}  // namespace

int main() {
  // Namespaces first: a user namespace cannot be entered once threads run.
  if (!EnterPrivateNamespaces()) {
    std::printf("no private namespaces here: %s\n", std::strerror(errno));
    return kSkip;
  }
  if (!UseSilentNameServer()) {
    std::printf("cannot set up a silent name server: %s\n",
                std::strerror(errno));
    return kSkip;
  }
  dw::HttpGlobalInit init;

  std::atomic<bool> stop{false};
  Clock::time_point stopped_at;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stopped_at = Clock::now();
    stop = true;
  });
  dw::HttpRequestParams params;
  params.url = "http://name.test/";
  params.timeoutSeconds = 10;
  params.cancelRequested = [&stop] { return stop.load(); };
  dw::HttpRequest(params);
  const Clock::time_point returned = Clock::now();
  stopper.join();
  if (returned < stopped_at) {
    std::printf("the name lookup did not hang\n");
    return kSkip;
  }

  params.timeoutSeconds = 1;
  params.cancelRequested = nullptr;
  const Clock::time_point start = Clock::now();
  dw::HttpRequest(params);
  std::printf("stop_ms=%ld timeout_ms=%ld\n", Millis(returned - stopped_at),
              Millis(Clock::now() - start));
  return 0;
}
