// SecureOn passwords: six bytes in any MAC form, or four as a dotted quad,
// sent after the magic packet. Given on the command line (where any user's
// ps shows it), or kept out of sight in a file or on standard input; never
// shown in a message.
#ifndef WOL_WAKE_PASSWORD_H
#define WOL_WAKE_PASSWORD_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol::wake {

// The password's bytes, or nothing for text that is no password.
std::optional<std::vector<unsigned char>> password_bytes(std::string_view text);

// Reads the password from the first line of `file` ("-": standard input,
// up to its first line end) into `out`; returns why it cannot, naming the
// file but not what it holds, or "".
std::string read_password(const std::string &file, std::vector<unsigned char> &out);

} // namespace wol::wake

#endif
