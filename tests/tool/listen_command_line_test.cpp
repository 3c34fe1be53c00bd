// wol-listen's option table: argument lists and the plans or usage errors
// they give, without a network.
#include "command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using wol::listen::Action;
using wol::listen::Plan;

struct Case {
  const char *name;
  std::vector<std::string> args;
  std::string expected; // the plan, as `describe` writes it, or "error: MESSAGE"
};

std::string describe(const Plan &plan) {
  if (plan.action != Action::listen) {
    return plan.action == Action::help ? "help" : "version";
  }
  const wol::listen::Settings &s = plan.settings;
  std::string out = "ports=";
  for (const int port : s.ports) {
    out += std::to_string(port) + (port == s.ports.back() ? "" : ",");
  }
  out += std::string(s.ipv4 ? " ipv4" : "") + (s.ipv6 ? " ipv6" : "") +
         (s.frames ? " frames" : "") + (s.json ? " json" : "") + (s.quiet ? " quiet" : "");
  if (s.iface) {
    out += " iface=" + *s.iface;
  }
  if (s.mac) {
    out += " mac=" + *s.mac;
  }
  if (s.expect) {
    out += " expect=" + *s.expect;
  }
  if (s.timeout_s) {
    out += " t=" + std::to_string(*s.timeout_s);
  }
  if (s.count) {
    out += " c=" + std::to_string(*s.count);
  }
  if (!s.ethers_file.empty()) {
    out += " ethers=" + s.ethers_file;
  }
  return out;
}

const Case kCases[] = {
    {"defaults_ports_9_and_7", {}, "ports=9,7 ipv4 ipv6"},
    {"ports_repeated_each_once", {"-p", "40009", "-p40009", "--port=7"}, "ports=40009,7 ipv4 ipv6"},
    {"ipv4_only", {"-4"}, "ports=9,7 ipv4"},
    {"ipv6_only", {"--ipv6", "-p", "9"}, "ports=9 ipv6"},
    {"expect_with_a_timeout",
     {"--expect", "office-pc", "-t", "30"},
     "ports=9,7 ipv4 ipv6 expect=office-pc t=30"},
    {"mac_count_json_quiet",
     {"--mac=0A-1B-2C-3D-4E-5F", "-c", "3", "--json", "-q"},
     "ports=9,7 ipv4 ipv6 json quiet mac=0A-1B-2C-3D-4E-5F c=3"},
    {"interface_and_ethers",
     {"-I", "Ethernet 2", "--ethers", "my ethers"},
     "ports=9,7 ipv4 ipv6 iface=Ethernet 2 ethers=my ethers"},
#ifdef __linux__
    {"frames", {"-eI", "eth0"}, "ports=9,7 ipv4 ipv6 frames iface=eth0"},
#else
    {"frames_off_linux",
     {"-e"},
     "error: -e reads raw Ethernet frames, which this system gives to no program without a "
     "capture driver (on Windows: Npcap, as Wireshark installs it); Linux only"},
#endif
    {"help_wins", {"-p", "0", "--help"}, "error: PORT must be from 1 to 65535, not '0'"},
    {"help", {"-h", "-4"}, "help"},
    {"version", {"-V"}, "version"},
    {"both_families_refused",
     {"-4", "-6"},
     "error: -4 and -6 together leave nothing to listen on; give neither for both"},
    {"a_mac_as_a_word",
     {"00:11:22:33:44:55"},
     "error: unexpected argument '00:11:22:33:44:55' (MACs go with --mac or --expect)"},
    {"timeout_0", {"-t", "0"}, "error: SECONDS must be from 1 to 86400, not '0'"},
    {"count_0", {"-c", "0"}, "error: N must be from 1 to 1000000, not '0'"},
    {"port_not_a_number", {"-p", "nine"}, "error: PORT must be a number, not 'nine'"},
    {"empty_mac", {"--expect="}, "error: MAC must not be empty"},
    {"empty_interface", {"-I", ""}, "error: IFACE must not be empty"},
    {"unknown_option", {"--broadcast"}, "error: unknown option '--broadcast'"},
    {"missing_value", {"--mac"}, "error: option '--mac' needs a value"},
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class ListenCommandLine : public testing::TestWithParam<Case> {};

TEST_P(ListenCommandLine, GivesItsPlanOrUsageError) {
  const Case &c = GetParam();
  const std::vector<std::string_view> args(c.args.begin(), c.args.end());
  const wol::listen::CommandLine result = wol::listen::read_command_line(args);
  EXPECT_EQ(result.plan ? describe(*result.plan) : "error: " + result.error, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ListenCommandLine, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

} // namespace
