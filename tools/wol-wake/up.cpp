#include "up.h"

#include <algorithm>

namespace wol::wake {

UpResult wait_until_up(const UpTiming &timing, Question &question,
                       const std::function<bool()> &send,
                       const std::function<Clock::time_point()> &now) {
  const Clock::time_point start = now();
  const Clock::time_point deadline = start + timing.timeout;
  const bool resends = timing.resend_every.count() > 0;
  Clock::time_point next_resend = start + timing.resend_every;
  Clock::time_point next_copy = start;
  int copies_left = timing.copies;
  bool first = true;
  UpResult result;
  for (Clock::time_point t = start; t < deadline; t = now()) {
    if (resends && t >= next_resend) { // again, its first copy at once
      copies_left = timing.copies;
      next_copy = t;
      while (next_resend <= t) {
        next_resend += timing.resend_every;
      }
    }
    if (copies_left > 0 && t >= next_copy) {
      const bool went = send();
      if (first && !went) {
        result.outcome = UpOutcome::not_sent;
        return result;
      }
      first = false;
      --copies_left;
      next_copy = t + timing.copy_wait;
      continue;
    }
    Clock::time_point next = deadline;
    if (copies_left > 0) {
      next = std::min(next, next_copy);
    }
    if (resends) {
      next = std::min(next, next_resend);
    }
    const Answer answer = question.wait(std::chrono::ceil<milliseconds>(next - t));
    if (answer.up) {
      result.outcome = UpOutcome::up;
      result.after = std::chrono::duration_cast<milliseconds>(now() - start);
      return result;
    }
    result.reason = answer.reason;
  }
  result.after = std::chrono::duration_cast<milliseconds>(now() - start);
  return result;
}

} // namespace wol::wake
