// wol-listen: shows the Wake-on-LAN packets that reach this machine, on
// tarnwick-wol's public interface. The command line becomes a plan
// (command_line.h), which is carried out by listening (listen.h) through the
// tools' receiver, each packet judged by the magic-packet reader and shown
// (report.h).
//
// Exit status: 0 when it stopped (with --expect: the packet arrived), 1
// when it cannot listen, 2 for a command line it cannot use, 3 when
// --expect's packet did not arrive.
#include "command_line.h"
#include "listen.h"
#include "program.h"
#include "tarnwick_wol.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#ifndef WOL_LISTEN_VERSION
#define WOL_LISTEN_VERSION "unknown"
#endif

namespace {

int wol_listen(const std::vector<std::string> &arguments) {
#ifdef SIGPIPE
  // A closed output pipe ends nothing by a signal: the write fails, and the
  // listening ends with its message.
  (void)std::signal(SIGPIPE, SIG_IGN);
#endif
  const std::vector<std::string_view> args(arguments.begin(), arguments.end());
  const wol::listen::CommandLine command_line = wol::listen::read_command_line(args);
  int status = wol::listen::kBadCommandLine;
  if (!command_line.plan) {
    std::fprintf(stderr, "wol-listen: %s\nTry 'wol-listen --help' for more information.\n",
                 command_line.error.c_str());
  } else if (command_line.plan->action == wol::listen::Action::help) {
    std::fputs(wol::listen::kUsage, stdout);
    status = 0;
  } else if (command_line.plan->action == wol::listen::Action::version) {
    std::printf("wol-listen %s (tarnwick-wol %s)\n", WOL_LISTEN_VERSION, wol_version());
    status = 0;
  } else {
    status = wol::listen::listen(command_line.plan->settings);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "wol-listen: cannot write the output: %s\n", std::strerror(errno));
    return wol::listen::kCannotListen;
  }
  return status;
}

} // namespace

WOL_PROGRAM_MAIN(wol_listen)
