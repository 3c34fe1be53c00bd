// The plan carried out: each target's packet built by the library, then
// sent through the transport (or shown, in a dry run), with one line of
// output per datagram and one message per failure. Every target is tried,
// whatever happened to the ones before it.
#ifndef WOL_WAKE_WAKE_H
#define WOL_WAKE_WAKE_H

#include "command_line.h"
#include "ethers.h"
#include "transport.h"

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol::wake {

class Waker {
public:
  explicit Waker(const Settings &settings) : settings_(settings), ethers_(settings.ethers_file) {}

  // Lists the destinations that -a, -I or -6 choose; false, once
  // reported, when there are none.
  bool list_interfaces();

  // Wakes `mac` (as written) at `address` (none: -i, the broadcasts of -a
  // or -I, -6's ff02::1, -e's frame, or the default) and `port`. `where` names the target in
  // messages.
  void wake(std::string_view where, std::string_view mac, const std::optional<std::string> &address,
            int port);
  // Wakes every target in the file `name` ("-": standard input).
  void wake_file(const std::string &name);

  // --up: waits until the host answers, calling `resend` every -r seconds
  // meanwhile. Returns 0 when it is up, 3 when the timeout passed first, 1
  // when it cannot be asked.
  int wait_until_up(const std::function<void()> &resend);

  [[nodiscard]] bool failed() const { return failed_; }

private:
  // An empty `address`: -e's frame.
  void deliver(std::string_view where, const std::string &mac,
               const std::vector<unsigned char> &packet, const std::string &address, int port);
  void fail(std::string_view where, std::string_view message, std::string_view reason = {});
  void wake_line(const std::string &shown_name, const struct TargetLine &line);
  // The MAC of a host name in the ethers file, or nothing once reported.
  std::optional<MacBytes> look_up(std::string_view where, std::string_view name);
  // The address to send to, or nothing with the reason in `error`.
  std::optional<Endpoint> endpoint(const std::string &address, std::string &error);

  const Settings &settings_;
  Transport transport_;
  std::vector<std::string> broadcasts_; // -a, -I or -6
  std::string frame_interface_;         // -e: the -I interface
  unsigned frame_index_ = 0;
  std::string last_address_; // the last destination, read
  int last_port_ = 0;
  std::optional<Endpoint> last_endpoint_;
  std::string last_error_;
  std::map<std::string, Resolved> names_; // each host name resolved once
  EthersNames ethers_;                    // read at the first name
  std::string last_destination_;          // as shown: ADDRESS:PORT
  bool sent_any_ = false;
  bool failed_ = false;
};

} // namespace wol::wake

#endif
