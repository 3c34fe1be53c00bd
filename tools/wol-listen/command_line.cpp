#include "command_line.h"

#include "options.h"

#include <algorithm>
#include <cstdint>

#ifdef __linux__
constexpr bool kRawEthernet = true;
#else
constexpr bool kRawEthernet = false;
#endif

#ifdef _WIN32
#define ETHERS_DEFAULT "%SystemRoot%\\System32\\drivers\\etc\\ethers"
#define IFACE_FORMS ": name or index"
#else
#define ETHERS_DEFAULT "/etc/ethers"
#define IFACE_FORMS ""
#endif

namespace wol::listen {

const char kUsage[] =
    "usage: wol-listen [OPTIONS]\n"
    "Shows each Wake-on-LAN packet that reaches this machine, one line each:\n"
    "time, interface, source, destination, MAC, password and verdict.\n"
    "  -p, --port PORT        UDP port to listen on, repeatable (default 9 and 7)\n"
    "  -4, --ipv4             listen over IPv4 only\n"
    "  -6, --ipv6             listen over IPv6 only\n"
    "  -e, --ethernet         also read raw Ethernet frames of type 0x0842; needs\n"
    "                         root or CAP_NET_RAW; Linux only\n"
    "  -I, --interface IFACE  only what arrives on IFACE" IFACE_FORMS "\n"
    "      --mac MAC          only packets for MAC\n"
    "      --expect MAC       wait for MAC's packet: status 0 when it arrives,\n"
    "                         3 when -t SECONDS run out first\n"
    "  -t, --timeout SECONDS  stop listening after SECONDS\n"
    "  -c, --count N          stop after N packets shown\n"
    "      --json             one JSON object a line for each packet\n"
    "      --ethers FILE      where host names are looked up (default " ETHERS_DEFAULT ")\n"
    "  -q, --quiet            no line on standard error when listening starts\n"
    "  -h, --help             show this help\n"
    "  -V, --version          show the versions of wol-listen and the library\n"
    "MAC: AA:BB:CC:DD:EE:FF, AABBCCDDEEFF, AA-BB-CC-DD-EE-FF, aabb.ccdd.eeff,\n"
    "8:0:20:1:14:5c, or a host name of the ethers file.\n"
    "Verdicts: ok, extra-bytes, too-short, no-sync, copy-differs.\n"
    "Exit status: 0 stopped (with --expect: the packet arrived), 1 cannot listen,\n"
    "2 a command line that cannot be used, 3 --expect's packet did not arrive.\n"
    "See wol-listen(1).\n";

namespace {

constexpr long long kMaxPort = 65535;
constexpr long long kMaxTimeout = 86400;
constexpr long long kMaxCount = 1000000;

enum class Id : std::uint8_t {
  port,
  ipv4,
  ipv6,
  ethernet,
  iface,
  mac,
  expect,
  timeout,
  count,
  json,
  ethers,
  quiet,
  help,
  version
};

constexpr Option<Id> kOptions[] = {
    {"port", 'p', true, Id::port},       {"ipv4", '4', false, Id::ipv4},
    {"ipv6", '6', false, Id::ipv6},      {"ethernet", 'e', false, Id::ethernet},
    {"interface", 'I', true, Id::iface}, {"mac", '\0', true, Id::mac},
    {"expect", '\0', true, Id::expect},  {"timeout", 't', true, Id::timeout},
    {"count", 'c', true, Id::count},     {"json", '\0', false, Id::json},
    {"ethers", '\0', true, Id::ethers},  {"quiet", 'q', false, Id::quiet},
    {"help", 'h', false, Id::help},      {"version", 'V', false, Id::version},
};

// A value that must not be empty.
std::string not_empty(std::string_view name, std::string_view value,
                      std::optional<std::string> &out) {
  out = std::string(value);
  return value.empty() ? std::string(name) + " must not be empty" : std::string();
}

class Reader {
public:
  CommandLine read(const std::vector<std::string_view> &args) {
    std::string error = read_options<Id>(
        args, kOptions,
        [this](const Option<Id> &option, std::string_view value) { return apply(option, value); },
        [this](std::string_view word) {
          if (word_.empty()) {
            word_ = "unexpected argument " + quoted(word) + " (MACs go with --mac or --expect)";
          }
        });
    if (error.empty()) {
      error = word_;
    }
    if (error.empty() && plan_.action == Action::listen) {
      error = conflict();
    }
    if (!error.empty()) {
      return {std::nullopt, error};
    }
    return {plan_, {}};
  }

private:
  std::string apply(const Option<Id> &option, std::string_view value) {
    Settings &s = plan_.settings;
    int number = 0;
    std::string error;
    switch (option.id) {
    case Id::port:
      error = read_number("PORT", value, 1, kMaxPort, number);
      if (error.empty() && std::find(s.ports.begin(), s.ports.end(), number) == s.ports.end()) {
        s.ports.push_back(number);
      }
      return error;
    case Id::ipv4:
      ipv4_only_ = true;
      return {};
    case Id::ipv6:
      ipv6_only_ = true;
      return {};
    case Id::ethernet:
      s.frames = true;
      return {};
    case Id::iface:
      return not_empty("IFACE", value, s.iface);
    case Id::mac:
      return not_empty("MAC", value, s.mac);
    case Id::expect:
      return not_empty("MAC", value, s.expect);
    case Id::timeout:
      error = read_number("SECONDS", value, 1, kMaxTimeout, number);
      s.timeout_s = number;
      return error;
    case Id::count:
      error = read_number("N", value, 1, kMaxCount, number);
      s.count = number;
      return error;
    case Id::json:
      s.json = true;
      return {};
    case Id::ethers: {
      std::optional<std::string> file;
      error = not_empty("FILE", value, file);
      s.ethers_file = file.value_or(std::string());
      return error;
    }
    case Id::quiet:
      s.quiet = true;
      return {};
    case Id::help:
      plan_.action = Action::help;
      return {};
    case Id::version:
      plan_.action = Action::version;
      return {};
    }
    return {};
  }

  std::string conflict() {
    Settings &s = plan_.settings;
    if (ipv4_only_ && ipv6_only_) {
      return "-4 and -6 together leave nothing to listen on; give neither for both";
    }
    s.ipv4 = !ipv6_only_;
    s.ipv6 = !ipv4_only_;
    if (s.frames && !kRawEthernet) {
      return "-e reads raw Ethernet frames, which this system gives to no program without a "
             "capture driver (on Windows: Npcap, as Wireshark installs it); Linux only";
    }
    if (s.ports.empty()) {
      s.ports = {9, 7};
    }
    return {};
  }

  Plan plan_;
  bool ipv4_only_ = false;
  bool ipv6_only_ = false;
  std::string word_;
};

} // namespace

CommandLine read_command_line(const std::vector<std::string_view> &args) {
  return Reader().read(args);
}

} // namespace wol::listen
