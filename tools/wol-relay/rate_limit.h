// The relay's rate limits: at most N forwards of one MAC, and N forwards in
// all, in any SECONDS seconds (a sliding window), so that a burst of
// requests never becomes a burst of broadcasts. Only forwards count; a
// refused request costs nothing.
#ifndef WOL_RELAY_RATE_LIMIT_H
#define WOL_RELAY_RATE_LIMIT_H

#include "mac_forms.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace wol::relay {

using Clock = std::chrono::steady_clock;

struct Rate {
  int count = 1;   // forwards...
  int seconds = 1; // ... in any window of this many seconds
};

// "N" or "N/SECONDS", N from 1 to 100000 and SECONDS from 1 to 86400.
std::optional<Rate> parse_rate(std::string_view text);
// "1 per 1 s", "3 per 10 s".
std::string rate_text(const Rate &rate);

enum class Limited : std::uint8_t { no, per_mac, global };

class RateLimits {
public:
  RateLimits(Rate per_mac, Rate global) : per_mac_rate_(per_mac), global_rate_(global) {}

  // Whether a forward of `mac` at `now` is within both limits.
  Limited check(const MacBytes &mac, Clock::time_point now);
  // Counts a forward of `mac` at `now`.
  void record(const MacBytes &mac, Clock::time_point now);
  // How many MACs are remembered (those forwarded within their window).
  [[nodiscard]] std::size_t remembered() const { return per_mac_.size(); }

private:
  // The times of a window's forwards, oldest first; those that left the
  // window are dropped as time goes on.
  using Window = std::deque<Clock::time_point>;
  static bool full(Window &window, const Rate &rate, Clock::time_point now);
  void forget_old(Clock::time_point now);

  Rate per_mac_rate_;
  Rate global_rate_;
  std::map<MacBytes, Window> per_mac_;
  Window global_;
  Clock::time_point next_cleaning_;
};

} // namespace wol::relay

#endif
