#include "wake.h"

#include "destinations.h"
#include "interfaces.h"
#include "mac_forms.h"
#include "probe.h"
#include "target_file.h"
#include "tarnwick_wol.h"
#include "text.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <initializer_list>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace wol::wake {
namespace {

constexpr std::size_t kChunk = std::size_t{64} * 1024;

// The magic packet and a SecureOn password's four or six bytes.
constexpr std::size_t kMaxPacket = TARNWICK_WOL_PACKET_SIZE + 6;

// Writes the pieces as one line of standard output.
void write_line(std::initializer_list<std::string_view> pieces) {
  std::string line;
  for (const std::string_view piece : pieces) {
    line.append(piece);
  }
  line += '\n';
  (void)std::fwrite(line.data(), 1, line.size(), stdout);
}

// Reads the next bytes of `file` into `chunk`; 0 at its end. Standard input
// comes a line at a time, so that each target typed or piped in goes at
// once; a file in large blocks.
std::size_t read_some(std::FILE *file, bool by_line, std::string &chunk) {
  if (!by_line) {
    return std::fread(chunk.data(), 1, chunk.size(), file);
  }
  std::size_t got = 0;
  int c = 0;
  while (got < chunk.size() && (c = std::getc(file)) != EOF) {
    chunk[got++] = static_cast<char>(c);
    if (c == '\n') {
      break;
    }
  }
  return got;
}

std::string hex(const std::vector<unsigned char> &packet) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * packet.size());
  for (const unsigned char byte : packet) {
    out += kHex[byte >> 4U];
    out += kHex[byte & 0xFU];
  }
  return out;
}

} // namespace

std::optional<MacBytes> Waker::look_up(std::string_view where, std::string_view name) {
  std::string error;
  std::optional<MacBytes> mac = ethers_.find(name, error);
  if (!mac) {
    fail(where, error);
  }
  return mac;
}

std::optional<Endpoint> Waker::endpoint(const std::string &address, std::string &error) {
  auto known = names_.find(address);
  if (known == names_.end()) {
    known = names_.emplace(address, find_endpoint(address)).first;
  }
  error = known->second.error;
  return known->second.endpoint;
}

void Waker::fail(std::string_view where, std::string_view message, std::string_view reason) {
  std::string line = "wol-wake: ";
  line.append(where);
  line += ": ";
  line.append(message);
  if (!reason.empty()) {
    line += ": ";
    line.append(reason);
  }
  line += '\n';
  (void)std::fwrite(line.data(), 1, line.size(), stderr);
  failed_ = true;
}

bool Waker::list_interfaces() {
  const DestinationChoice choice{settings_.address, settings_.all_interfaces, settings_.iface,
                                 settings_.ipv6, settings_.ethernet};
  if (!from_interfaces(choice)) {
    return true;
  }
  InterfaceDestinations found = interface_destinations(choice, wol::list_interfaces());
  if (!found.error.empty()) {
    std::fprintf(stderr, "wol-wake: %s\n", found.error.c_str());
    return false;
  }
  broadcasts_ = std::move(found.addresses);
  frame_interface_ = std::move(found.frame_interface);
  frame_index_ = found.frame_index;
  return true;
}

void Waker::deliver(std::string_view where, const std::string &mac,
                    const std::vector<unsigned char> &packet, const std::string &address,
                    int port) {
  const bool frame = address.empty(); // -e
  // Most targets share their address and port: read them once.
  if (frame) {
    last_address_.clear();
    last_endpoint_ = Endpoint{};
    last_destination_ = "ff:ff:ff:ff:ff:ff on " + shown(frame_interface_);
  } else if (address != last_address_ || port != last_port_) {
    last_address_ = address;
    last_port_ = port;
    last_endpoint_ = endpoint(address, last_error_);
    last_destination_ = shown_destination(address, port);
  }
  const std::optional<Endpoint> &to = last_endpoint_;
  if (!to) {
    fail(where, last_error_);
    return;
  }
  const std::string &destination = last_destination_;
  for (int i = 0; i < settings_.count; ++i) {
    if (settings_.dry_run) {
      write_line({"would send ", mac, " to ", destination, ": ", hex(packet)});
      continue;
    }
    if (sent_any_ && settings_.wait_ms > 0) {
      (void)std::fflush(stdout);
      sleep_ms(settings_.wait_ms);
    }
    const std::optional<std::string> failure =
        frame ? transport_.send_frame(frame_index_, packet.data(), packet.size())
              : transport_.send(*to, port, packet.data(), packet.size());
    if (failure) {
      fail(where, destination, *failure);
      return;
    }
    sent_any_ = true;
    if (!settings_.quiet) {
      write_line({"sent ", mac, " to ", destination});
    }
  }
}

void Waker::wake(std::string_view where, std::string_view mac_text,
                 const std::optional<std::string> &address, int port) {
  std::string mac;
  if (!is_mac_form(mac_text) && may_be_host_name(mac_text)) {
    const std::optional<MacBytes> found = look_up(where, mac_text);
    if (!found) {
      return;
    }
    mac = colon_mac(*found);
  } else {
    mac = library_mac(mac_text);
  }
  std::vector<unsigned char> packet(kMaxPacket);
  if (wol_packet(mac.c_str(), packet.data(), static_cast<int>(packet.size())) !=
      TARNWICK_WOL_PACKET_SIZE) {
    fail(where, wol_last_error());
    return;
  }
  packet.resize(TARNWICK_WOL_PACKET_SIZE);
  packet.insert(packet.end(), settings_.password.begin(), settings_.password.end());
  const std::string mac_shown = shown(mac);
  if (address) {
    deliver(where, mac_shown, packet, *address, port);
  } else if (settings_.ethernet) {
    deliver(where, mac_shown, packet, "", port);
  } else if (settings_.all_interfaces || settings_.iface || settings_.ipv6) {
    // One adapter that fails does not keep the others from trying.
    for (const std::string &broadcast : broadcasts_) {
      deliver(where, mac_shown, packet, broadcast, port);
    }
  } else {
    deliver(where, mac_shown, packet, kLimitedBroadcast, port);
  }
}

