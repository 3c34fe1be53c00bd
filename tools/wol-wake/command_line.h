// The command line turned into a plan: what to wake, how, and where to.
// The options are one table; an argument list gives either a plan or the
// one usage error that stops it, and nothing is sent for a usage error.
#ifndef WOL_WAKE_COMMAND_LINE_H
#define WOL_WAKE_COMMAND_LINE_H

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
  std::optional<std::string> address;  // -i; none: 255.255.255.255, or -a's broadcasts
  int port = kDefaultPort;             // -p, 1 to 65535
  bool all_interfaces = false;         // -a
  std::optional<std::string> iface;    // -I
  bool ipv6 = false;                   // -6
  bool ethernet = false;               // -e
  int count = 1;                       // -c
  int wait_ms = 0;                     // -w, or its default for the count
  bool dry_run = false;                // -n
  bool quiet = false;                  // -q
  std::vector<unsigned char> password; // -P: none, 4 or 6 bytes after the packet
  std::string ethers_file;             // --ethers; empty: the system's
  std::optional<std::string> up_host;  // --up: wait until HOST answers
  int up_port = 0;                     // ... a TCP connection to it; 0: ICMP echo
  int timeout_s = kDefaultTimeout;     // -t: how long --up waits
  int resend_s = kDefaultResend;       // -r: --up sends again every so often; 0: never
};

enum class Action { wake, help, version };

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

// A SecureOn password's bytes: six in any MAC form, or four as a dotted
// quad; nothing for other text.
std::optional<std::vector<unsigned char>> password_bytes(std::string_view text);

// Reads the arguments after the program's name.
CommandLine read_command_line(const std::vector<std::string_view> &args);

// What --help prints.
extern const char kUsage[];

} // namespace wol::wake

#endif
