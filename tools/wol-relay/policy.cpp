#include "policy.h"

#include <algorithm>

namespace wol::relay {
namespace {

void refuse(Ruling &ruling, Refusal refusal, std::string reason) {
  ruling.refusal = refusal;
  ruling.reason = std::move(reason);
}

// "1 time in the last 1 s", "10 times in the last 60 s".
std::string times_text(const Rate &rate) {
  return std::to_string(rate.count) + (rate.count == 1 ? " time" : " times") + " in the last " +
         std::to_string(rate.seconds) + " s";
}

std::string rate_option(const Rate &rate) {
  return std::to_string(rate.count) + "/" + std::to_string(rate.seconds);
}

} // namespace

std::string_view refusal_name(Refusal refusal) {
  switch (refusal) {
  case Refusal::none:
    return "forward";
  case Refusal::own:
    return "own";
  case Refusal::broadcast:
    return "broadcast";
  case Refusal::sender:
    return "sender";
  case Refusal::not_magic:
    return "not-magic";
  case Refusal::not_allowed:
    return "not-allowed";
  case Refusal::loop:
    return "loop";
  case Refusal::rate_mac:
    return "rate-mac";
  case Refusal::rate_global:
    return "rate-global";
  }
  return "?";
}

bool Policy::sender_allowed(const Endpoint &source) const {
  return rules_.from.empty() ||
         std::any_of(rules_.from.begin(), rules_.from.end(),
                     [&source](const Cidr &each) { return contains(each, source); });
}

Ruling Policy::judge(const Arrival &request, const Facts &facts, Clock::time_point now) {
  Ruling ruling;
  ruling.reading = read_magic_packet(request.bytes.data(), request.bytes.size());
  const MagicReading &reading = ruling.reading;
  if (reading.mac && rules_.allow) {
    ruling.name = rules_.allow->name_of(*reading.mac);
  }
  if (facts.sent_by_this_relay) {
    refuse(ruling, Refusal::own, "sent by this relay");
  } else if (!facts.sent_to_this_machine) {
    refuse(ruling, Refusal::broadcast,
           "sent to " + address_text(request.destination.value_or(Endpoint{})) +
               ", not to this relay");
  } else if (!sender_allowed(request.source)) {
    refuse(ruling, Refusal::sender, "not from a network of --from");
  } else if (reading.verdict != Verdict::ok || !reading.mac) {
    refuse(ruling, Refusal::not_magic,
           std::string(verdict_name(reading.verdict)) + ", " + verdict_text(reading));
  } else if (rules_.allow && !rules_.allow->lists(*reading.mac)) {
    refuse(ruling, Refusal::not_allowed, "not in " + rules_.allow_file);
  } else if (rules_.forward_to && same_address(*rules_.forward_to, request.source) &&
             !facts.sent_from_this_machine) {
    refuse(ruling, Refusal::loop,
           "-i would send it back to " + address_text(request.source) + ", where it came from");
  } else {
    switch (limits_.check(*reading.mac, now)) {
    case Limited::per_mac:
      refuse(ruling, Refusal::rate_mac,
             "this MAC was forwarded " + times_text(rules_.per_mac) + " (--rate " +
                 rate_option(rules_.per_mac) + ")");
      break;
    case Limited::global:
      refuse(ruling, Refusal::rate_global,
             "the relay forwarded " + times_text(rules_.global) + " (--global-rate " +
                 rate_option(rules_.global) + ")");
      break;
    case Limited::no:
      limits_.record(*reading.mac, now);
      break;
    }
  }
  return ruling;
}

} // namespace wol::relay
