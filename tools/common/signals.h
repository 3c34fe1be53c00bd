// What signals ask of a program that runs until it is stopped (wol-listen,
// wol-relay): to stop (SIGINT, SIGTERM; on Windows Ctrl-C, Ctrl-Break or
// closing the console), to read its files again (SIGHUP) or to report
// (SIGUSR1). The receiver's wait ends at each request (receiver.h). One file
// per platform: signals_posix.cpp, signals_win32.cpp.
#ifndef WOL_COMMON_SIGNALS_H
#define WOL_COMMON_SIGNALS_H

#include <cstdint>

namespace wol {

enum class Request : std::uint8_t { none, stop, reload, report };

// Starts catching the signals above; once per run.
void catch_signals();

// The request that waits, stop before the others, and forgets it; none
// when there is none.
Request take_request();

// What becomes ready while a request waits: on POSIX the reading end of a
// pipe, on Windows an event; -1 before catch_signals.
std::intptr_t request_handle();

} // namespace wol

#endif
