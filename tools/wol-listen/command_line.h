// wol-listen's command line turned into a plan: what to listen on, which
// packets to show and how, and when to stop. The options are one table; an
// argument list gives either a plan or the one usage error that stops it.
#ifndef WOL_LISTEN_COMMAND_LINE_H
#define WOL_LISTEN_COMMAND_LINE_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol::listen {

struct Settings {
  std::vector<int> ports;            // -p, each once; empty: 9 and 7
  bool ipv4 = true;                  // -4 alone: IPv4 only
  bool ipv6 = true;                  // -6 alone: IPv6 only
  bool frames = false;               // -e
  std::optional<std::string> iface;  // -I
  std::optional<std::string> mac;    // --mac, as written
  std::optional<std::string> expect; // --expect, as written
  std::optional<int> timeout_s;      // -t
  std::optional<int> count;          // -c
  bool json = false;                 // --json
  bool quiet = false;                // -q
  std::string ethers_file;           // --ethers; empty: the system's
};

enum class Action : std::uint8_t { listen, help, version };

struct Plan {
  Action action = Action::listen;
  Settings settings;
};

struct CommandLine {
  std::optional<Plan> plan;
  std::string error;
};

CommandLine read_command_line(const std::vector<std::string_view> &args);

extern const char kUsage[];

} // namespace wol::listen

#endif
