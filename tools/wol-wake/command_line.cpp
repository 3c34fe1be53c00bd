#include "command_line.h"

#include "address.h"
#include "mac_forms.h"
#include "options.h"
#include "password.h"
#include "text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace wol::wake {
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
  password_file,
  ethers,
  up,
  timeout,
  resend,
  dry_run,
  verbose,
  quiet,
  help,
  version
};

// An option: its names, the name of its value ("": it takes none), and
// the one line of help that --help, the manual page and docs/wol-wake.md
// show for it.
struct Entry {
  std::string_view long_name;
  std::string_view value;
  std::string_view help;
  char short_name; // '\0': only the long name
  Id id;
};

#ifdef _WIN32
#define WOL_WAKE_ETHERS "%SystemRoot%\\System32\\drivers\\etc\\ethers"
#else
#define WOL_WAKE_ETHERS "/etc/ethers"
#endif

constexpr Entry kOptions[] = {
    {"ip", "ADDRESS",
     "address to send to: an IPv4 dotted quad, an IPv6 address or a host name "
     "(default 255.255.255.255)",
     'i', Id::ip},
    {"port", "PORT", "UDP port, 1 to 65535 (default 9)", 'p', Id::port},
    {"all-interfaces", "", "send to the directed broadcast of every IPv4 interface that is up", 'a',
     Id::all},
    {"interface", "IFACE",
     "send out of IFACE alone: to its directed broadcasts, to -i's ADDRESS, or with -6 to "
     "ff02::1 on it",
     'I', Id::iface},
    {"ipv6", "",
     "send to the IPv6 all-nodes group ff02::1 on -I IFACE, or on every interface that is up "
     "and can multicast",
     '6', Id::ipv6},
    {"ethernet", "",
     "send a raw Ethernet frame (EtherType 0x0842) to ff:ff:ff:ff:ff:ff out of -I IFACE "
     "(Linux; needs root or CAP_NET_RAW)",
     'e', Id::ethernet},
    {"count", "N", "send each packet N times, 1 to 1000 (default 1)", 'c', Id::count},
    {"wait", "MS", "wait MS milliseconds between the copies, 0 to 60000 (default 100 when N > 1)",
     'w', Id::wait},
    {"file", "FILE",
     "read targets from FILE ('-': standard input), one 'MAC [ADDRESS [PORT]]' a line", 'f',
     Id::file},
    {"password", "PW",
     "append a SecureOn password: six bytes in a MAC form, or four as a dotted quad; "
     "'-': read it from standard input",
     'P', Id::password},
    {"password-file", "FILE", "read the SecureOn password from the first line of FILE", '\0',
     Id::password_file},
    {"ethers", "FILE", "where host names are looked up (default " WOL_WAKE_ETHERS ")", '\0',
     Id::ethers},
    {"up", "HOST[:PORT]",
     "after sending, wait until HOST answers: a TCP connection to PORT, or an ICMP echo "
     "without one",
     'u', Id::up},
    {"timeout", "SECONDS", "how long --up waits, 1 to 86400 (default 120)", 't', Id::timeout},
    {"resend", "SECONDS",
     "with --up, send again every SECONDS while waiting, 0 to 86400 (default 10; 0: never)", 'r',
     Id::resend},
    {"dry-run", "", "show what would be sent, send nothing", 'n', Id::dry_run},
    {"verbose", "", "also say which interface and source address each datagram leaves by", 'v',
     Id::verbose},
    {"quiet", "", "print only errors", 'q', Id::quiet},
    {"help", "", "show this help", 'h', Id::help},
    {"version", "", "show the versions of wol-wake and the library", 'V', Id::version},
};

constexpr std::size_t kHelpColumn = 28;
constexpr std::size_t kColumns = 80;

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

class Reader {
public:
  explicit Reader(const std::vector<std::string_view> &args) : args_(args) {}

