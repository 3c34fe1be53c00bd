// The plan carried out: each target's packet built by the library, then
// sent through the transport (or shown, in a dry run), with one line of
// output per datagram and one message per failure. Every target is tried,
// whatever happened to the ones before it.
#ifndef WOL_WAKE_WAKE_H
#define WOL_WAKE_WAKE_H

#include "command_line.h"
#include "transport.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol_wake {

class Waker {
public:
  explicit Waker(const Settings &settings) : settings_(settings) {}

  // Lists -a's broadcast addresses; false, once reported, when there are none.
  bool list_interfaces();

  // Wakes `mac` (as written) at `address` (none: -i, -a's broadcasts or the
  // default) and `port`. `where` names the target in messages.
  void wake(std::string_view where, std::string_view mac, const std::optional<std::string> &address,
            int port);
  // Wakes every target in the file `name` ("-": standard input).
  void wake_file(const std::string &name);

  [[nodiscard]] bool failed() const { return failed_; }

private:
  void deliver(std::string_view where, const std::string &mac, const unsigned char *packet,
               const std::string &address, int port);
  void fail(std::string_view where, std::string_view message, std::string_view reason = {});
  void wake_line(const std::string &shown_name, const struct TargetLine &line);

  const Settings &settings_;
  Transport transport_;
  std::vector<std::string> broadcasts_;
  std::string last_address_; // the last destination, read
  int last_port_ = 0;
  std::optional<Ipv4> last_ipv4_;
  std::string last_destination_; // as shown: ADDRESS:PORT
  bool sent_any_ = false;
  bool failed_ = false;
};

} // namespace wol_wake

#endif
