// The plan carried out: each target's packet built by the library, then
// sent through the transport to the destinations worked out once for the
// run (or to a file line's own), or shown in a dry run, with one line of
// output per datagram and one message per failure. Every target is tried,
// whatever happened to the ones before it.
#ifndef WOL_WAKE_WAKE_H
#define WOL_WAKE_WAKE_H

#include "command_line.h"
#include "destinations.h"
#include "ethers.h"
#include "transport.h"

#include <string>
#include <string_view>
#include <vector>

namespace wol::wake {

class Waker {
public:
  explicit Waker(const Settings &settings)
      : settings_(settings), planner_(settings.to), ethers_(settings.ethers_file) {}

  // Works out where the options send, and opens what -e needs; false, once
  // reported, when nothing could be sent.
  bool prepare();

  // Wakes `mac` (as written) at the options' destinations. `where` names
  // the target in messages.
  void wake(std::string_view where, std::string_view mac);
  // Wakes every target in the file `name` ("-": standard input).
  void wake_file(const std::string &name);
  // --up: wakes `mac` and waits until `host` answers (up.h). Returns 0
  // when it is up, 3 when the timeout passed first, 1 when the packet could
  // not be sent or the host cannot be asked.
  int wake_and_wait(std::string_view mac, const std::string &host);

  [[nodiscard]] bool failed() const { return failed_; }

private:
  // A target's packet and where it goes.
  struct Target {
    std::string where;
    std::string mac; // as every line shows it: aa:bb:cc:dd:ee:ff
    std::vector<unsigned char> packet;
    std::vector<Destination> to;
    std::vector<bool> failed; // each destination's, once failed not tried again
  };

  std::optional<Target> target(std::string_view where, std::string_view mac,
                               const std::vector<Destination> &to);
  // Sends one copy of the packet to each destination; whether every one went.
  bool send_copy(Target &target);
  void send_copies(Target &target);
  // " via IFACE from SOURCE" for -v.
  std::string route_of(const Destination &to);
  void fail(std::string_view where, std::string_view message);

  const Settings &settings_;
  DestinationPlanner planner_;
  Destinations planned_;
  Transport transport_;
  EthersNames ethers_;
  bool failed_ = false;
};

} // namespace wol::wake

#endif
