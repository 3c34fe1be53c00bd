// The relay's decision about each request, made before anything is sent:
// forward it, or refuse it for one reason, in this order of checks:
//   own          the relay sent it itself (its own broadcast or datagram back)
//   broadcast    it was sent to a broadcast or multicast address, not to
//                this relay: what relays and senders send to a whole network
//                is never forwarded, so relays cannot feed one another
//   sender       its source is outside every --from
//   not-magic    it holds no magic packet (the reader's verdict says why)
//   not-allowed  its MAC is not in the allow-list
//   loop         -i would send it back to the address it came from (another
//                machine's: this machine's own datagrams are judged by `own`)
//   rate-mac     its MAC was forwarded as often as --rate allows lately
//   rate-global  the relay forwarded as often as --global-rate allows lately
// What the relay knows of the request beyond its bytes (whether it sent it,
// whether it was sent to this machine) comes in as facts, so that the
// decision stays free of the system and is tested as it is.
#ifndef WOL_RELAY_POLICY_H
#define WOL_RELAY_POLICY_H

#include "cidr.h"
#include "ethers.h"
#include "magic_packet.h"
#include "rate_limit.h"
#include "receiver.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol::relay {

enum class Refusal : std::uint8_t {
  none, // forward it
  own,
  broadcast,
  sender,
  not_magic,
  not_allowed,
  loop,
  rate_mac,
  rate_global
};
constexpr std::size_t kRefusals = 9;

// "own", "broadcast", ..., as the log and the summary name them.
std::string_view refusal_name(Refusal refusal);

struct Rules {
  std::optional<Ethers> allow; // none: any MAC (--allow-any)
  std::string allow_file;      // as shown in messages
  std::vector<Cidr> from;      // empty: anyone
  Rate per_mac;
  Rate global{10, 1};
  std::optional<Endpoint> forward_to; // -i's address
};

struct Facts {
  bool sent_by_this_relay = false;
  bool sent_to_this_machine = true;
  bool sent_from_this_machine = false; // where `own` judges, not `loop`
};

struct Ruling {
  Refusal refusal = Refusal::none;
  MagicReading reading;
  std::string name;   // the allow-list's name for the MAC, if it has one
  std::string reason; // a refusal in words, for the log
};

class Policy {
public:
  explicit Policy(Rules rules) : rules_(std::move(rules)), limits_(rules_.per_mac, rules_.global) {}

  // Judges one request at `now`; a forward counts against the rate limits.
  Ruling judge(const Arrival &request, const Facts &facts, Clock::time_point now);

  // The allow-list read again (SIGHUP).
  void replace_allow_list(Ethers list) { rules_.allow = std::move(list); }
  [[nodiscard]] const Rules &rules() const { return rules_; }

private:
  [[nodiscard]] bool sender_allowed(const Endpoint &source) const;

  Rules rules_;
  RateLimits limits_;
};

} // namespace wol::relay

#endif
