#include "listen.h"

#include "ethers.h"
#include "interfaces.h"
#include "magic_packet.h"
#include "receiver.h"
#include "report.h"
#include "signals.h"
#include "text.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace wol::listen {
namespace {

using Clock = std::chrono::steady_clock;

void error_line(const std::string &message) {
  std::fprintf(stderr, "wol-listen: %s\n", message.c_str());
}

// --mac's and --expect's MAC, or the message once written.
bool mac_of(const std::optional<std::string> &text, std::string_view option, EthersNames &names,
            std::optional<MacBytes> &out) {
  if (!text) {
    return true;
  }
  std::string error;
  out = read_mac(*text, names, error);
  if (!out) {
    error_line(std::string(option) + " " + shown(*text) + ": " + error);
  }
  return out.has_value();
}

class Listener {
public:
  explicit Listener(const Settings &settings) : settings_(settings) {}

  int run() {
    EthersNames names(settings_.ethers_file);
    if (!mac_of(settings_.mac, "--mac", names, only_) ||
        !mac_of(settings_.expect, "--expect", names, expected_)) {
      return kBadCommandLine;
    }
    ListenSettings sockets;
    sockets.ports = settings_.ports;
    sockets.ipv4 = settings_.ipv4;
    sockets.ipv6 = settings_.ipv6;
    sockets.ipv6_asked = !settings_.ipv4;
    sockets.frames = settings_.frames;
    interfaces_ = list_interfaces();
    if (settings_.iface) {
      const Interface *chosen = find_interface(interfaces_, *settings_.iface);
      if (chosen == nullptr) {
        error_line(unknown_interface(interfaces_, *settings_.iface));
        return kCannotListen;
      }
      chosen_ = *chosen;
      sockets.frame_interface = chosen->index;
    }
    if (const std::optional<ListenFailure> failed = receiver_.open(sockets)) {
      error_line(failure_message(*failed, "wol-listen"));
      return kCannotListen;
    }
    catch_signals();
    if (!settings_.quiet) {
      error_line("listening on " + describe_listening(sockets, receiver_.listening(false),
                                                      receiver_.listening(true),
                                                      chosen_ ? chosen_->name : ""));
    }
    return loop();
  }

private:
  int loop() {
    const std::optional<Clock::time_point> deadline =
        settings_.timeout_s ? std::optional<Clock::time_point>(
                                  Clock::now() + std::chrono::seconds(*settings_.timeout_s))
                            : std::nullopt;
    int shown_count = 0;
    for (;;) {
      int ms = -1;
      if (deadline) {
        ms = static_cast<int>(std::max<long long>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now())
                   .count()));
      }
      Arrival arrival;
      const Woken woken = receiver_.wait(ms, arrival);
      if (woken == Woken::timeout) {
        return ended("no packet for " + expected_text() + " in " +
                     std::to_string(settings_.timeout_s.value_or(0)) + " s");
      }
      if (woken == Woken::request) {
        const Request request = take_request();
        if (request == Request::stop || request == Request::reload) { // SIGHUP: the terminal went
          return ended("stopped before a packet for " + expected_text() + " arrived");
        }
        continue;
      }
      if (!from_chosen_interface(arrival)) {
        continue;
      }
      const MagicReading reading = read_magic_packet(arrival.bytes.data(), arrival.bytes.size());
      if (only_ && reading.mac != only_) {
        continue;
      }
      if (!show(arrival, reading)) {
        error_line(std::string("cannot write the output: ") + std::strerror(errno));
        return kCannotListen; // a closed pipe (| head) or a full disk ends it
      }
      ++shown_count;
      if (expected_ && reading.verdict == Verdict::ok && reading.mac == expected_) {
        return kStopped;
      }
      if (settings_.count && shown_count >= *settings_.count && !expected_) {
        return kStopped;
      }
    }
  }

  // Without --expect, any end is the listening's end; with it, the packet
  // did not come.
  int ended(const std::string &why) {
    if (!expected_) {
      return kStopped;
    }
    error_line(why);
    return kNotArrived;
  }

  [[nodiscard]] std::string expected_text() const {
    return expected_ ? colon_mac(*expected_) : std::string();
  }

  [[nodiscard]] bool from_chosen_interface(const Arrival &arrival) const {
    if (!chosen_) {
      return true;
    }
    return arrival.interface_index == chosen_->index ||
           (arrival.interface_index != 0 && arrival.interface_index == chosen_->ipv4_index);
  }

  // Writes the packet's line; false when it cannot be written.
  bool show(const Arrival &arrival, const MagicReading &reading) {
    const Interface *in = interface_of_index(interfaces_, arrival.interface_index);
    if (in == nullptr && arrival.interface_index != 0) {
      interfaces_ = list_interfaces(); // one that came after the start
      in = interface_of_index(interfaces_, arrival.interface_index);
    }
    const std::string name = in != nullptr ? in->name : std::string();
    const std::string line =
        settings_.json ? json_line(arrival, reading, name) : text_line(arrival, reading, name);
    return std::fputs((line + "\n").c_str(), stdout) >= 0 && std::fflush(stdout) == 0;
  }

  const Settings &settings_;
  std::optional<MacBytes> only_;
  std::optional<MacBytes> expected_;
  Interfaces interfaces_;
  std::optional<Interface> chosen_;
  Receiver receiver_;
};

} // namespace

int listen(const Settings &settings) { return Listener(settings).run(); }

} // namespace wol::listen
