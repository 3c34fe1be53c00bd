// wol-relay's option table: argument lists and the plans or usage errors
// they give, without a network; and the values its options read (--from's
// CIDRs, --rate's N/SECONDS).
#include "command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using wol::relay::Action;
using wol::relay::Plan;

struct Case {
  const char *name;
  std::vector<std::string> args;
  std::string expected; // the plan, as `describe` writes it, or "error: MESSAGE"
};

std::string describe(const Plan &plan) {
  if (plan.action != Action::relay) {
    return plan.action == Action::help ? "help" : "version";
  }
  const wol::relay::Settings &s = plan.settings;
  std::string out = "port=" + std::to_string(s.port);
  for (const wol::Endpoint &address : s.listen) {
    out += " listen=" + wol::address_text(address);
  }
  out += s.allow ? " allow=" + *s.allow : std::string(s.allow_any ? " allow-any" : "");
  for (const wol::relay::Cidr &cidr : s.from) {
    out += " from=" + wol::relay::cidr_text(cidr);
  }
  out += " rate=" + std::to_string(s.per_mac.count) + "/" + std::to_string(s.per_mac.seconds) +
         " global=" + std::to_string(s.global.count) + "/" + std::to_string(s.global.seconds);
  out += " to=" + s.to.address.value_or("") + (s.to.all_interfaces ? "all" : "") +
         (s.to.iface ? "iface:" + *s.to.iface : "") + (s.to.ipv6 ? "+ipv6" : "") +
         (s.to.ethernet ? "+ethernet" : "") + ":" + std::to_string(s.to_port);
  out += s.log == wol::relay::LogTo::syslog ? " syslog" : "";
  return out;
}