void Waker::wake_line(const std::string &shown_name, const TargetLine &line) {
  const std::string where = shown_name + ":" + std::to_string(line.number);
  if (!line.error.empty()) {
    fail(where, line.error);
    return;
  }
  int port = settings_.port;
  if (line.fields.size() == 3) {
    const std::string &text = line.fields[2];
    const std::optional<long long> value = decimal(text);
    if (!value) {
      fail(where, "PORT must be a number, not '" + shown(text) + "'");
      return;
    }
    if (*value < 1 || *value > 65535) {
      fail(where, "PORT must be from 1 to 65535, not '" + shown(text) + "'");
      return;
    }
    port = static_cast<int>(*value);
  }
  wake(where, line.fields[0], line.fields.size() >= 2 ? line.fields[1] : settings_.address, port);
}

void Waker::wake_file(const std::string &name) {
  const bool is_stdin = name == "-";
  const std::string shown_name = is_stdin ? "(standard input)" : shown(name);
  std::FILE *file = stdin;
  if (is_stdin) {
#ifdef _WIN32
    (void)_setmode(_fileno(stdin), _O_BINARY); // bytes as they are: UTF-16, CR LF
#endif
  } else {
    file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
      fail(shown_name, std::string("cannot open: ") + std::strerror(errno));
      return;
    }
  }
  TargetFileReader reader;
  std::vector<TargetLine> lines;
  std::string chunk(kChunk, '\0');
  unsigned long targets = 0;
  bool at_end = false;
  while (!at_end) {
    const std::size_t got = read_some(file, is_stdin, chunk);
    at_end = got == 0 || std::feof(file) != 0 || std::ferror(file) != 0;
    reader.feed(std::string_view(chunk.data(), got), lines);
    if (at_end) {
      reader.finish(lines);
    }
    for (const TargetLine &line : lines) {
      wake_line(shown_name, line);
      ++targets;
    }
    lines.clear();
  }
  if (std::ferror(file) != 0) {
    fail(shown_name, std::string("cannot read: ") + std::strerror(errno));
  } else if (!reader.error().empty()) {
    fail(shown_name, reader.error());
  } else if (targets == 0) {
    fail(shown_name, "no target in the file");
  }
  if (!is_stdin) {
    (void)std::fclose(file);
  }
}

} // namespace wol::wake

namespace wol::wake {

int Waker::wait_until_up(const std::function<void()> &resend) {
  using Clock = std::chrono::steady_clock;
  using std::chrono::milliseconds;
  constexpr int kUp = 0;
  constexpr int kCannotAsk = 1;
  constexpr int kTimedOut = 3;
  constexpr milliseconds kAttemptEvery{1000};
  const std::string &host = settings_.up_host.value_or(std::string());
  const std::string host_shown = shown(host);
  std::string error;
  const std::optional<Endpoint> to = endpoint(host, error);
  if (!to) {
    fail(host_shown, error == kBadAddress ? "not an IPv4 dotted quad" : error);
    return kCannotAsk;
  }
  Prober prober(*to, settings_.up_port);
  (void)std::fflush(stdout); // what was sent, before the wait and its messages
  const Clock::time_point start = Clock::now();
  const Clock::time_point deadline = start + std::chrono::seconds(settings_.timeout_s);
  const std::chrono::seconds resend_every(settings_.resend_s);
  Clock::time_point next_resend = start + resend_every;
  // Each pass takes a second or more, and the deadline ends them.
  for (Clock::time_point attempt_start = start; attempt_start < deadline;
       attempt_start = Clock::now()) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - attempt_start);
    std::string fatal;
    if (prober.attempt(static_cast<int>(std::min(left, kAttemptEvery).count()), fatal)) {
      if (!settings_.quiet) {
        const auto tenths =
            std::chrono::duration_cast<milliseconds>(Clock::now() - start).count() / 100;
        write_line({"up ", host_shown, " after ", std::to_string(tenths / 10), ".",
                    std::to_string(tenths % 10), " s"});
      }
      return kUp;
    }
    if (!fatal.empty()) {
      fail(host_shown, fatal);
      return kCannotAsk;
    }
    // A resend with -c and -w takes their time: only when it ends before the deadline.
    const milliseconds resend_takes{static_cast<long long>(settings_.count - 1) *
                                    settings_.wait_ms};
    if (settings_.resend_s > 0 && Clock::now() >= next_resend &&
        Clock::now() + resend_takes < deadline) {
      resend();
      (void)std::fflush(stdout);
      next_resend += resend_every;
    }
    const Clock::time_point next = std::min(attempt_start + kAttemptEvery, deadline);
    const Clock::time_point now = Clock::now();
    if (next > now) {
      (void)std::fflush(stdout);
      sleep_ms(static_cast<int>(std::chrono::duration_cast<milliseconds>(next - now).count()) + 1);
    }
  }
  fail(host_shown, "not up after " + std::to_string(settings_.timeout_s) + " s");
  return kTimedOut;
}

} // namespace wol::wake
