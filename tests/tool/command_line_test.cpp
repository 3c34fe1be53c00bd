// wol-wake's option table: argument lists and the plans or usage errors
// they give, without a network.
#include "command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using wol::wake::Action;
using wol::wake::Plan;

struct Case {
  const char *name;
  std::vector<std::string> args;
  std::string expected; // the plan, as `describe` writes it, or "error: MESSAGE"
};

std::string join(const std::vector<std::string> &items) {
  std::string out;
  for (const std::string &item : items) {
    out += (out.empty() ? "" : ",") + item;
  }
  return "[" + out + "]";
}

std::string describe(const Plan &plan) {
  if (plan.action != Action::wake) {
    return plan.action == Action::help ? "help" : "version";
  }
  const wol::wake::Settings &s = plan.settings;
  std::string out = "macs=" + join(plan.macs);
  if (!plan.files.empty()) {
    out += " files=" + join(plan.files);
  }
  if (s.to.address) {
    out += " ip=" + *s.to.address;
  }
  out += " port=" + std::to_string(s.port);
  if (s.count != 1 || s.wait_ms != 0) {
    out += " count=" + std::to_string(s.count) + " wait=" + std::to_string(s.wait_ms);
  }
  out += std::string(s.to.all_interfaces ? " all" : "") + (s.dry_run ? " dry" : "") +
         (s.quiet ? " quiet" : "") + (s.verbose ? " verbose" : "");
  if (!s.password.empty()) {
    out += " password=";
    for (const unsigned char byte : s.password) {
      out += std::to_string(byte) + ".";
    }
  }
  if (s.password_file) {
    out += " password-file=" + *s.password_file;
  }
  if (s.to.iface) {
    out += " iface=" + *s.to.iface;
  }
  if (s.to.ipv6) {
    out += " ipv6";
  }
  if (s.to.ethernet) {
    out += " ethernet";
  }
  if (s.up_host) {
    out += " up=" + *s.up_host + ":" + std::to_string(s.up_port) +
           " t=" + std::to_string(s.timeout_s) + " r=" + std::to_string(s.resend_s);
  }
  if (!s.ethers_file.empty()) {
    out += " ethers=" + s.ethers_file;
  }
  return out;
}

const std::string kMac = "00:11:22:33:44:55";
const std::string kLong(300, '7');
// The value is never shown: a password's typing errors are nearly the password.
const std::string kBadPassword =
    "error: PW must be six bytes in a MAC form (aa:bb:cc:dd:ee:ff) or four as a dotted quad";
const std::string kNotDottedQuad =
    "error: ADDRESS must be a dotted quad (four numbers from 0 to 255), not ";

