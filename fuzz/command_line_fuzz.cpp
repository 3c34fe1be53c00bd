// Fuzzes wol-wake's option table: the input, split at NUL bytes, is the
// argument list. It gives a plan or a usage error, never both; a plan keeps
// every value in its range, every address of a usable shape, and has
// something to wake; a usage error is one line with no control character,
// whatever the arguments held.
#include "address.h"
#include "command_line.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string input(reinterpret_cast<const char *>(data), size);
  std::vector<std::string_view> args;
  for (std::size_t at = 0; at <= input.size();) {
    const std::size_t end = std::min(input.find('\0', at), input.size());
    args.emplace_back(std::string_view(input).substr(at, end - at));
    at = end + 1;
  }
  const wol::wake::CommandLine result = wol::wake::read_command_line(args);
  check(result.plan.has_value() == result.error.empty());
  for (const char c : result.error) {
    check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
  }
  if (!result.plan || result.plan->action != wol::wake::Action::wake) {
    return 0;
  }
  const wol::wake::Plan &plan = *result.plan;
  const wol::wake::Settings &s = plan.settings;
  check(!plan.macs.empty() || !plan.files.empty());
  check(s.port >= 1 && s.port <= 65535);
  check(s.count >= 1 && s.count <= 1000);
  check(s.wait_ms >= 0 && s.wait_ms <= 60000);
  const wol::DestinationChoice &to = s.to;
  check(!to.address ||
        (!to.address->empty() && wol::address_usage_error("A", *to.address).empty()));
  check(!(to.all_interfaces && to.address));
  check(!(to.ipv6 && (to.address || to.all_interfaces)));
  check(!(to.iface && to.all_interfaces));
  check(!to.iface || !to.iface->empty());
  check(!to.ethernet || (to.iface && !to.address && !to.all_interfaces && !to.ipv6));
  check(!s.password_file || (!s.password_file->empty() && s.password.empty()));
  check(!s.up_host || (!s.up_host->empty() && !s.dry_run && plan.macs.size() == 1 &&
                       plan.files.empty() && wol::address_usage_error("H", *s.up_host).empty()));
  check(s.up_port >= 0 && s.up_port <= 65535);
  check(s.timeout_s >= 1 && s.resend_s >= 0);
  check(s.password.empty() || s.password.size() == 4 || s.password.size() == 6);
  check(plan.macs.size() + plan.files.size() <= args.size());
  return 0;
}
