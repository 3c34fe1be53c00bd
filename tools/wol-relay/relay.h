// The plan carried out: the allow-list read, -i's address resolved, the
// port opened; then each request judged (policy.h), sent on when it is
// accepted, and logged, until a signal stops the relay with a summary.
#ifndef WOL_RELAY_RELAY_H
#define WOL_RELAY_RELAY_H

#include "command_line.h"

namespace wol::relay {

constexpr int kStopped = 0;
constexpr int kCannotStart = 1;
constexpr int kBadCommandLine = 2;

// Relays as `settings` say until stopped; returns the exit status.
int relay(const Settings &settings);

} // namespace wol::relay

#endif
