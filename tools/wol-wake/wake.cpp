#include "wake.h"

#include "probe.h"
#include "program.h"
#include "target_file.h"
#include "tarnwick_wol.h"
#include "text.h"
#include "up.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace wol::wake {
namespace {

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

} // namespace

void Waker::fail(std::string_view where, std::string_view message) {
  std::string line = "wol-wake: ";
  line.append(where);
  line += ": ";
  line.append(message);
  line += '\n';
  (void)std::fwrite(line.data(), 1, line.size(), stderr);
  failed_ = true;
}

bool Waker::prepare() {
  planned_ = planner_.planned(settings_.port);
  if (!planned_.error.empty()) {
    std::fprintf(stderr, "wol-wake: %s\n", planned_.error.c_str());
    return false;
  }
  // Frames need rights: said once, before any target.
  if (settings_.to.ethernet && !settings_.dry_run) {
    if (const std::optional<std::string> failed = transport_.open_frames()) {
      fail(planned_.list.front().shown, *failed);
      return false;
    }
  }
  return true;
}

std::optional<Waker::Target> Waker::target(std::string_view where, std::string_view mac_text,
                                           const std::vector<Destination> &to) {
  std::string error;
  const std::optional<MacBytes> mac = read_mac(mac_text, ethers_, error);
  if (!mac) {
    fail(where, error);
    return std::nullopt;
  }
  Target target{std::string(where), colon_mac(*mac), std::vector<unsigned char>(kMaxPacket), to,
                std::vector<bool>(to.size(), false)};
  if (wol_packet(target.mac.c_str(), target.packet.data(),
                 static_cast<int>(target.packet.size())) != TARNWICK_WOL_PACKET_SIZE) {
    fail(where, wol_last_error());
    return std::nullopt;
  }
  target.packet.resize(TARNWICK_WOL_PACKET_SIZE);
  target.packet.insert(target.packet.end(), settings_.password.begin(), settings_.password.end());
  return target;
}

std::string Waker::route_of(const Destination &to) {
  if (!settings_.verbose || to.frame) {
    return {};
  }
  std::string error;
  const std::optional<Endpoint> source = Transport::source_for(to, error);
  if (!source) {
    return " (no route: " + error + ")";
  }
  std::string name = to.interface_name;
  for (const Interface &each : planner_.interfaces().list) {
    for (const Endpoint &own : each.addresses) {
      if (name.empty() && same_address(own, *source)) {
        name = each.name;
      }
    }
  }
  return " via " + (name.empty() ? std::string("?") : shown(name)) + " from " +
         address_text(*source);
}

bool Waker::send_copy(Target &target) {
  bool all = true;
  for (std::size_t i = 0; i < target.to.size(); ++i) {
    const Destination &to = target.to[i];
    if (settings_.dry_run) {
      write_line({"would send ", target.mac, " to ", to.shown, route_of(to), ": ",
                  hex_text(target.packet.data(), target.packet.size())});
      continue;
    }
    if (target.failed[i]) {
      all = false;
      continue;
    }
    if (const std::optional<std::string> failed =
            transport_.send(to, target.packet.data(), target.packet.size())) {
      fail(target.where, to.shown + ": " + *failed);
      target.failed[i] = true;
      all = false;
    } else if (!settings_.quiet) {
      write_line({"sent ", target.mac, " to ", to.shown, route_of(to)});
    }
  }
  return all;
}

void Waker::send_copies(Target &target) {
  for (int copy = 0; copy < settings_.count; ++copy) {
    if (copy > 0 && settings_.wait_ms > 0 && !settings_.dry_run) {
      (void)std::fflush(stdout);
      sleep_ms(settings_.wait_ms);
    }
    send_copy(target);
  }
}

void Waker::wake(std::string_view where, std::string_view mac) {
  if (std::optional<Target> each = target(where, mac, planned_.list)) {
    send_copies(*each);
  }
}

void Waker::wake_file(const std::string &name) {
  const bool is_stdin = name == "-";
  const std::string shown_name = is_stdin ? "(standard input)" : shown(name);
  if (is_stdin) {
    read_standard_input_as_bytes(); // UTF-16 and CR LF as they are
  }
  std::FILE *file = is_stdin ? stdin : open_for_reading(name);
  if (file == nullptr) {
    fail(shown_name, std::string("cannot open: ") + std::strerror(errno));
    return;
  }
  unsigned long targets = 0;
  const std::string error = read_lines(file, is_stdin, [&](const Line &line) {
    const std::optional<TargetLine> found = target_line(line);
    if (!found) {
      return true;
    }
    ++targets;
    const std::string where = shown_name + ":" + std::to_string(found->number);
    if (!found->error.empty()) {
      fail(where, found->error);
      return true;
    }
    if (!found->address) {
      wake(where, found->mac);
      return true;
    }
    const Destinations own =
        planner_.for_line(*found->address, found->port.value_or(settings_.port));
    if (!own.error.empty()) {
      fail(where, own.error);
    } else if (std::optional<Target> each = target(where, found->mac, own.list)) {
      send_copies(*each);
    }
    return true;
  });
  if (!is_stdin) {
    (void)std::fclose(file);
  }
  if (!error.empty()) {
    fail(shown_name, error);
  } else if (targets == 0) {
    fail(shown_name, "no target in the file");
  }
}

int Waker::wake_and_wait(std::string_view mac, const std::string &host) {
  constexpr int kUp = 0;
  constexpr int kCannot = 1;
  constexpr int kTimedOut = 3;
  const std::string host_shown = shown(host);
  // The host is read, and can be asked, before anything is sent.
  const Destinations asked = planner_.for_option(host, settings_.up_port);
  if (!asked.error.empty()) {
    std::fprintf(stderr, "wol-wake: %s\n", asked.error.c_str());
    return kCannot;
  }
  Prober prober(asked.list.front().address, settings_.up_port);
  if (const std::optional<std::string> fatal = prober.open()) {
    fail(host_shown, *fatal);
    return kCannot;
  }
  std::optional<Target> each = target(shown(mac), mac, planned_.list);
  if (!each) {
    return kCannot;
  }
  const UpTiming timing{std::chrono::seconds(settings_.timeout_s),
                        std::chrono::seconds(settings_.resend_s), settings_.count,
                        milliseconds(settings_.wait_ms)};
  const UpResult result = wait_until_up(
      timing, prober,
      [&] {
        const bool went = send_copy(*each);
        (void)std::fflush(stdout);
        return went;
      },
      [] { return Clock::now(); });
  switch (result.outcome) {
  case UpOutcome::up:
    if (!settings_.quiet) {
      const long long tenths = result.after.count() / 100;
      write_line({"up ", host_shown, " after ", std::to_string(tenths / 10), ".",
                  std::to_string(tenths % 10), " s"});
    }
    return kUp;
  case UpOutcome::not_sent:
    return kCannot;
  case UpOutcome::timed_out:
    break;
  }
  fail(host_shown, "not up after " + std::to_string(settings_.timeout_s) +
                       " s; last try: " + (result.reason.empty() ? "no answer" : result.reason));
  return kTimedOut;
}

} // namespace wol::wake
