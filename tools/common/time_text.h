// Times as the tools write them: the local time for people reading lines
// (2026-12-10T14:03:07.123), and UTC for machines reading JSON
// (2026-12-10T13:03:07.123Z).
#ifndef WOL_COMMON_TIME_TEXT_H
#define WOL_COMMON_TIME_TEXT_H

#include <chrono>
#include <string>

namespace wol {

std::string local_time_text(std::chrono::system_clock::time_point time);
std::string utc_time_text(std::chrono::system_clock::time_point time);

} // namespace wol

#endif
