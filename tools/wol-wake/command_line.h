// The command line turned into a plan: what to wake, how, and where to.
// The options are one table, which also writes --help; an argument list
// gives either a plan or the one usage error that stops it, and nothing is
// sent for a usage error.
#ifndef WOL_WAKE_COMMAND_LINE_H
#define WOL_WAKE_COMMAND_LINE_H

#include "destinations.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol::wake {

constexpr int kDefaultPort = 9;
constexpr int kDefaultTimeout = 120;
constexpr int kDefaultResend = 10;

// How every target's datagrams go, unless a file line names its own
// ADDRESS or PORT.
struct Settings {
  DestinationChoice to;                     // -i, -a, -I, -6, -e
  int port = kDefaultPort;                  // -p, 1 to 65535
  int count = 1;                            // -c
  int wait_ms = 0;                          // -w, or its default for the count
  bool dry_run = false;                     // -n
  bool quiet = false;                       // -q
  bool verbose = false;                     // -v
  std::vector<unsigned char> password;      // -P PW: none, 4 or 6 bytes after the packet
  std::optional<std::string> password_file; // --password-file FILE, or "-" for -P -
  std::string ethers_file;                  // --ethers; empty: the system's
  std::optional<std::string> up_host;       // --up: wait until HOST answers
  int up_port = 0;                          // ... a TCP connection to it; 0: ICMP echo
  int timeout_s = kDefaultTimeout;          // -t: how long --up waits
  int resend_s = kDefaultResend;            // -r: --up sends again every so often; 0: never
};

enum class Action : std::uint8_t { wake, help, version };

struct Plan {
  Action action = Action::wake;
  Settings settings;
  std::vector<std::string> macs;  // from the command line, in order
  std::vector<std::string> files; // -f, in order; "-" is standard input
};

// A plan, or else the usage error's message (without the program's name).
struct CommandLine {
  std::optional<Plan> plan;
  std::string error;
};

// Reads the arguments after the program's name.
CommandLine read_command_line(const std::vector<std::string_view> &args);

// What --help prints: the usage, then each option of the table with its
// help, in lines of at most 80 columns.
std::string usage();

} // namespace wol::wake

#endif
