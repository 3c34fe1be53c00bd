// Small pieces of text handling that the tools share: plain decimal
// numbers, user text made safe to show or to put in JSON, and the fields
// of a line.
#ifndef WOL_COMMON_TEXT_H
#define WOL_COMMON_TEXT_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

// The value of `text` if it is one or more decimal digits and nothing else
// (no sign, no space); a value beyond what long long holds saturates to its
// maximum, which every range check here refuses.
std::optional<long long> decimal(std::string_view text);

// `text` with control characters shown as \xNN, so that a file's bytes
// cannot drive the terminal that shows a message.
std::string shown(std::string_view text);

// `text` as a JSON string, quotes included: '"' and '\\' escaped, control
// characters as \u00NN, other bytes (UTF-8) as they are.
std::string json_string(std::string_view text);

// The fields of a line of a file (targets, ethers, allow-lists): words
// separated by spaces or tabs, up to a '#'.
std::vector<std::string> split_fields(std::string_view text);

} // namespace wol

#endif
