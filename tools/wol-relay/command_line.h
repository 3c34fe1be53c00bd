// wol-relay's command line turned into a plan: where requests are received,
// which are accepted (the allow-list, --from, the rate limits), where each
// accepted one is sent (as wol-wake sends), and where the log goes. The
// options are one table; an argument list gives either a plan or the one
// usage error that stops it.
#ifndef WOL_RELAY_COMMAND_LINE_H
#define WOL_RELAY_COMMAND_LINE_H

#include "cidr.h"
#include "destinations.h"
#include "rate_limit.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol::relay {

constexpr int kDefaultPort = 9;

enum class LogTo : std::uint8_t { standard_error, syslog };

struct Settings {
  int port = kDefaultPort;           // -p: requests arrive here
  std::vector<Endpoint> listen;      // -l: only these local addresses
  std::optional<std::string> allow;  // --allow FILE
  bool allow_any = false;            // --allow-any
  std::vector<Cidr> from;            // --from, in order
  Rate per_mac;                      // --rate
  Rate global{10, 1};                // --global-rate
  DestinationChoice to;              // -i, -a, -I, -6, -e
  int to_port = kDefaultPort;        // --to-port
  LogTo log = LogTo::standard_error; // --log
};

enum class Action : std::uint8_t { relay, help, version };

struct Plan {
  Action action = Action::relay;
  Settings settings;
};

struct CommandLine {
  std::optional<Plan> plan;
  std::string error;
};

CommandLine read_command_line(const std::vector<std::string_view> &args);

extern const char kUsage[];

} // namespace wol::relay

#endif
