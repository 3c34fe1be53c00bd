#include "command_line.h"

#include "destinations.h"
#include "mac_forms.h"
#include "options.h"
#include "text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#ifdef _WIN32
#define ETHERS_DEFAULT "%SystemRoot%\\System32\\drivers\\etc\\ethers"
#define IFACE_FORMS "; IFACE: name or index"
#else
#define ETHERS_DEFAULT "/etc/ethers"
#define IFACE_FORMS ""
#endif

namespace wol::wake {

const char kUsage[] =
    "usage: wol-wake [OPTIONS] MAC...\n"
    "       wol-wake [OPTIONS] -f FILE          FILE '-' is standard input\n"
    "       wol-wake MAC ADDRESS [PORT]         the 1.0 form, still accepted\n"
    "  -i, --ip ADDRESS       address to send to: IPv4, IPv6 or a host name\n"
    "                         (default 255.255.255.255)\n"
    "  -p, --port PORT        UDP port, 1 to 65535 (default 9)\n"
    "  -a, --all-interfaces   send to the directed broadcast of every IPv4 interface\n"
    "  -I, --interface IFACE  send out of IFACE only (IPv4: its directed broadcasts;\n"
    "                         with -6: ff02::1%IFACE)" IFACE_FORMS "\n"
    "  -6, --ipv6             send to the IPv6 all-nodes group ff02::1 on -I IFACE,\n"
    "                         or on every interface that is up and can multicast\n"
    "  -e, --ethernet         send a raw Ethernet frame (EtherType 0x0842) to\n"
    "                         ff:ff:ff:ff:ff:ff out of -I IFACE; needs root or\n"
    "                         CAP_NET_RAW; Linux only\n"
    "  -c, --count N          send each packet N times (default 1, at most 1000)\n"
    "  -w, --wait MS          wait MS milliseconds between packets (default 100 when N > 1)\n"
    "  -f, --file FILE        read targets from FILE, one 'MAC [ADDRESS [PORT]]' a line\n"
    "  -P, --password PW      append a SecureOn password: six bytes in a MAC form,\n"
    "                         or four as a dotted quad\n"
    "      --ethers FILE      where host names are looked up (default " ETHERS_DEFAULT ")\n"
    "  -u, --up HOST[:PORT]   after sending, wait until HOST answers: a TCP connection\n"
    "                         to PORT, or an ICMP echo when no PORT is given\n"
    "  -t, --timeout SECONDS  how long --up waits (default 120)\n"
    "  -r, --resend SECONDS   with --up, send again every SECONDS while waiting\n"
    "                         (default 10; 0: never)\n"
    "  -n, --dry-run          show what would be sent, send nothing\n"
    "  -q, --quiet            print only errors\n"
    "  -h, --help             show this help\n"
    "  -V, --version          show the versions of wol-wake and the library\n"
    "MAC: AA:BB:CC:DD:EE:FF, AABBCCDDEEFF, AA-BB-CC-DD-EE-FF, aabb.ccdd.eeff,\n"
    "8:0:20:1:14:5c, or a host name of the ethers file.\n"
    "In FILE (UTF-8, or UTF-16 with a byte order mark), blank lines and text\n"
    "after '#' are ignored; a line's ADDRESS and PORT override -i and -p.\n"
    "Exit status: 0 all sent (with --up: and the machine is up), 1 a target\n"
    "failed, 2 a command line that cannot be used, 3 --up timed out.\n"
    "See wol-wake(1).\n";

namespace {

constexpr long long kMaxPort = 65535;
constexpr long long kMaxCount = 1000;
constexpr long long kMaxWaitMs = 60000;
constexpr long long kMaxTimeout = 86400;
constexpr int kDefaultRepeatWaitMs = 100;

enum class Id : std::uint8_t {
  ip,
  port,
  all,
  iface,
  ipv6,
  ethernet,
  count,
  wait,
  file,
  password,
  ethers,
  up,
  timeout,
  resend,
  dry_run,
  quiet,
  help,
  version
};

constexpr Option<Id> kOptions[] = {
    {"ip", 'i', true, Id::ip},
    {"port", 'p', true, Id::port},
    {"all-interfaces", 'a', false, Id::all},
    {"interface", 'I', true, Id::iface},
    {"ipv6", '6', false, Id::ipv6},
    {"ethernet", 'e', false, Id::ethernet},
    {"count", 'c', true, Id::count},
    {"wait", 'w', true, Id::wait},
    {"file", 'f', true, Id::file},
    {"password", 'P', true, Id::password},
    {"ethers", '\0', true, Id::ethers},
    {"up", 'u', true, Id::up},
    {"timeout", 't', true, Id::timeout},
    {"resend", 'r', true, Id::resend},
    {"dry-run", 'n', false, Id::dry_run},
    {"quiet", 'q', false, Id::quiet},
    {"help", 'h', false, Id::help},
    {"version", 'V', false, Id::version},
};

// An argument that is an option: '-' and more, but not a negative number
// (the 1.0 form's PORT may be one), -6 aside.
bool is_option(std::string_view arg) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (arg.size() < 2 || arg[0] != '-') {
    return false;
  }
  // -6 and -6n are -6; -60 is a number.
  return !digit(arg[1]) || (arg[1] == '6' && (arg.size() == 2 || !digit(arg[2])));
}

// Whether the 1.0 form's ADDRESS may be `text`: empty (the default), or
// digits and dots with at least one dot. No MAC form is that, but a MAC
// form is tested first all the same.
bool looks_like_address(std::string_view text) {
  return text.empty() || (text.find('.') != std::string_view::npos &&
                          text.find_first_not_of("0123456789.") == std::string_view::npos);
}

class Reader {
public:
  explicit Reader(const std::vector<std::string_view> &args) : args_(args) {}

