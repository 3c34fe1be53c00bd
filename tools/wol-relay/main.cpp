// wol-relay: carries wake-ups across subnets, on tarnwick-wol's public
// interface. The command line becomes a plan (command_line.h), carried out
// by the relay (relay.h): each request received through the tools'
// receiver is judged (policy.h: allow-list, --from, rate limits, no loops),
// sent on through the tools' transport as wol-wake sends, and logged
// (log.h).
//
// Exit status: 0 when a signal stopped it, 1 when it cannot start, 2 for a
// command line it cannot use.
#include "command_line.h"
#include "program.h"
#include "relay.h"
#include "tarnwick_wol.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#ifndef WOL_RELAY_VERSION
#define WOL_RELAY_VERSION "unknown"
#endif

namespace {

int wol_relay(const std::vector<std::string> &arguments) {
#ifdef SIGPIPE
  // A log pipe that closes stops no forwarding.
  (void)std::signal(SIGPIPE, SIG_IGN);
#endif
  const std::vector<std::string_view> args(arguments.begin(), arguments.end());
  const wol::relay::CommandLine command_line = wol::relay::read_command_line(args);
  if (!command_line.plan) {
    std::fprintf(stderr, "wol-relay: %s\nTry 'wol-relay --help' for more information.\n",
                 command_line.error.c_str());
    return wol::relay::kBadCommandLine;
  }
  if (command_line.plan->action == wol::relay::Action::help) {
    std::fputs(wol::relay::kUsage, stdout);
    return std::fflush(stdout) == 0 ? 0 : wol::relay::kCannotStart;
  }
  if (command_line.plan->action == wol::relay::Action::version) {
    std::printf("wol-relay %s (tarnwick-wol %s)\n", WOL_RELAY_VERSION, wol_version());
    return std::fflush(stdout) == 0 ? 0 : wol::relay::kCannotStart;
  }
  return wol::relay::relay(command_line.plan->settings);
}

} // namespace

WOL_PROGRAM_MAIN(wol_relay)
