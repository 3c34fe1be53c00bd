#include "command_line.h"

#include "mac_forms.h"
#include "text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace wol_wake {

const char kUsage[] =
    "usage: wol-wake [OPTIONS] MAC...\n"
    "       wol-wake [OPTIONS] -f FILE          FILE '-' is standard input\n"
    "       wol-wake MAC ADDRESS [PORT]         the 1.0 form, still accepted\n"
    "  -i, --ip ADDRESS       IPv4 address to send to (default 255.255.255.255)\n"
    "  -p, --port PORT        UDP port, 1 to 65535 (default 9)\n"
    "  -a, --all-interfaces   send to the directed broadcast of every IPv4 interface\n"
    "  -c, --count N          send each packet N times (default 1, at most 1000)\n"
    "  -w, --wait MS          wait MS milliseconds between packets (default 100 when N > 1)\n"
    "  -f, --file FILE        read targets from FILE, one 'MAC [ADDRESS [PORT]]' a line\n"
    "  -n, --dry-run          show what would be sent, send nothing\n"
    "  -q, --quiet            print only errors\n"
    "  -h, --help             show this help\n"
    "  -V, --version          show the versions of wol-wake and the library\n"
    "MAC: AA:BB:CC:DD:EE:FF, AABBCCDDEEFF, AA-BB-CC-DD-EE-FF or aabb.ccdd.eeff.\n"
    "In FILE (UTF-8, or UTF-16 with a byte order mark), blank lines and text\n"
    "after '#' are ignored; a line's ADDRESS and PORT override -i and -p.\n"
    "Exit status: 0 all sent, 1 a target failed, 2 a command line that cannot\n"
    "be used. See wol-wake(1).\n";

namespace {

constexpr long long kMaxPort = 65535;
constexpr long long kMaxCount = 1000;
constexpr long long kMaxWaitMs = 60000;
constexpr int kDefaultRepeatWaitMs = 100;

enum class Id : std::uint8_t { ip, port, all, count, wait, file, dry_run, quiet, help, version };

struct Option {
  char short_name;
  std::string_view long_name;
  bool takes_value;
  Id id;
};

constexpr std::array<Option, 10> kOptions{{
    {'i', "ip", true, Id::ip},
    {'p', "port", true, Id::port},
    {'a', "all-interfaces", false, Id::all},
    {'c', "count", true, Id::count},
    {'w', "wait", true, Id::wait},
    {'f', "file", true, Id::file},
    {'n', "dry-run", false, Id::dry_run},
    {'q', "quiet", false, Id::quiet},
    {'h', "help", false, Id::help},
    {'V', "version", false, Id::version},
}};

const Option *find_short(char name) {
  const auto *found = std::find_if(kOptions.begin(), kOptions.end(),
                                   [name](const Option &o) { return o.short_name == name; });
  return found != kOptions.end() ? found : nullptr;
}

const Option *find_long(std::string_view name) {
  const auto *found = std::find_if(kOptions.begin(), kOptions.end(),
                                   [name](const Option &o) { return o.long_name == name; });
  return found != kOptions.end() ? found : nullptr;
}

std::string quoted(std::string_view text) { return "'" + shown(text) + "'"; }

// Reads a number within [low, high] into `out`; returns the usage error, if any.
std::string number(std::string_view name, std::string_view text, long long low, long long high,
                   int &out) {
  const auto value = decimal(text);
  if (!value) {
    return std::string(name) + " must be a number, not " + quoted(text);
  }
  if (*value < low || *value > high) {
    return std::string(name) + " must be from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not " + quoted(text);
  }
  out = static_cast<int>(*value);
  return {};
}

// An argument that is an option: '-' and more, but not a negative number
// (the 1.0 form's PORT may be one).
bool is_option(std::string_view arg) {
  return arg.size() > 1 && arg[0] == '-' && (arg[1] < '0' || arg[1] > '9');
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
    for (next_ = 0; next_ < args_.size() && error_.empty(); ++next_) {
      const std::string_view arg = args_[next_];
      if (!options_ended_ && arg == "--") {
        options_ended_ = true;
      } else if (!options_ended_ && arg == "/?") {
        error_ = "unknown option '/?'";
      } else if (options_ended_ || !is_option(arg)) {
        words_.emplace_back(arg);
      } else if (arg[1] == '-') {
        long_option(arg);
      } else {
        short_options(arg);
      }
    }
    if (error_.empty() && plan_.action == Action::wake) {
      finish();
    }
    if (!error_.empty()) {
      return {std::nullopt, error_};
    }
    return {plan_, {}};
  }

private:
  // --name, --name=value or --name value.
  void long_option(std::string_view arg) {
    const std::string_view body = arg.substr(2);
    const std::size_t equals = body.find('=');
    const Option *option = find_long(body.substr(0, equals));
    if (option == nullptr) {
      error_ = "unknown option " + quoted(arg);
    } else if (!option->takes_value) {
      if (equals != std::string_view::npos) {
        error_ = "option " + quoted(arg) + " takes no value";
      } else {
        apply(*option, {});
      }
    } else if (equals != std::string_view::npos) {
      apply(*option, body.substr(equals + 1));
    } else {
      apply_next(*option, arg);
    }
  }

  // -x, flags together (-nq), and the last may take a value (-c3, -c 3).
  void short_options(std::string_view arg) {
    for (std::size_t i = 1; i < arg.size(); ++i) {
      const Option *option = find_short(arg[i]);
      if (option == nullptr) {
        error_ = "unknown option " + quoted(std::string{'-', arg[i]});
        return;
      }
      if (option->takes_value) {
        if (i + 1 < arg.size()) {
          apply(*option, arg.substr(i + 1));
        } else {
          apply_next(*option, std::string{'-', arg[i]});
        }
        return;
      }
      apply(*option, {});
    }
  }

  // The option's value is the next argument.
  void apply_next(const Option &option, std::string_view written) {
    if (next_ + 1 == args_.size()) {
      error_ = "option " + quoted(written) + " needs a value";
      return;
    }
    apply(option, args_[++next_]);
  }

  void apply(const Option &option, std::string_view value) {
    Settings &s = plan_.settings;
    switch (option.id) {
    case Id::ip:
      if (value.empty()) {
        error_ = "ADDRESS must not be empty";
      }
      s.address = std::string(value);
      break;
    case Id::port:
      error_ = number("PORT", value, 1, kMaxPort, s.port);
      port_given_ = true;
      break;
    case Id::all:
      s.all_interfaces = true;
      break;
    case Id::count:
      error_ = number("N", value, 1, kMaxCount, s.count);
      break;
    case Id::wait:
      error_ = number("MS", value, 0, kMaxWaitMs, s.wait_ms);
      wait_given_ = true;
      break;
    case Id::file:
      plan_.files.emplace_back(value);
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
    if (error_.empty() && s.all_interfaces && s.address) {
      error_ = "-a sends to every interface's broadcast; it cannot go with -i";
    }
    if (!wait_given_) {
      s.wait_ms = s.count > 1 ? kDefaultRepeatWaitMs : 0;
    }
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
    if (s.all_interfaces) {
      error_ = "-a sends to every interface's broadcast; it cannot go with an ADDRESS";
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
        error_ = number("PORT", port, 1, kMaxPort, s.port);
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
  std::size_t next_ = 0;
  bool options_ended_ = false;
  bool port_given_ = false;
  bool wait_given_ = false;
  std::vector<std::string> words_;
  Plan plan_;
  std::string error_;
};

} // namespace

CommandLine read_command_line(const std::vector<std::string_view> &args) {
  return Reader(args).read();
}

} // namespace wol_wake
