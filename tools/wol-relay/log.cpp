#include "log.h"

#include "text.h"
#include "time_text.h"

#include <chrono>
#include <cstdio>

namespace wol::relay {

Log::Log(LogTo where) : where_(where) {
  if (where_ == LogTo::syslog) {
    open_syslog();
  } else {
    stamped_ = !standard_error_is_journal();
  }
}

Log::~Log() {
  if (where_ == LogTo::syslog) {
    close_syslog();
  }
}

void Log::write(const std::string &line) {
  const std::string safe = shown(line);
  if (where_ == LogTo::syslog) {
    write_syslog(safe);
    return;
  }
  const std::string stamped =
      (stamped_ ? local_time_text(std::chrono::system_clock::now()) + " " : std::string()) + safe +
      "\n";
  (void)std::fwrite(stamped.data(), 1, stamped.size(), stderr);
  (void)std::fflush(stderr);
}

} // namespace wol::relay