  CommandLine read() {
    error_ = read_options<Id>(
        args_, kOptions,
        [this](const Option<Id> &option, std::string_view value) {
          apply(option, value);
          return error_;
        },
        [this](std::string_view word) { words_.emplace_back(word); }, is_option);
    if (error_.empty() && plan_.action == Action::wake) {
      finish();
    }
    if (!error_.empty()) {
      return {std::nullopt, error_};
    }
    return {plan_, {}};
  }

private:
  void apply(const Option<Id> &option, std::string_view value) {
    Settings &s = plan_.settings;
    switch (option.id) {
    case Id::ip:
      if (value.empty()) {
        error_ = "ADDRESS must not be empty";
      }
      s.address = std::string(value);
      break;
    case Id::port:
      error_ = read_number("PORT", value, 1, kMaxPort, s.port);
      port_given_ = true;
      break;
    case Id::all:
      s.all_interfaces = true;
      break;
    case Id::iface:
      if (value.empty()) {
        error_ = "IFACE must not be empty";
      }
      s.iface = std::string(value);
      break;
    case Id::ipv6:
      s.ipv6 = true;
      break;
    case Id::ethernet:
      s.ethernet = true;
      break;
    case Id::count:
      error_ = read_number("N", value, 1, kMaxCount, s.count);
      break;
    case Id::wait:
      error_ = read_number("MS", value, 0, kMaxWaitMs, s.wait_ms);
      wait_given_ = true;
      break;
    case Id::file:
      plan_.files.emplace_back(value);
      break;
    case Id::password:
      if (auto bytes = password_bytes(value)) {
        s.password = std::move(*bytes);
      } else {
        error_ = "PW must be six bytes as aa:bb:cc:dd:ee:ff or four as a dotted quad, not " +
                 quoted(value);
      }
      break;
    case Id::ethers:
      if (value.empty()) {
        error_ = "FILE must not be empty";
      }
      s.ethers_file = std::string(value);
      break;
    case Id::up:
      up(value);
      break;
    case Id::timeout:
      error_ = read_number("SECONDS", value, 1, kMaxTimeout, s.timeout_s);
      timing_given_ = true;
      break;
    case Id::resend:
      error_ = read_number("SECONDS", value, 0, kMaxTimeout, s.resend_s);
      timing_given_ = true;
      break;
    case Id::dry_run:
      s.dry_run = true;
      break;
    case Id::quiet:
      s.quiet = true;
      break;
    case Id::help:
      plan_.action = Action::help;
      break;
    case Id::version:
      plan_.action = Action::version;
      break;
    }
  }

  // The words after the options: MACs, or the 1.0 form.
  void finish() {
    Settings &s = plan_.settings;
    if (words_.empty() && plan_.files.empty()) {
      error_ = "no MAC address and no -f FILE given";
      return;
    }
    if (is_old_form()) {
      old_form();
    } else {
      plan_.macs = words_;
    }
    if (error_.empty()) {
      error_ = conflict();
    }
    if (error_.empty()) {
      error_ = up_conflict();
    }
    if (!wait_given_) {
      s.wait_ms = s.count > 1 ? kDefaultRepeatWaitMs : 0;
    }
  }

