// wol-wake: wakes machines by Wake-on-LAN, on tarnwick-wol's public
// interface. The command line becomes a plan (command_line.h), the plan is
// carried out target by target (wake.h) from the command line and from
// files (target_file.h), to destinations worked out once (destinations.h),
// over the tools' own transport (transport.h); --up waits as up.h says.
//
// Exit status: 0 when every datagram went (with -n: every target was
// valid; with --up: and the machine answered), 1 when any target failed, 2
// for a command line it cannot use, 3 when --up's machine did not answer in
// time.
#include "command_line.h"
#include "password.h"
#include "program.h"
#include "tarnwick_wol.h"
#include "text.h"
#include "wake.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#ifndef WOL_WAKE_VERSION
#define WOL_WAKE_VERSION "unknown"
#endif

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int run(wol::wake::Plan plan) {
  using wol::wake::Action;
  if (plan.action == Action::help) {
    const std::string text = wol::wake::usage();
    (void)std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  if (plan.action == Action::version) {
    std::printf("wol-wake %s (tarnwick-wol %s)\n", WOL_WAKE_VERSION, wol_version());
    return 0;
  }
  wol::wake::Settings &settings = plan.settings;
  if (settings.password_file) {
    const std::string error = wol::wake::read_password(*settings.password_file, settings.password);
    if (!error.empty()) {
      std::fprintf(stderr, "wol-wake: %s\n", error.c_str());
      return kFailed;
    }
  }
  wol::wake::Waker waker(settings);
  if (!waker.prepare()) {
    return kFailed;
  }
  if (settings.up_host) {
    // One MAC: the command line checked.
    return waker.wake_and_wait(plan.macs.front(), *settings.up_host);
  }
  for (const std::string &mac : plan.macs) {
    waker.wake(wol::shown(mac), mac);
  }
  for (const std::string &file : plan.files) {
    waker.wake_file(file);
  }
  return waker.failed() ? kFailed : 0;
}

int wol_wake(const std::vector<std::string> &arguments) {
#ifdef SIGPIPE
  // A closed output pipe must not stop the wake-ups: every target is tried,
  // and the lost output is reported at the end.
  (void)std::signal(SIGPIPE, SIG_IGN);
#endif
  int status = kFailed;
  // Whatever escapes (memory that runs out) ends the run with its message.
  try {
    const std::vector<std::string_view> args(arguments.begin(), arguments.end());
    wol::wake::CommandLine command_line = wol::wake::read_command_line(args);
    if (command_line.plan) {
      status = run(std::move(*command_line.plan));
    } else {
      status = kUsage;
      std::fprintf(stderr, "wol-wake: %s\nTry 'wol-wake --help' for more information.\n",
                   command_line.error.c_str());
    }
  } catch (const std::bad_alloc &) {
    std::fputs("wol-wake: out of memory\n", stderr);
  } catch (const std::exception &error) {
    std::fprintf(stderr, "wol-wake: %s\n", error.what());
  }
  // Output errors are checked here once, for every line written.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "wol-wake: cannot write the output: %s\n", std::strerror(errno));
    return kFailed;
  }
  return status;
}

} // namespace

WOL_PROGRAM_MAIN(wol_wake)
