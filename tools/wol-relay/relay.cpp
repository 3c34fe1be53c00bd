#include "relay.h"

#include "allow_list.h"
#include "interfaces.h"
#include "log.h"
#include "policy.h"
#include "receiver.h"
#include "signals.h"
#include "tarnwick_wol.h"
#include "text.h"
#include "transport.h"

#include <array>
#include <cstdio>
#include <map>
#include <memory>

namespace wol::relay {
namespace {

void error_line(const std::string &message) {
  std::fprintf(stderr, "wol-relay: %s\n", message.c_str());
}

std::string plural(std::size_t count, const char *one, const char *many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Where the forwards go, for the start-up line.
std::string destinations_text(const DestinationChoice &to, int port) {
  const std::string on_port = ", port " + std::to_string(port);
  if (to.address) {
    return shown_destination(*to.address, port);
  }
  if (to.ethernet) {
    return "raw Ethernet frames to ff:ff:ff:ff:ff:ff out of " + shown(to.iface.value_or(""));
  }
  if (to.ipv6) {
    return "ff02::1 " + (to.iface ? "on " + shown(*to.iface) : "on every interface") + on_port;
  }
  if (to.iface) {
    return shown(*to.iface) + "'s directed broadcasts" + on_port;
  }
  if (to.all_interfaces) {
    return "every interface's directed broadcasts" + on_port;
  }
  return shown_destination(kLimitedBroadcast, port);
}

class Relay {
public:
  explicit Relay(const Settings &settings)
      : settings_(settings), log_(settings.log), planner_(settings.to) {}

  int run() {
    const std::optional<Rules> rules = read_rules();
    if (!rules) {
      return kCannotStart;
    }
    policy_ = std::make_unique<Policy>(*rules);
    if (settings_.to.iface) {
      const Interfaces found = list_interfaces();
      if (find_interface(found, *settings_.to.iface) == nullptr) {
        error_line(unknown_interface(found, *settings_.to.iface));
        return kCannotStart;
      }
    }
    if (settings_.to.ethernet) {
      if (const std::optional<std::string> failed = transport_.open_frames()) {
        error_line("-e: " + *failed);
        return kCannotStart;
      }
    }
    ListenSettings sockets;
    sockets.ports = {settings_.port};
    sockets.addresses = settings_.listen;
    if (const std::optional<ListenFailure> failed = receiver_.open(sockets)) {
      error_line(failure_message(*failed, "wol-relay"));
      return kCannotStart;
    }
    catch_signals();
    interfaces_ = list_interfaces();
    listed_ = Clock::now();
    started_ = listed_;
    log_.write(
        "started: receiving on " +
        describe_listening(sockets, receiver_.listening(false), receiver_.listening(true), "") +
        "; sending to " + destinations_text(settings_.to, settings_.to_port) + "; " + rules_text());
    return loop();
  }

private:
  std::optional<Rules> read_rules() {
    Rules rules;
    if (settings_.allow) {
      AllowListRead read = read_allow_list(*settings_.allow);
      if (!read.list) {
        error_line(read.error);
        return std::nullopt;
      }
      rules.allow = std::move(read.list);
      rules.allow_file = shown(*settings_.allow);
    }
    rules.from = settings_.from;
    rules.per_mac = settings_.per_mac;
    rules.global = settings_.global;
    if (settings_.to.address) {
      const Destinations to = planner_.for_option(*settings_.to.address, settings_.to_port);
      if (!to.error.empty()) {
        error_line("-i " + to.error);
        return std::nullopt;
      }
      rules.forward_to = to.list.front().address;
    }
    return rules;
  }

  [[nodiscard]] std::string rules_text() const {
    const Rules &rules = policy_->rules();
    std::string text = rules.allow
                           ? "for the " + plural(rules.allow->entries().size(), "MAC", "MACs") +
                                 " of " + rules.allow_file
                           : std::string("for any MAC");
    if (rules.from.empty()) {
      text += ", from anyone";
    } else {
      text += ", from ";
      for (std::size_t i = 0; i < rules.from.size(); ++i) {
        text += (i == 0 ? "" : ", ") + cidr_text(rules.from[i]);
      }
    }
    return text + "; at most " + rate_text(rules.per_mac) + " a MAC and " +
           rate_text(rules.global) + " in all";
  }

  int loop() {
    for (;;) {
      Arrival request;
      if (receiver_.wait(-1, request) == Woken::arrival) {
        handle(request);
        continue;
      }
      switch (take_request()) {
      case Request::stop:
        summary();
        return kStopped;
      case Request::reload:
        reload();
        break;
      case Request::report:
        summary();
        break;
      case Request::none:
        break;
      }
    }
  }

  // Whether `address` is this machine's: loopback's, or an interface's,
  // listed again (at most once a second) when it is not found, as
  // addresses come and go.
  bool is_local(const Endpoint &address) {
    if (!address.ipv6 && address.bytes[0] == 127) {
      return true;
    }
    if (is_local_address(interfaces_, address)) {
      return true;
    }
    if (Clock::now() - listed_ < std::chrono::seconds(1)) {
      return false;
    }
    interfaces_ = list_interfaces();
    listed_ = Clock::now();
    return is_local_address(interfaces_, address);
  }

  void handle(const Arrival &request) {
    ++requests_;
    dropped_[request.socket] = request.dropped;
    Facts facts;
    facts.sent_from_this_machine = is_local(request.source);
    facts.sent_by_this_relay = facts.sent_from_this_machine &&
                               transport_.sends_from(request.source.ipv6, request.source_port);
    facts.sent_to_this_machine = !request.destination || is_local(*request.destination);
    const Ruling ruling = policy_->judge(request, facts, Clock::now());
    const std::string who = (ruling.reading.mac ? colon_mac(*ruling.reading.mac) : "-") +
                            (ruling.name.empty() ? "" : " (" + ruling.name + ")") + " from " +
                            shown_destination(address_text(request.source), request.source_port);
    if (ruling.refusal != Refusal::none) {
      ++refused_[static_cast<std::size_t>(ruling.refusal)];
      log_.write("refused " + who + ": " + std::string(refusal_name(ruling.refusal)) + ": " +
                 ruling.reason);
      return;
    }
    if (ruling.reading.mac) {
      forward(*ruling.reading.mac, ruling.reading.password, who);
    }
  }

  // The destinations of a forward now: -i's, or the interfaces' as they are.
  Destinations destinations() {
    planner_.forget_interfaces();
    return planner_.planned(settings_.to_port);
  }

  void forward(const MacBytes &mac, const std::vector<unsigned char> &password,
               const std::string &who) {
    std::array<unsigned char, TARNWICK_WOL_PACKET_SIZE + 6> bytes{};
    (void)wol_packet(colon_mac(mac).c_str(), bytes.data(), TARNWICK_WOL_PACKET_SIZE);
    std::copy(password.begin(), password.end(), bytes.begin() + TARNWICK_WOL_PACKET_SIZE);
    const std::size_t size = TARNWICK_WOL_PACKET_SIZE + password.size();
    const Destinations to = destinations();
    std::string failures = to.error;
    std::string sent;
    for (const Destination &each : to.list) {
      if (const std::optional<std::string> failed = transport_.send(each, bytes.data(), size)) {
        failures += (failures.empty() ? "" : "; ") + each.shown + ": " + *failed;
      } else {
        sent += (sent.empty() ? "" : ", ") + each.shown;
      }
    }
    const std::string with = password.empty() ? "" : " with its password";
    if (sent.empty()) {
      ++failed_;
      log_.write("failed " + who + with + ": " + failures);
      return;
    }
    ++forwarded_;
    log_.write("forwarded " + who + with + " to " + sent +
               (failures.empty() ? "" : " (failed: " + failures + ")"));
  }

  void reload() {
    if (!settings_.allow) {
      log_.write("reload: nothing to read again (--allow-any)");
      return;
    }
    AllowListRead read = read_allow_list(*settings_.allow);
    if (!read.list) {
      log_.write("reload: kept the allow-list as it was: " + read.error);
      return;
    }
    const std::size_t count = read.list->entries().size();
    policy_->replace_allow_list(std::move(*read.list));
    log_.write("reload: " + shown(*settings_.allow) + ": " + plural(count, "MAC", "MACs"));
  }

  void summary() {
    const auto tenths =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count() /
        100;
    std::size_t refused = 0;
    std::string reasons;
    for (std::size_t i = 1; i < kRefusals; ++i) {
      if (refused_[i] != 0) {
        refused += refused_[i];
        reasons += (reasons.empty() ? "" : ", ") +
                   std::string(refusal_name(static_cast<Refusal>(i))) + " " +
                   std::to_string(refused_[i]);
      }
    }
    unsigned long long dropped = 0;
    for (const auto &[socket, count] : dropped_) {
      dropped += count;
    }
    log_.write("summary after " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) +
               " s: " + plural(requests_, "request", "requests") + ": " +
               std::to_string(forwarded_) + " forwarded, " + std::to_string(failed_) + " failed, " +
               std::to_string(refused) + " refused" +
               (reasons.empty() ? "" : " (" + reasons + ")") +
               (dropped == 0 ? ""
                             : "; " + plural(dropped, "more", "more") +
                                   " dropped unread by the system, its buffer full"));
  }

  const Settings &settings_;
  Log log_;
  std::unique_ptr<Policy> policy_;
  Receiver receiver_;
  Transport transport_;
  Interfaces interfaces_;
  Clock::time_point listed_;
  Clock::time_point started_;
  DestinationPlanner planner_; // each host name read once
  std::size_t requests_ = 0;
  std::size_t forwarded_ = 0;
  std::size_t failed_ = 0;
  std::array<std::size_t, kRefusals> refused_{};
  std::map<std::size_t, std::uint32_t> dropped_; // by socket
};

} // namespace

int relay(const Settings &settings) { return Relay(settings).run(); }

} // namespace wol::relay