  // HOST, HOST:PORT, [IPv6]:PORT, or an IPv6 address without a port.
  void up(std::string_view value) {
    Settings &s = plan_.settings;
    std::string_view host = value;
    std::string_view port;
    bool has_port = false;
    if (!value.empty() && value[0] == '[') {
      const std::size_t close = value.find(']');
      const std::string_view rest = close == std::string_view::npos ? "?" : value.substr(close + 1);
      if (!rest.empty() && rest[0] != ':') {
        error_ = "HOST[:PORT] must be a name or an address, or [IPv6]:PORT, not " + quoted(value);
        return;
      }
      host = value.substr(1, close - 1);
      has_port = !rest.empty();
      port = has_port ? rest.substr(1) : rest;
    } else if (std::count(value.begin(), value.end(), ':') == 1) {
      const std::size_t colon = value.find(':');
      host = value.substr(0, colon);
      port = value.substr(colon + 1);
      has_port = true;
    }
    if (host.empty()) {
      error_ = "HOST must not be empty";
      return;
    }
    s.up_port = 0;
    if (has_port) {
      error_ = read_number("PORT", port, 1, kMaxPort, s.up_port);
    }
    s.up_host = std::string(host);
  }

  // --up waits for one machine that the packet really went to.
  [[nodiscard]] std::string up_conflict() const {
    const Settings &s = plan_.settings;
    if (!s.up_host) {
      return timing_given_ ? "-t and -r go with --up" : "";
    }
    if (s.dry_run) {
      return "--up waits for the machine to answer; it cannot go with -n";
    }
    if (plan_.macs.size() != 1 || !plan_.files.empty()) {
      return "--up waits for one machine: give exactly one MAC, and no -f";
    }
    return {};
  }

  // Options that choose the destinations in two ways at once.
  [[nodiscard]] std::string conflict() const {
    const Settings &s = plan_.settings;
    return destination_conflict({s.address, s.all_interfaces, s.iface, s.ipv6, s.ethernet});
  }

  // MAC ADDRESS [PORT], and no file: only when the second word is no MAC.
  [[nodiscard]] bool is_old_form() const {
    return (words_.size() == 2 || words_.size() == 3) && plan_.files.empty() &&
           !is_mac_form(words_[1]) && looks_like_address(words_[1]);
  }

  // The 1.0 form keeps its meanings: an empty ADDRESS is the default one,
  // and a PORT of 0 or below is port 9.
  void old_form() {
    Settings &s = plan_.settings;
    if (s.address) {
      error_ = "an ADDRESS after the MAC and -i together";
      return;
    }
    if (s.all_interfaces || s.iface || s.ipv6 || s.ethernet) {
      s.address = "";
      error_ = conflict();
      const std::string with_ip = " -i";
      if (error_.size() > with_ip.size() &&
          error_.compare(error_.size() - with_ip.size(), with_ip.size(), with_ip) == 0) {
        error_.replace(error_.size() - with_ip.size(), with_ip.size(), " an ADDRESS");
      }
      if (!error_.empty()) {
        return;
      }
    }
    if (words_.size() == 3) {
      if (port_given_) {
        error_ = "a PORT after the ADDRESS and -p together";
        return;
      }
      const std::string_view port = words_[2];
      const bool negative = port.size() > 1 && port[0] == '-' && decimal(port.substr(1));
      if (negative || decimal(port) == 0) {
        s.port = kDefaultPort;
      } else {
        error_ = read_number("PORT", port, 1, kMaxPort, s.port);
        if (!error_.empty()) {
          return;
        }
      }
    }
    if (!words_[1].empty()) {
      s.address = words_[1];
    }
    plan_.macs = {words_[0]};
  }

  const std::vector<std::string_view> &args_;
  bool port_given_ = false;
  bool wait_given_ = false;
  bool timing_given_ = false;
  std::vector<std::string> words_;
  Plan plan_;
  std::string error_;
};

} // namespace

std::optional<std::vector<unsigned char>> password_bytes(std::string_view text) {
  if (const std::optional<MacBytes> mac = mac_bytes(text)) {
    return std::vector<unsigned char>(mac->begin(), mac->end());
  }
  constexpr std::size_t kQuad = 4;
  constexpr long long kMaxByte = 255;
  std::vector<unsigned char> bytes;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = text.find('.', at);
    const std::string_view part = text.substr(at, end == std::string_view::npos ? end : end - at);
    const std::optional<long long> value = decimal(part);
    if (!value || part.size() > 3 || *value > kMaxByte || bytes.size() == kQuad) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<unsigned char>(*value));
    if (end == std::string_view::npos) {
      break;
    }
    at = end + 1;
  }
  if (bytes.size() != kQuad) {
    return std::nullopt;
  }
  return bytes;
}

CommandLine read_command_line(const std::vector<std::string_view> &args) {
  return Reader(args).read();
}

} // namespace wol::wake
