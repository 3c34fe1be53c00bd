// wol-wake: wakes machines by Wake-on-LAN, on tarnwick-wol's public
// interface. The command line becomes a plan (command_line.h), the plan is
// carried out target by target (wake.h) from the command line and from
// files (target_file.h), over the tool's own transport (transport.h).
//
// Exit status: 0 when every datagram went (with -n: every target was
// valid; with --up: and the machine answered), 1 when any target failed, 2
// for a command line it cannot use, 3 when --up's machine did not answer in
// time.
#include "command_line.h"
#include "tarnwick_wol.h"
#include "text.h"
#include "wake.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#ifndef WOL_WAKE_VERSION
#define WOL_WAKE_VERSION "unknown"
#endif

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int run(const wol::wake::Plan &plan) {
  using wol::wake::Action;
  if (plan.action == Action::help) {
    std::fputs(wol::wake::kUsage, stdout);
    return 0;
  }
  if (plan.action == Action::version) {
    std::printf("wol-wake %s (tarnwick-wol %s)\n", WOL_WAKE_VERSION, wol_version());
    return 0;
  }
  wol::wake::Waker waker(plan.settings);
  if (!waker.list_interfaces()) {
    return kFailed;
  }
  for (const std::string &mac : plan.macs) {
    waker.wake(wol::shown(mac), mac, plan.settings.address, plan.settings.port);
  }
  for (const std::string &file : plan.files) {
    waker.wake_file(file);
  }
  if (plan.settings.up_host && !waker.failed()) {
    // One target, checked by the command line.
    const std::string &mac = plan.macs.front();
    return waker.wait_until_up(
        [&] { waker.wake(wol::shown(mac), mac, plan.settings.address, plan.settings.port); });
  }
  return waker.failed() ? kFailed : 0;
}

} // namespace

int main(int argc, char **argv) {
#ifdef SIGPIPE
  // A closed output pipe must not stop the wake-ups: every target is tried,
  // and the lost output is reported at the end.
  (void)std::signal(SIGPIPE, SIG_IGN);
#endif
  const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  const wol::wake::CommandLine command_line = wol::wake::read_command_line(args);
  int status = kUsage;
  if (command_line.plan) {
    status = run(*command_line.plan);
  } else {
    std::fprintf(stderr, "wol-wake: %s\nTry 'wol-wake --help' for more information.\n",
                 command_line.error.c_str());
  }
  // Output errors are checked here once, for every line written.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "wol-wake: cannot write the output: %s\n", std::strerror(errno));
    return kFailed;
  }
  return status;
}
