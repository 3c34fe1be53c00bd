// The plan carried out: the MACs named, the interface chosen, the sockets
// opened; then each arrival read as a magic packet and shown, until the
// expected packet arrives, the count or the time is reached, or a signal
// stops it.
#ifndef WOL_LISTEN_LISTEN_H
#define WOL_LISTEN_LISTEN_H

#include "command_line.h"

namespace wol::listen {

constexpr int kStopped = 0;
constexpr int kCannotListen = 1;
constexpr int kBadCommandLine = 2;
constexpr int kNotArrived = 3;

// Listens as `settings` say; returns the exit status.
int listen(const Settings &settings);

} // namespace wol::listen

#endif
