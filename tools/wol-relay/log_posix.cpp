// The log's system calls on POSIX systems.
#include "log.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

namespace wol::relay {

// systemd names the journal's stream in JOURNAL_STREAM as "DEVICE:INODE";
// only standard error that still is that stream counts (a program started
// from a service may have its own).
bool standard_error_is_journal() {
  const char *stream = std::getenv("JOURNAL_STREAM");
  struct stat status = {};
  if (stream == nullptr || ::fstat(STDERR_FILENO, &status) != 0) {
    return false;
  }
  return std::string(stream) == std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

void open_syslog() { ::openlog("wol-relay", LOG_PID, LOG_DAEMON); }

void write_syslog(const std::string &line) { ::syslog(LOG_INFO, "%s", line.c_str()); }

void close_syslog() { ::closelog(); }

} // namespace wol::relay
