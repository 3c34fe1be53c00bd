#include "command_line.h"

#include "address.h"
#include "options.h"
#include "text.h"

#ifdef _WIN32
#define IFACE_FORMS "; IFACE: name or index"
#else
#define IFACE_FORMS ""
#endif

namespace wol::relay {

const char kUsage[] =
    "usage: wol-relay [OPTIONS] --allow FILE | --allow-any\n"
    "Receives magic packets sent to this machine and sends each one that is\n"
    "allowed on, as wol-wake would send it; one log line per decision.\n"
    "  -p, --port PORT        UDP port that requests arrive on (default 9)\n"
    "  -l, --listen ADDRESS   receive only on ADDRESS, one of this machine's;\n"
    "                         repeatable (default: every address)\n"
    "      --allow FILE       forward only for the MACs in FILE, 'MAC [NAME]' a line\n"
    "                         (the ethers format)\n"
    "      --allow-any        forward for any MAC\n"
    "      --from CIDR        accept requests only from CIDR (192.0.2.0/24, an\n"
    "                         address alone); repeatable (default: from anyone)\n"
    "      --rate N[/SECONDS] forward one MAC at most N times in any SECONDS\n"
    "                         (default 1/1)\n"
    "      --global-rate N[/SECONDS]  forward at most N requests in any SECONDS\n"
    "                         (default 10/1)\n"
    "  -i, --ip ADDRESS       send to ADDRESS: IPv4, IPv6 or a host name\n"
    "                         (default 255.255.255.255)\n"
    "  -a, --all-interfaces   send to the directed broadcast of every IPv4 interface\n"
    "  -I, --interface IFACE  send out of IFACE only (IPv4: its directed broadcasts;\n"
    "                         with -6: ff02::1%IFACE)" IFACE_FORMS "\n"
    "  -6, --ipv6             send to the IPv6 all-nodes group ff02::1 on -I IFACE,\n"
    "                         or on every interface that is up and can multicast\n"
    "  -e, --ethernet         send a raw Ethernet frame (EtherType 0x0842) to\n"
    "                         ff:ff:ff:ff:ff:ff out of -I IFACE; needs root or\n"
    "                         CAP_NET_RAW; Linux only\n"
    "      --to-port PORT     UDP port to send to (default 9)\n"
    "      --log WHERE        stderr or syslog (default stderr)\n"
    "  -h, --help             show this help\n"
    "  -V, --version          show the versions of wol-relay and the library\n"
    "Signals: TERM and INT stop it with a summary, HUP reads the allow-list\n"
    "again, USR1 logs a summary.\n"
    "Exit status: 0 stopped by a signal, 1 cannot start, 2 a command line that\n"
    "cannot be used.\n"
    "See wol-relay(1).\n";

namespace {

constexpr long long kMaxPort = 65535;

enum class Id : std::uint8_t {
  port,
  listen,
  allow,
  allow_any,
  from,
  rate,
  global_rate,
  ip,
  all,
  iface,
  ipv6,
  ethernet,
  to_port,
  log,
  help,
  version
};

constexpr Option<Id> kOptions[] = {
    {"port", 'p', true, Id::port},
    {"listen", 'l', true, Id::listen},
    {"allow", '\0', true, Id::allow},
    {"allow-any", '\0', false, Id::allow_any},
    {"from", '\0', true, Id::from},
    {"rate", '\0', true, Id::rate},
    {"global-rate", '\0', true, Id::global_rate},
    {"ip", 'i', true, Id::ip},
    {"all-interfaces", 'a', false, Id::all},
    {"interface", 'I', true, Id::iface},
    {"ipv6", '6', false, Id::ipv6},
    {"ethernet", 'e', false, Id::ethernet},
    {"to-port", '\0', true, Id::to_port},
    {"log", '\0', true, Id::log},
    {"help", 'h', false, Id::help},
    {"version", 'V', false, Id::version},
};

std::string rate(std::string_view value, Rate &out) {
  if (const std::optional<Rate> read = parse_rate(value)) {
    out = *read;
    return {};
  }
  return "RATE must be N or N/SECONDS (N from 1 to 100000, SECONDS from 1 to 86400), not " +
         quoted(value);
}

class Reader {
public:
  CommandLine read(const std::vector<std::string_view> &args) {
    std::string error = read_options<Id>(
        args, kOptions,
        [this](const Option<Id> &option, std::string_view value) { return apply(option, value); },
        [this](std::string_view word) {
          if (word_.empty()) {
            word_ = "unexpected argument " + quoted(word);
          }
        });
    if (error.empty()) {
      error = word_;
    }
    if (error.empty() && plan_.action == Action::relay) {
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
    switch (option.id) {
    case Id::port:
      return read_number("PORT", value, 1, kMaxPort, s.port);
    case Id::listen:
      if (const std::optional<Endpoint> address = parse_address(std::string(value))) {
        s.listen.push_back(*address);
        return {};
      }
      return "ADDRESS must be an IPv4 or IPv6 address of this machine, not " + quoted(value);
    case Id::allow:
      s.allow = std::string(value);
      return value.empty() ? "FILE must not be empty" : "";
    case Id::allow_any:
      s.allow_any = true;
      return {};
    case Id::from:
      if (const std::optional<Cidr> cidr = parse_cidr(value)) {
        s.from.push_back(*cidr);
        return {};
      }
      return "CIDR must be an address, or an address and a prefix length (192.0.2.0/24), not " +
             quoted(value);
    case Id::rate:
      return rate(value, s.per_mac);
    case Id::global_rate:
      return rate(value, s.global);
    case Id::ip:
      s.to.address = std::string(value);
      return value.empty() ? "ADDRESS must not be empty" : address_usage_error("ADDRESS", value);
    case Id::all:
      s.to.all_interfaces = true;
      return {};
    case Id::iface:
      s.to.iface = std::string(value);
      return value.empty() ? "IFACE must not be empty" : "";
    case Id::ipv6:
      s.to.ipv6 = true;
      return {};
    case Id::ethernet:
      s.to.ethernet = true;
      return {};
    case Id::to_port:
      return read_number("PORT", value, 1, kMaxPort, s.to_port);
    case Id::log:
      return log(value);
    case Id::help:
      plan_.action = Action::help;
      return {};
    case Id::version:
      plan_.action = Action::version;
      return {};
    }
    return {};
  }

  std::string log(std::string_view value) {
    if (value == "stderr") {
      plan_.settings.log = LogTo::standard_error;
      return {};
    }
    if (value == "syslog") {
#ifdef _WIN32
      return "--log syslog: Windows has no syslog; the log goes to standard error";
#else
      plan_.settings.log = LogTo::syslog;
      return {};
#endif
    }
    return "WHERE must be stderr or syslog, not " + quoted(value);
  }

  [[nodiscard]] std::string conflict() const {
    const Settings &s = plan_.settings;
    if (s.allow && s.allow_any) {
      return "--allow and --allow-any together: give one";
    }
    if (!s.allow && !s.allow_any) {
      return "no allow-list: give --allow FILE with the MACs to forward for, or --allow-any "
             "to forward for every MAC";
    }
    return destination_conflict(s.to);
  }

  Plan plan_;
  std::string word_;
};

} // namespace

CommandLine read_command_line(const std::vector<std::string_view> &args) {
  return Reader().read(args);
}

} // namespace wol::relay
