#include "probe.h"

#include "socket_calls.h"

#include <algorithm>
#include <cstring>

namespace wol::wake {
namespace {

constexpr milliseconds kAskEvery{1000};
constexpr std::uint8_t kEchoRequest4 = 8;
constexpr std::uint8_t kEchoReply4 = 0;
constexpr std::uint8_t kEchoRequest6 = 128;
constexpr std::uint8_t kEchoReply6 = 129;

int ms_until(Clock::time_point until) {
  return static_cast<int>(
      std::max<long long>(0, std::chrono::ceil<milliseconds>(until - Clock::now()).count()));
}

} // namespace

Answer Prober::wait(milliseconds time) {
  const Clock::time_point stop = Clock::now() + time;
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (!asking_ || now >= asked_at_ + kAskEvery) {
      if (asking_) {
        drop();
        reason_ = "no answer";
      }
      asked_at_ = now;
      const std::optional<std::string> failed = ask();
      asking_ = !failed;
      if (failed) {
        reason_ = *failed;
      }
    }
    const Clock::time_point until = std::min(stop, asked_at_ + kAskEvery);
    std::string failure;
    if (asking_ && listen(ms_until(until), failure) == Heard::answer) {
      return {true, {}};
    }
    if (!failure.empty()) {
      drop();
      asking_ = false;
      reason_ = failure;
    }
    if (!asking_) {
      sleep_ms(ms_until(until));
    }
    if (Clock::now() >= stop) {
      return {false, reason_};
    }
  }
}

std::array<unsigned char, kEchoSize> echo_request(bool ipv6, std::uint16_t identifier,
                                                  std::uint16_t sequence) {
  std::array<unsigned char, kEchoSize> request{};
  request[0] = ipv6 ? kEchoRequest6 : kEchoRequest4;
  request[4] = static_cast<unsigned char>(identifier >> 8U);
  request[5] = static_cast<unsigned char>(identifier & 0xFFU);
  request[6] = static_cast<unsigned char>(sequence >> 8U);
  request[7] = static_cast<unsigned char>(sequence & 0xFFU);
  std::memcpy(request.data() + 8, "wol-wake", 8);
  if (!ipv6) {
    const std::uint16_t sum = internet_checksum(request.data(), request.size());
    request[2] = static_cast<unsigned char>(sum >> 8U);
    request[3] = static_cast<unsigned char>(sum & 0xFFU);
  }
  return request;
}

std::uint16_t internet_checksum(const unsigned char *bytes, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    sum += static_cast<std::uint32_t>(bytes[i] << 8U | bytes[i + 1]);
  }
  if (size % 2 != 0) {
    sum += static_cast<std::uint32_t>(bytes[size - 1] << 8U);
  }
  while (sum >> 16U != 0) {
    sum = (sum & 0xFFFFU) + (sum >> 16U);
  }
  return static_cast<std::uint16_t>(~sum);
}

bool is_echo_reply(const unsigned char *bytes, std::size_t size, bool ipv6, bool raw,
                   std::uint16_t identifier, std::uint16_t first, std::uint16_t last) {
  std::size_t at = 0;
  if (raw && !ipv6 && size > 0) { // a raw IPv4 socket gives the IP header too
    at = static_cast<std::size_t>(bytes[0] & 0x0FU) * 4;
  }
  if (size < at + 8 || bytes[at] != (ipv6 ? kEchoReply6 : kEchoReply4)) {
    return false;
  }
  const auto sequence = static_cast<std::uint16_t>(bytes[at + 6] << 8U | bytes[at + 7]);
  const auto from = static_cast<std::uint16_t>(bytes[at + 4] << 8U | bytes[at + 5]);
  const bool ours = first <= last ? sequence >= first && sequence <= last
                                  : sequence >= first || sequence <= last; // wrapped
  return ours && (!raw || from == identifier);
}

} // namespace wol::wake
