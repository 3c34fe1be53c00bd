// --up: after sending, wait until the machine answers. One timing model:
// the first copy goes at once and the timeout counts from then; copies
// (-c) go -w apart and every -r seconds the packet goes again, its first
// copy at once; the host is asked all the while (probe.h); every wait ends
// at the timeout, whatever is due after it.
#ifndef WOL_WAKE_UP_H
#define WOL_WAKE_UP_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace wol::wake {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// What waiting on the host told.
struct Answer {
  bool up = false;
  std::string reason; // why the last question got no answer ("Connection refused"), or ""
};

// --up's question to the host: the probe (probe.h), or a test's stand-in.
class Question {
public:
  Question() = default;
  virtual ~Question() = default;
  Question(const Question &) = delete;
  Question &operator=(const Question &) = delete;
  Question(Question &&) = delete;
  Question &operator=(Question &&) = delete;
  // Waits at most `time` for the host's answer.
  virtual Answer wait(milliseconds time) = 0;
};

struct UpTiming {
  milliseconds timeout{0};
  milliseconds resend_every{0}; // 0: never
  int copies = 1;               // -c
  milliseconds copy_wait{0};    // -w, between the copies
};

enum class UpOutcome : std::uint8_t { up, timed_out, not_sent };

struct UpResult {
  UpOutcome outcome = UpOutcome::timed_out;
  milliseconds after{0}; // from the first copy
  std::string reason;    // timed out: why the last question got no answer ("" for none)
};

// Sends the packet and waits for the host. `send` sends one copy and tells
// whether it went; when the first did not, nothing is waited for
// (not_sent). `now` is the clock.
UpResult wait_until_up(const UpTiming &timing, Question &question,
                       const std::function<bool()> &send,
                       const std::function<Clock::time_point()> &now);

} // namespace wol::wake

#endif