  CommandLine read() {
    std::vector<OptionName> names;
    for (const Entry &entry : kOptions) {
      names.push_back({entry.long_name, entry.short_name, !entry.value.empty()});
    }
    error_ = read_options(
        args_, names,
        [this](std::size_t index, std::string_view value) {
          apply(kOptions[index].id, value);
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
  // "NAME must not be empty" for an empty value, else "".
  static std::string not_empty(std::string_view name, std::string_view value) {
    return value.empty() ? std::string(name) + " must not be empty" : "";
  }

  void apply(Id id, std::string_view value) {
    Settings &s = plan_.settings;
    switch (id) {
    case Id::ip:
      s.to.address = std::string(value);
      error_ = value.empty() ? not_empty("ADDRESS", value) : address_usage_error("ADDRESS", value);
      break;
    case Id::port:
      error_ = read_number("PORT", value, 1, kMaxPort, s.port);
      port_given_ = true;
      break;
    case Id::all:
      s.to.all_interfaces = true;
      break;
    case Id::iface:
      s.to.iface = std::string(value);
      error_ = not_empty("IFACE", value);
      break;
    case Id::ipv6:
      s.to.ipv6 = true;
      break;
    case Id::ethernet:
      s.to.ethernet = true;
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
      error_ = not_empty("FILE", value);
      break;
    case Id::password:
      password(value);
      break;
    case Id::password_file:
      s.password.clear();
      s.password_file = std::string(value);
      error_ = not_empty("FILE", value);
      break;
    case Id::ethers:
      s.ethers_file = std::string(value);
      error_ = not_empty("FILE", value);
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
    case Id::verbose:
      s.verbose = true;
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

  // A password is never shown, not even when it cannot be used.
  void password(std::string_view value) {
    Settings &s = plan_.settings;
    s.password_file.reset();
    s.password.clear();
    if (value == "-") {
      s.password_file = "-";
    } else if (std::optional<std::vector<unsigned char>> bytes = password_bytes(value)) {
      s.password = std::move(*bytes);
    } else {
      error_ = "PW must be six bytes in a MAC form (aa:bb:cc:dd:ee:ff) or four as a dotted quad";
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
      error_ = destination_conflict(s.to, "-i");
    }
    if (error_.empty()) {
      error_ = up_conflict();
    }
    if (error_.empty() && s.password_file == "-" &&
        std::find(plan_.files.begin(), plan_.files.end(), "-") != plan_.files.end()) {
      error_ = "-P - and -f - both read standard input: give the password with --password-file";
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
    s.up_port = 0;
    s.up_host = std::string(host);
    error_ = host.empty() ? not_empty("HOST", host) : address_usage_error("HOST", host);
    if (error_.empty() && has_port) {
      error_ = read_number("PORT", port, 1, kMaxPort, s.up_port);
    }
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

  // MAC ADDRESS [PORT], and no file: only when the second word is no MAC
  // and is empty (the default address) or an IPv4 address by its shape.
  [[nodiscard]] bool is_old_form() const {
    return (words_.size() == 2 || words_.size() == 3) && plan_.files.empty() &&
           !is_mac_form(words_[1]) &&
           (words_[1].empty() || address_shape(words_[1]) == AddressShape::ipv4);
  }

  // The 1.0 form keeps its meanings: an empty ADDRESS is the default one,
  // and a PORT of 0 or below is port 9.
  void old_form() {
    Settings &s = plan_.settings;
    if (s.to.address) {
      error_ = "an ADDRESS after the MAC and -i together";
      return;
    }
    const std::string &address = words_[1];
    if (!address.empty()) {
      s.to.address = address;
      error_ = address_usage_error("ADDRESS", address);
    }
    if (error_.empty()) {
      DestinationChoice with_address = s.to;
      with_address.address = address;
      error_ = destination_conflict(with_address, "an ADDRESS");
    }
    if (!error_.empty()) {
      return;
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

// Appends `text` in lines of at most kColumns, each after the first
// indented to kHelpColumn; a word longer than a line stands alone.
void append_wrapped(std::string &out, std::string_view text, std::size_t column) {
  bool line_start = true;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(' '), text.size());
    const std::string_view word = text.substr(0, end);
    if (!line_start && column + 1 + word.size() > kColumns) {
      out += '\n';
      out.append(kHelpColumn, ' ');
      column = kHelpColumn;
      line_start = true;
    }
    if (!line_start) {
      out += ' ';
      ++column;
    }
    out.append(word);
    column += word.size();
    line_start = false;
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  out += '\n';
}

} // namespace

CommandLine read_command_line(const std::vector<std::string_view> &args) {
  return Reader(args).read();
}

std::string usage() {
  std::string out = "usage: wol-wake [OPTIONS] MAC...\n"
                    "       wol-wake [OPTIONS] -f FILE\n"
                    "       wol-wake MAC ADDRESS [PORT]         the 1.0 form, still accepted\n";
  for (const Entry &entry : kOptions) {
    std::string names = entry.short_name != '\0' ? std::string{' ', ' ', '-', entry.short_name, ','}
                                                 : std::string(5, ' ');
    names += " --";
    names.append(entry.long_name);
    if (!entry.value.empty()) {
      names += ' ';
      names.append(entry.value);
    }
    const std::size_t gap = names.size() < kHelpColumn ? kHelpColumn - names.size() : 1;
    out += names;
    out.append(gap, ' ');
    append_wrapped(out, entry.help, names.size() + gap);
  }
  out += "MAC: AA:BB:CC:DD:EE:FF, AABBCCDDEEFF, AA-BB-CC-DD-EE-FF, aabb.ccdd.eeff,\n"
         "aabb-ccdd-eeff, 8:0:20:1:14:5c, or a host name of the ethers file.\n"
         "In FILE (UTF-8, or UTF-16 with a byte order mark), blank lines and text\n"
         "after '#' are ignored; a line's ADDRESS and PORT override -i and -p.\n"
         "Exit status: 0 all sent (with --up: and the machine is up), 1 a target\n"
         "failed, 2 a command line that cannot be used, 3 --up timed out.\n"
         "See wol-wake(1).\n";
  return out;
}

} // namespace wol::wake
