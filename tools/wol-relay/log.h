// The relay's log: one line per decision, on standard error or to syslog.
// On standard error each line starts with the local time, unless standard
// error is the systemd journal, which stamps lines itself; syslog does too.
// One file per platform for the system's part: log_posix.cpp (syslog,
// the journal's JOURNAL_STREAM), log_win32.cpp (standard error alone).
#ifndef WOL_RELAY_LOG_H
#define WOL_RELAY_LOG_H

#include "command_line.h"

#include <string>

namespace wol::relay {

class Log {
public:
  explicit Log(LogTo where);
  ~Log();
  Log(const Log &) = delete;
  Log &operator=(const Log &) = delete;
  Log(Log &&) = delete;
  Log &operator=(Log &&) = delete;

  void write(const std::string &line);

private:
  LogTo where_;
  bool stamped_ = true;
};

// The system's part.
bool standard_error_is_journal();
void open_syslog();
void write_syslog(const std::string &line);
void close_syslog();

} // namespace wol::relay

#endif
