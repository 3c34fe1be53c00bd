#include "rate_limit.h"

#include "text.h"

namespace wol::relay {
namespace {

constexpr long long kMaxCount = 100000;
constexpr long long kMaxSeconds = 86400;

} // namespace

std::optional<Rate> parse_rate(std::string_view text) {
  const std::size_t slash = text.find('/');
  const std::optional<long long> count = decimal(text.substr(0, slash));
  std::optional<long long> seconds = 1;
  if (slash != std::string_view::npos) {
    seconds = decimal(text.substr(slash + 1));
  }
  if (!count || !seconds || *count < 1 || *count > kMaxCount || *seconds < 1 ||
      *seconds > kMaxSeconds) {
    return std::nullopt;
  }
  return Rate{static_cast<int>(*count), static_cast<int>(*seconds)};
}

std::string rate_text(const Rate &rate) {
  return std::to_string(rate.count) + " per " + std::to_string(rate.seconds) + " s";
}

bool RateLimits::full(Window &window, const Rate &rate, Clock::time_point now) {
  const Clock::time_point start = now - std::chrono::seconds(rate.seconds);
  while (!window.empty() && window.front() <= start) {
    window.pop_front();
  }
  return window.size() >= static_cast<std::size_t>(rate.count);
}

Limited RateLimits::check(const MacBytes &mac, Clock::time_point now) {
  forget_old(now);
  const auto known = per_mac_.find(mac);
  if (known != per_mac_.end() && full(known->second, per_mac_rate_, now)) {
    return Limited::per_mac;
  }
  return full(global_, global_rate_, now) ? Limited::global : Limited::no;
}

void RateLimits::record(const MacBytes &mac, Clock::time_point now) {
  per_mac_[mac].push_back(now);
  global_.push_back(now);
}

// Now and then, the MACs whose forwards have all left their window, so that
// a relay that runs for months keeps only what its limits need.
void RateLimits::forget_old(Clock::time_point now) {
  if (now < next_cleaning_) {
    return;
  }
  next_cleaning_ = now + std::chrono::seconds(per_mac_rate_.seconds);
  for (auto each = per_mac_.begin(); each != per_mac_.end();) {
    (void)full(each->second, per_mac_rate_, now); // drops the times that left the window
    each = each->second.empty() ? per_mac_.erase(each) : std::next(each);
  }
}

} // namespace wol::relay
