// Small pieces of text handling that the tools share: plain decimal
// numbers, hexadecimal digits, user text made safe to show or to put in
// JSON, and the fields of a line.
#ifndef WOL_COMMON_TEXT_H
#define WOL_COMMON_TEXT_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

// The value of `text` if it is one or more decimal digits and nothing else
// (no sign, no space); a value beyond what long long holds saturates to its
// maximum, which every range check here refuses.
std::optional<long long> decimal(std::string_view text);

// The value of a hexadecimal digit (either case), or -1 for any other
// character.
int hex_value(char c);

// Appends `byte` as two lower-case hexadecimal digits.
void append_hex(std::string &out, unsigned char byte);

// `size` bytes as lower-case hexadecimal digits, two a byte.
std::string hex_text(const unsigned char *bytes, std::size_t size);

// `text` with every byte that could drive a terminal shown as \xNN: C0
// controls and DEL, the C1 controls as UTF-8 writes them (\xc2\x9b, CSI),
// and every byte that is not part of well-formed UTF-8 (a lone \x9b is CSI
// to a Latin-1 terminal). Other UTF-8 is left as it is.
std::string shown(std::string_view text);

// `text` in single quotes, shown as above, for messages.
std::string quoted(std::string_view text);

// `text` as a JSON string, quotes included: '"' and '\\' escaped, control
// characters as \u00NN, other bytes (UTF-8) as they are.
std::string json_string(std::string_view text);

// The fields of a line of a file (targets, ethers, allow-lists): words
// separated by spaces or tabs, up to a '#'.
std::vector<std::string> split_fields(std::string_view text);

} // namespace wol

#endif