const Case kCases[] = {
    {"allow_list_and_defaults",
     {"--allow", "/etc/wol-relay.allow"},
     "port=9 allow=/etc/wol-relay.allow rate=1/1 global=10/1 to=:9"},
    {"allow_any", {"--allow-any"}, "port=9 allow-any rate=1/1 global=10/1 to=:9"},
    {"everything",
     {"-p", "40009", "-l", "192.0.2.1", "--listen=2001:db8::1", "--allow-any", "--from",
      "192.0.2.0/24", "--from=2001:db8::/32", "--from", "10.1.2.3", "--rate", "3/10",
      "--global-rate=100", "-i", "198.51.100.255", "--to-port", "7"},
     "port=40009 listen=192.0.2.1 listen=2001:db8::1 allow-any from=192.0.2.0/24 "
     "from=2001:db8::/32 from=10.1.2.3/32 rate=3/10 global=100/1 to=198.51.100.255:7"},
    // Host bits are cleared, as the network is meant.
    {"from_with_host_bits",
     {"--allow-any", "--from", "192.0.2.77/25"},
     "port=9 allow-any from=192.0.2.0/25 rate=1/1 global=10/1 to=:9"},
    {"all_interfaces", {"--allow-any", "-a"}, "port=9 allow-any rate=1/1 global=10/1 to=all:9"},
    {"one_interface_ipv6",
     {"--allow-any", "-6I", "eth1"},
     "port=9 allow-any rate=1/1 global=10/1 to=iface:eth1+ipv6:9"},
#ifdef __linux__
    {"frames",
     {"--allow-any", "-e", "-I", "eth1"},
     "port=9 allow-any rate=1/1 global=10/1 to=iface:eth1+ethernet:9"},
    {"frames_need_an_interface",
     {"--allow-any", "-e"},
     "error: -e needs -I IFACE, the interface to send the frame out of"},
#else
    {"frames_off_linux",
     {"--allow-any", "-eI", "eth1"},
     "error: -e sends raw Ethernet frames, which this build cannot: Linux only"},
#endif
#ifdef _WIN32
    {"no_syslog_on_windows",
     {"--allow-any", "--log", "syslog"},
     "error: --log syslog: Windows has no syslog; the log goes to standard error"},
#else
    {"syslog",
     {"--allow-any", "--log=syslog"},
     "port=9 allow-any rate=1/1 global=10/1 to=:9 syslog"},
#endif
    {"help", {"--help"}, "help"},
    {"version", {"-V", "--allow-any"}, "version"},
    {"no_allow_list",
     {"-i", "192.0.2.255"},
     "error: no allow-list: give --allow FILE with the MACs to forward for, or --allow-any to "
     "forward for every MAC"},
    {"both_allow_options",
     {"--allow", "f", "--allow-any"},
     "error: --allow and --allow-any together: give one"},
    {"empty_allow_file", {"--allow="}, "error: FILE must not be empty"},
    {"from_not_an_address",
     {"--allow-any", "--from", "lan"},
     "error: CIDR must be an address, or an address and a prefix length (192.0.2.0/24), not "
     "'lan'"},
    {"from_prefix_too_long",
     {"--allow-any", "--from", "192.0.2.0/33"},
     "error: CIDR must be an address, or an address and a prefix length (192.0.2.0/24), not "
     "'192.0.2.0/33'"},
    {"rate_0",
     {"--allow-any", "--rate", "0"},
     "error: RATE must be N or N/SECONDS (N from 1 to 100000, SECONDS from 1 to 86400), not "
     "'0'"},
    {"rate_without_seconds",
     {"--allow-any", "--global-rate", "5/"},
     "error: RATE must be N or N/SECONDS (N from 1 to 100000, SECONDS from 1 to 86400), not "
     "'5/'"},
    {"listen_on_a_name",
     {"--allow-any", "-l", "router"},
     "error: ADDRESS must be an IPv4 or IPv6 address of this machine, not 'router'"},
    {"ip_and_all",
     {"--allow-any", "-a", "-i", "192.0.2.255"},
     "error: -a sends to every interface's broadcast; it cannot go with -i"},
    {"to_port_0",
     {"--allow-any", "--to-port", "0"},
     "error: PORT must be from 1 to 65535, not '0'"},
    {"log_elsewhere",
     {"--allow-any", "--log", "file"},
     "error: WHERE must be stderr or syslog, not 'file'"},
    {"a_mac_as_a_word",
     {"--allow-any", "00:11:22:33:44:55"},
     "error: unexpected argument '00:11:22:33:44:55'"},
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class RelayCommandLine : public testing::TestWithParam<Case> {};

TEST_P(RelayCommandLine, GivesItsPlanOrUsageError) {
  const Case &c = GetParam();
  const std::vector<std::string_view> args(c.args.begin(), c.args.end());
  const wol::relay::CommandLine result = wol::relay::read_command_line(args);
  EXPECT_EQ(result.plan ? describe(*result.plan) : "error: " + result.error, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, RelayCommandLine, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

TEST(RelayCidr, HoldsTheAddressesOfItsNetworkOnly) {
  const auto holds = [](const char *cidr, const char *address) {
    return wol::relay::contains(*wol::relay::parse_cidr(cidr), *wol::parse_address(address));
  };
  EXPECT_TRUE(holds("192.0.2.0/24", "192.0.2.255"));
  EXPECT_FALSE(holds("192.0.2.0/24", "192.0.3.0"));
  EXPECT_TRUE(holds("192.0.2.128/25", "192.0.2.200"));
  EXPECT_FALSE(holds("192.0.2.128/25", "192.0.2.127"));
  EXPECT_TRUE(holds("10.1.2.3", "10.1.2.3"));
  EXPECT_FALSE(holds("10.1.2.3", "10.1.2.4"));
  EXPECT_TRUE(holds("0.0.0.0/0", "203.0.113.9"));
  EXPECT_TRUE(holds("2001:db8::/32", "2001:db8:ffff::1"));
  EXPECT_FALSE(holds("2001:db8::/33", "2001:db8:8000::1"));
  EXPECT_FALSE(holds("0.0.0.0/0", "::1")); // a family holds no address of the other
  EXPECT_FALSE(holds("::/0", "127.0.0.1"));
}

} // namespace
