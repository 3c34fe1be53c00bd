// The command-line conventions that wol-wake, wol-listen and wol-relay
// share, so that their options read alike: short options may be grouped
// (-nq) and take their value attached or as the next argument (-c3, -c 3);
// long ones are matched whole and take it after '=' or as the next argument
// (--count=3, --count 3); "--" ends the options; "/?" is an unknown option.
// Each program keeps its own table and acts on each option as it comes.
#ifndef WOL_COMMON_OPTIONS_H
#define WOL_COMMON_OPTIONS_H

#include "text.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

template <typename Id> struct Option {
  std::string_view long_name;
  char short_name; // '\0': only the long name
  bool takes_value;
  Id id;
};

// Reads a decimal number from `low` to `high` into `out`; returns the usage
// error ("NAME must be a number, not 'x'"), or "" when it is one.
std::string read_number(std::string_view name, std::string_view text, long long low, long long high,
                        int &out);

// An argument that is an option: '-' and at least one more character.
inline bool starts_like_an_option(std::string_view arg) { return arg.size() >= 2 && arg[0] == '-'; }

// An option's names, as the reader matches them.
struct OptionName {
  std::string_view long_name;
  char short_name;
  bool takes_value;
};

// Reads `args` against `names`: `on_option` gets each option's place in
// `names` and its value (empty for one that takes none) and returns a usage
// error or ""; `on_word` takes every other argument. Returns the first usage
// error, or "". `is_option` tells options from words (a program may take
// some arguments that start with '-' as words).
std::string read_options(const std::vector<std::string_view> &args,
                         const std::vector<OptionName> &names,
                         const std::function<std::string(std::size_t, std::string_view)> &on_option,
                         const std::function<void(std::string_view)> &on_word,
                         const std::function<bool(std::string_view)> &is_option);

// The same for a program's own table.
template <typename Id, std::size_t N>
std::string
read_options(const std::vector<std::string_view> &args, const Option<Id> (&table)[N],
             const std::function<std::string(const Option<Id> &, std::string_view)> &on_option,
             const std::function<void(std::string_view)> &on_word,
             const std::function<bool(std::string_view)> &is_option = starts_like_an_option) {
  std::vector<OptionName> names;
  for (const Option<Id> &option : table) {
    names.push_back({option.long_name, option.short_name, option.takes_value});
  }
  return read_options(
      args, names,
      [&](std::size_t index, std::string_view value) { return on_option(table[index], value); },
      on_word, is_option);
}

} // namespace wol

#endif
