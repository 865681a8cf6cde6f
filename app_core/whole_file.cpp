#include "app_core/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, &saved_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t saved_;
};

// The folder part of `path` ("." for a bare name) and the name after it.
std::pair<std::string, std::string> Split(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

void WriteFileWhole(const std::string& path, const std::function<bool(int fd)>& write) {
  const SignalsHeld held;
  const std::string failed = "Die Datei \"" + path + "\" konnte nicht geschrieben werden: ";
  const auto [folder, name] = Split(path);
  std::string pattern = folder + "/." + name + ".XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw std::runtime_error(failed + std::strerror(errno));
  const std::string temporary = pattern;
  // The permissions a newly created file gets, not mkstemp's owner-only ones.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  errno = 0;
  bool ok = write(fd);
  int error = ok ? 0 : (errno ? errno : EIO);
  if (ok && fsync(fd) != 0) ok = false, error = errno;
  if (close(fd) != 0 && ok) ok = false, error = errno;
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) ok = false, error = errno;
  if (!ok) {
    unlink(temporary.c_str());
    throw std::runtime_error(failed + std::strerror(error));
  }
}