const Case kCases[] = {
    // Plans.
    {"one_mac", {kMac}, "macs=[00:11:22:33:44:55] port=9"},
    {"every_option_short",
     {"-i", "10.0.0.255", "-p", "7", "-c", "3", "-w", "0", "-n", "-q", kMac},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=7 count=3 wait=0 dry quiet"},
    {"every_option_long",
     {"--ip=10.0.0.255", "--port", "65535", "--count=2", "--wait", "60000", "--dry-run", "--quiet",
      kMac},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=65535 count=2 wait=60000 dry quiet"},
    {"attached_values",
     {"-i127.0.0.1", "-c2", "-p1", kMac},
     "macs=[00:11:22:33:44:55] ip=127.0.0.1 port=1 count=2 wait=100"},
    {"flags_together_and_a_value_last",
     {"-nqi", "127.0.0.1", kMac},
     "macs=[00:11:22:33:44:55] ip=127.0.0.1 port=9 dry quiet"},
    {"count_alone_waits_100_ms",
     {"-c", "1000", kMac},
     "macs=[00:11:22:33:44:55] port=9 count=1000 wait=100"},
    {"all_interfaces",
     {"-a", kMac, "AABBCCDDEEFF"},
     "macs=[00:11:22:33:44:55,AABBCCDDEEFF] port=9 all"},
    {"double_dash_ends_the_options", {"--", "-a", "/?", "--"}, "macs=[-a,/?,--] port=9"},
    {"dash_alone_is_a_mac", {"-"}, "macs=[-] port=9"},
    {"files_in_order",
     {"-f", "a.txt", "--file=-", "-fb.txt"},
     "macs=[] files=[a.txt,-,b.txt] port=9"},
    {"help_wins", {"-p", "7", "--help", kMac}, "help"},
    {"version", {"-V"}, "version"},
    // The 1.0 form: MAC ADDRESS [PORT], keeping its meanings.
    {"old_form", {kMac, "10.0.0.255"}, "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=9"},
    {"old_form_with_port",
     {kMac, "10.0.0.255", "7"},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=7"},
    {"old_form_empty_address_and_negative_port",
     {kMac, "", "-5"},
     "macs=[00:11:22:33:44:55] port=9"},
    {"old_form_port_0", {kMac, "10.0.0.255", "0"}, "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=9"},
    {"old_form_port_minus_0",
     {kMac, "10.0.0.255", "-0"},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=9"},
    {"old_form_port_minus_9",
     {kMac, "10.0.0.255", "-9"},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=9"},
    // Digits and dots that only end like aabb.ccdd.eeff are an ADDRESS.
    {"old_form_address_shaped_almost_like_a_dotted_mac",
     {kMac, ".111.2222.3333"},
     kNotDottedQuad + "'.111.2222.3333'"},
    {"old_form_with_options",
     {"-n", kMac, "10.0.0.255"},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=9 dry"},
    // MAC forms come first: a dotted MAC of digits is no ADDRESS.
    {"dotted_mac_second",
     {"00:50:56:12:34:56", "0050.5612.3457"},
     "macs=[00:50:56:12:34:56,0050.5612.3457] port=9"},
    {"three_dotted_macs",
     {"0050.5612.3456", "0050.5612.3457", "0050.5612.3458"},
     "macs=[0050.5612.3456,0050.5612.3457,0050.5612.3458] port=9"},
    {"compact_mac_of_digits_second",
     {kMac, "005056123457"},
     "macs=[00:11:22:33:44:55,005056123457] port=9"},
    {"four_words_are_macs",
     {kMac, "10.0.0.255", "7", "8"},
     "macs=[00:11:22:33:44:55,10.0.0.255,7,8] port=9"},
    {"no_old_form_with_a_file",
     {"-f", "t.txt", kMac, "10.0.0.255"},
     "macs=[00:11:22:33:44:55,10.0.0.255] files=[t.txt] port=9"},
    {"a_word_that_is_no_address_is_a_mac", {kMac, "xyz"}, "macs=[00:11:22:33:44:55,xyz] port=9"},
    {"a_host_name_is_a_mac",
     {kMac, "host.example"},
     "macs=[00:11:22:33:44:55,host.example] port=9"},
    // SecureOn passwords: six bytes in any MAC form, or a dotted quad.
    {"password_of_six_bytes",
     {"-P", "0a-0B-0c-0d-0e-ff", kMac},
     "macs=[00:11:22:33:44:55] port=9 password=10.11.12.13.14.255."},
    {"password_with_one_digit_groups",
     {"--password=8:0:20:1:14:5c", kMac},
     "macs=[00:11:22:33:44:55] port=9 password=8.0.32.1.20.92."},
    {"password_of_four_bytes",
     {"-P192.168.001.0", kMac},
     "macs=[00:11:22:33:44:55] port=9 password=192.168.1.0."},
    {"ethers_file", {"--ethers", "my ethers", "pc"}, "macs=[pc] port=9 ethers=my ethers"},
    {"the_last_password_wins",
     {"-P", "1.2.3.4", "-P", "aabb.ccdd.eeff", kMac},
     "macs=[00:11:22:33:44:55] port=9 password=170.187.204.221.238.255."},
    // One interface, IPv6. -6 is the option even where a negative PORT
    // could be meant; -60 is a number.
    {"interface", {"-I", "Ethernet 2", kMac}, "macs=[00:11:22:33:44:55] port=9 iface=Ethernet 2"},
    {"ipv6_on_an_interface",
     {"-6I", "eth0", kMac},
     "macs=[00:11:22:33:44:55] port=9 iface=eth0 ipv6"},
    {"ipv6_everywhere", {"--ipv6", kMac}, "macs=[00:11:22:33:44:55] port=9 ipv6"},
    {"ipv6_flags_together", {"-6nq", kMac}, "macs=[00:11:22:33:44:55] port=9 dry quiet ipv6"},
    {"old_form_port_minus_60",
     {kMac, "10.0.0.255", "-60"},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=9"},
#ifdef __linux__
    {"ethernet", {"-eI", "eth0", kMac}, "macs=[00:11:22:33:44:55] port=9 iface=eth0 ethernet"},
    {"ethernet_and_ip",
     {"-e", "-I", "eth0", "-i", "::1", kMac},
     "error: -e sends a raw Ethernet frame; it cannot go with -i"},
    {"ethernet_and_ipv6",
     {"--ethernet", "-6I", "eth0", kMac},
     "error: -e sends a raw Ethernet frame; it cannot go with -6"},
    {"ethernet_and_old_form",
     {"-eI", "eth0", kMac, "10.0.0.255"},
     "error: -e sends a raw Ethernet frame; it cannot go with an ADDRESS"},
    {"ethernet_without_interface",
     {"-e", kMac},
     "error: -e needs -I IFACE, the interface to send the frame out of"},
#else
    {"ethernet_off_linux",
     {"-eI", "eth0", kMac},
     "error: -e sends raw Ethernet frames, which this build cannot: Linux only"},
#endif
    // Waiting until up: HOST, HOST:PORT, [IPv6]:PORT, IPv6 without a port.
    {"up_by_icmp",
     {"--up", "pc.example", kMac},
     "macs=[00:11:22:33:44:55] port=9 up=pc.example:0 t=120 r=10"},
    {"up_by_tcp",
     {"-u", "10.0.0.5:22", "-t", "1", "-r", "0", kMac},
     "macs=[00:11:22:33:44:55] port=9 up=10.0.0.5:22 t=1 r=0"},
    {"up_ipv6_with_a_port",
     {"--up=[fe80::1%eth0]:65535", "--timeout=86400", "--resend=86400", kMac},
     "macs=[00:11:22:33:44:55] port=9 up=fe80::1%eth0:65535 t=86400 r=86400"},
    {"up_ipv6_without_a_port",
     {"-u", "2001:db8::1", kMac},
     "macs=[00:11:22:33:44:55] port=9 up=2001:db8::1:0 t=120 r=10"},
    {"up_ipv6_in_brackets",
     {"-u", "[::1]", kMac},
     "macs=[00:11:22:33:44:55] port=9 up=::1:0 t=120 r=10"},
    {"up_with_the_old_form",
     {"-u", "10.0.0.5", kMac, "10.0.0.255", "7"},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=7 up=10.0.0.5:0 t=120 r=10"},
    // Usage errors.
    {"no_target", {"-p", "7"}, "error: no MAC address and no -f FILE given"},
    {"no_argument", {}, "error: no MAC address and no -f FILE given"},
    {"unknown_short", {"-z", kMac}, "error: unknown option '-z'"},
    {"unknown_long", {"--broadcast", kMac}, "error: unknown option '--broadcast'"},
    {"long_names_are_whole", {"--i", "127.0.0.1", kMac}, "error: unknown option '--i'"},
    {"long_option_without_a_name", {"--=127.0.0.1", kMac}, "error: unknown option '--=127.0.0.1'"},
    {"windows_help_switch", {"/?"}, "error: unknown option '/?'"},
    {"flag_with_a_value", {"--dry-run=yes", kMac}, "error: option '--dry-run=yes' takes no value"},
    {"missing_value_short", {kMac, "-p"}, "error: option '-p' needs a value"},
    {"missing_value_long", {kMac, "--port"}, "error: option '--port' needs a value"},
    {"empty_address", {"-i", "", kMac}, "error: ADDRESS must not be empty"},
    {"empty_address_attached", {"--ip=", kMac}, "error: ADDRESS must not be empty"},
    {"port_0", {"-p", "0", kMac}, "error: PORT must be from 1 to 65535, not '0'"},
    {"port_65536", {"-p", "65536", kMac}, "error: PORT must be from 1 to 65535, not '65536'"},
    {"port_beyond_every_integer",
     {"-p", "99999999999999999999", kMac},
     "error: PORT must be from 1 to 65535, not '99999999999999999999'"},
    {"port_empty", {"-p", "", kMac}, "error: PORT must be a number, not ''"},
    {"port_negative", {"-p", "-5", kMac}, "error: PORT must be a number, not '-5'"},
    {"port_with_a_space", {"-p", " 7", kMac}, "error: PORT must be a number, not ' 7'"},
    {"port_with_a_suffix", {"-p", "9x", kMac}, "error: PORT must be a number, not '9x'"},
    {"count_with_a_plus", {"-c", "+2", kMac}, "error: N must be a number, not '+2'"},
    {"count_0", {"-c", "0", kMac}, "error: N must be from 1 to 1000, not '0'"},
    {"count_1001", {"-c", "1001", kMac}, "error: N must be from 1 to 1000, not '1001'"},
    {"wait_past_its_maximum",
     {"-w", "60001", kMac},
     "error: MS must be from 0 to 60000, not '60001'"},
    {"long_values_shown_whole",
     {"-w", kLong, kMac},
     "error: MS must be from 0 to 60000, not '" + kLong + "'"},
    {"control_characters_shown_escaped",
     {"-p", "\x1b[2J", kMac},
     "error: PORT must be a number, not '\\x1b[2J'"},
    {"all_interfaces_and_ip",
     {"-a", "-i", "10.0.0.255", kMac},
     "error: -a sends to every interface's broadcast; it cannot go with -i"},
    {"all_interfaces_and_old_form",
     {"-a", kMac, "10.1.1.255"},
     "error: -a sends to every interface's broadcast; it cannot go with an ADDRESS"},
    {"old_form_and_ip",
     {"-i", "10.0.0.255", kMac, "10.0.0.255"},
     "error: an ADDRESS after the MAC and -i together"},
    {"old_form_port_and_p",
     {"-p", "7", kMac, "10.0.0.255", "8"},
     "error: a PORT after the ADDRESS and -p together"},
    {"old_form_port_not_a_number",
     {kMac, "10.0.0.255", "x"},
     "error: PORT must be a number, not 'x'"},
    {"password_of_three_bytes", {"-P", "1.2.3", kMac}, kBadPassword},
    {"password_of_five_quad_parts", {"-P", "1.2.3.4.5", kMac}, kBadPassword},
    {"password_byte_256", {"-P", "1.2.3.256", kMac}, kBadPassword},
    {"password_with_four_digits", {"-P", "0001.2.3.4", kMac}, kBadPassword},
    {"password_empty_part", {"-P", "1..2.3", kMac}, kBadPassword},
    {"password_trailing_dot", {"-P", "1.2.3.4.", kMac}, kBadPassword},
    {"password_of_five_mac_bytes", {"-P", "0a:0b:0c:0d:0e", kMac}, kBadPassword},
    {"password_empty", {"--password=", kMac}, kBadPassword},
    {"ethers_file_empty", {"--ethers=", "pc"}, "error: FILE must not be empty"},
    {"interface_empty", {"--interface=", kMac}, "error: IFACE must not be empty"},
    {"ipv6_and_ip", {"-6", "-i", "::1", kMac}, "error: -6 sends to ff02::1; it cannot go with -i"},
    {"ipv6_and_all", {"-a6", kMac}, "error: -6 sends to ff02::1; it cannot go with -a"},
    {"ipv6_and_old_form",
     {"-6", kMac, "10.0.0.255"},
     "error: -6 sends to ff02::1; it cannot go with an ADDRESS"},
    // -I names the interface every datagram leaves by: -i's too.
    {"interface_and_ip",
     {"-I", "eth0", "-i", "10.0.0.255", kMac},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=9 iface=eth0"},
    {"interface_and_old_form",
     {"-I", "eth0", kMac, "10.0.0.255"},
     "macs=[00:11:22:33:44:55] ip=10.0.0.255 port=9 iface=eth0"},
    {"interface_and_all",
     {"-a", "-I", "eth0", kMac},
     "error: -I sends out of one interface; it cannot go with -a"},
    {"old_form_negative_port_is_ipv6",
     {kMac, "10.0.0.255", "-6"},
     "error: -6 sends to ff02::1; it cannot go with an ADDRESS"},
    {"up_empty", {"--up=", kMac}, "error: HOST must not be empty"},
    {"up_empty_host", {"-u", ":22", kMac}, "error: HOST must not be empty"},
    {"up_empty_port", {"-u", "pc:", kMac}, "error: PORT must be a number, not ''"},
    {"up_port_0", {"-u", "pc:0", kMac}, "error: PORT must be from 1 to 65535, not '0'"},
    {"up_bracket_not_closed",
     {"-u", "[::1", kMac},
     "error: HOST[:PORT] must be a name or an address, or [IPv6]:PORT, not '[::1'"},
    {"up_bracket_then_text",
     {"-u", "[::1]22", kMac},
     "error: HOST[:PORT] must be a name or an address, or [IPv6]:PORT, not '[::1]22'"},
    {"up_with_a_dry_run",
     {"-n", "-u", "pc", kMac},
     "error: --up waits for the machine to answer; it cannot go with -n"},
    {"up_with_two_macs",
     {"-u", "pc", kMac, "AABBCCDDEEFF"},
     "error: --up waits for one machine: give exactly one MAC, and no -f"},
    {"up_with_a_file",
     {"-u", "pc", "-f", "t.txt"},
     "error: --up waits for one machine: give exactly one MAC, and no -f"},
    {"timeout_0", {"-u", "pc", "-t", "0", kMac}, "error: SECONDS must be from 1 to 86400, not '0'"},
    {"timeout_without_up", {"-t", "5", kMac}, "error: -t and -r go with --up"},
    {"resend_without_up", {"--resend=0", kMac}, "error: -t and -r go with --up"},
    // One rule for what an address is: text whose last part begins with a
    // digit is meant as IPv4 and must be a dotted quad, before anything is
    // sent (a resolver would take 127.1 and 0x7f.1 for 127.0.0.1).
    {"address_of_two_parts", {"-i", "127.1", kMac}, kNotDottedQuad + "'127.1'"},
    {"address_in_hex", {"-i", "0x7f.1", kMac}, kNotDottedQuad + "'0x7f.1'"},
    {"address_past_255", {"-i", "10.77.0.256", kMac}, kNotDottedQuad + "'10.77.0.256'"},
    {"address_with_a_leading_zero", {"-i", "10.0.0.010", kMac}, kNotDottedQuad + "'10.0.0.010'"},
    {"address_of_one_number", {"--ip=2130706433", kMac}, kNotDottedQuad + "'2130706433'"},
    {"address_of_five_parts", {"-i", "1.2.3.4.5", kMac}, kNotDottedQuad + "'1.2.3.4.5'"},
    {"old_form_address_past_255", {kMac, "10.0.0.256"}, kNotDottedQuad + "'10.0.0.256'"},
    {"host_name_beginning_with_a_digit",
     {"-i", "3com.example", kMac},
     "macs=[00:11:22:33:44:55] ip=3com.example port=9"},
    {"ipv6_with_a_scope",
     {"-i", "fe80::1%eth0", kMac},
     "macs=[00:11:22:33:44:55] ip=fe80::1%eth0 port=9"},
    {"ipv6_with_a_scope_of_one_character", // Windows' interface indexes
     {"-i", "fe80::1%2", kMac},
     "macs=[00:11:22:33:44:55] ip=fe80::1%2 port=9"},
    {"ipv6_malformed",
     {"-i", "fe80::zz", kMac},
     "error: ADDRESS must be an IPv6 address (fe80::1%eth0), not 'fe80::zz'"},
    {"ipv6_empty_scope",
     {"-i", "fe80::1%", kMac},
     "error: ADDRESS must be an IPv6 address (fe80::1%eth0), not 'fe80::1%'"},
    {"up_host_of_two_parts",
     {"--up", "127.1:22", kMac},
     "error: HOST must be a dotted quad (four numbers from 0 to 255), not '127.1'"},
    {"file_empty", {"-f", "", kMac}, "error: FILE must not be empty"},
    // Passwords from a file or standard input, never on the command line
    // that every user's ps shows; the last one given wins.
    {"password_from_standard_input",
     {"-P", "-", kMac},
     "macs=[00:11:22:33:44:55] port=9 password-file=-"},
    {"password_file",
     {"-P", "1.2.3.4", "--password-file", "secret", kMac},
     "macs=[00:11:22:33:44:55] port=9 password-file=secret"},
    {"password_after_a_password_file",
     {"--password-file=secret", "-P", "1.2.3.4", kMac},
     "macs=[00:11:22:33:44:55] port=9 password=1.2.3.4."},
    {"password_file_empty", {"--password-file=", kMac}, "error: FILE must not be empty"},
    {"password_and_targets_both_from_standard_input",
     {"-P", "-", "-f", "-"},
     "error: -P - and -f - both read standard input: give the password with --password-file"},
    {"verbose", {"-vn", kMac}, "macs=[00:11:22:33:44:55] port=9 dry verbose"},
    {"old_form_port_too_big",
     {kMac, "10.0.0.255", "70000"},
     "error: PORT must be from 1 to 65535, not '70000'"},
};

// Shown by its name in the test's name and in failures.
void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class CommandLine : public testing::TestWithParam<Case> {};

TEST_P(CommandLine, GivesItsPlanOrUsageError) {
  const Case &c = GetParam();
  const std::vector<std::string_view> args(c.args.begin(), c.args.end());
  const wol::wake::CommandLine result = wol::wake::read_command_line(args);
  if (result.plan) {
    EXPECT_TRUE(result.error.empty());
    EXPECT_EQ(describe(*result.plan), c.expected);
  } else {
    EXPECT_EQ("error: " + result.error, c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, CommandLine, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case> &info) { return info.param.name; });

} // namespace
