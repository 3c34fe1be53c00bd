#include "time_text.h"

#include <cstdio>
#include <ctime>

namespace wol {
namespace {

std::string text(std::chrono::system_clock::time_point time, bool utc) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      time - std::chrono::system_clock::from_time_t(seconds))
                      .count();
  std::tm parts{};
  // The reentrant calls: localtime_r and gmtime_r, or on Windows their _s twins.
#ifdef _WIN32
  (void)(utc ? gmtime_s(&parts, &seconds) : localtime_s(&parts, &seconds));
#else
  (void)(utc ? gmtime_r(&seconds, &parts) : localtime_r(&seconds, &parts));
#endif
  char out[96]; // room for any int the fields could hold
  (void)std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%s", parts.tm_year + 1900,
                      parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                      static_cast<int>(ms), utc ? "Z" : "");
  return out;
}

} // namespace

std::string local_time_text(std::chrono::system_clock::time_point time) {
  return text(time, false);
}

std::string utc_time_text(std::chrono::system_clock::time_point time) { return text(time, true); }

} // namespace wol
