// The command-line conventions that wol-wake, wol-listen and wol-relay
// share, so that their options read alike: short options may be grouped
// (-nq) and take their value attached or as the next argument (-c3, -c 3);
// long ones are matched whole and take it after '=' or as the next argument
// (--count=3, --count 3); "--" ends the options; "/?" is an unknown option.
// Each program keeps its own table and acts on each option as it comes.
#ifndef WOL_COMMON_OPTIONS_H
#define WOL_COMMON_OPTIONS_H

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

template <typename Id> struct Option {
  char short_name; // '\0': only the long name
  std::string_view long_name;
  bool takes_value;
  Id id;
};

// `text` in single quotes, control characters escaped, for messages.
std::string quoted(std::string_view text);

// Reads a decimal number from `low` to `high` into `out`; returns the usage
// error ("NAME must be a number, not 'x'"), or "" when it is one.
std::string read_number(std::string_view name, std::string_view text, long long low, long long high,
                        int &out);

// An argument that is an option: '-' and at least one more character.
inline bool starts_like_an_option(std::string_view arg) { return arg.size() >= 2 && arg[0] == '-'; }

// Reads `args` against `table`: `on_option` for each option with its value
// (empty for one that takes none) returns a usage error or ""; `on_word`
// takes every other argument. Returns the first usage error, or "".
// `is_option` tells options from words (a program may take some arguments
// that start with '-' as words).
template <typename Id, std::size_t N>
std::string
read_options(const std::vector<std::string_view> &args, const Option<Id> (&table)[N],
             const std::function<std::string(const Option<Id> &, std::string_view)> &on_option,
             const std::function<void(std::string_view)> &on_word,
             const std::function<bool(std::string_view)> &is_option = starts_like_an_option) {
  const auto *const end = table + N;
  const auto find_short = [&](char name) -> const Option<Id> * {
    const auto *found =
        std::find_if(table, end, [name](const Option<Id> &o) { return o.short_name == name; });
    return name != '\0' && found != end ? found : nullptr;
  };
  const auto find_long = [&](std::string_view name) -> const Option<Id> * {
    const auto *found =
        std::find_if(table, end, [name](const Option<Id> &o) { return o.long_name == name; });
    return found != end ? found : nullptr;
  };
  bool options_ended = false;
  for (std::size_t next = 0; next < args.size(); ++next) {
    const std::string_view arg = args[next];
    // The option's value from the next argument, or the usage error.
    const auto value_of_next = [&](const Option<Id> &option, std::string_view written) {
      if (next + 1 == args.size()) {
        return "option " + quoted(written) + " needs a value";
      }
      return on_option(option, args[++next]);
    };
    std::string error;
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (!options_ended && arg == "/?") {
      error = "unknown option '/?'";
    } else if (options_ended || !is_option(arg)) {
      on_word(arg);
    } else if (arg[1] == '-') {
      const std::string_view body = arg.substr(2);
      const std::size_t equals = body.find('=');
      const Option<Id> *option = find_long(body.substr(0, equals));
      if (option == nullptr) {
        error = "unknown option " + quoted(arg);
      } else if (!option->takes_value) {
        error = equals != std::string_view::npos ? "option " + quoted(arg) + " takes no value"
                                                 : on_option(*option, {});
      } else if (equals != std::string_view::npos) {
        error = on_option(*option, body.substr(equals + 1));
      } else {
        error = value_of_next(*option, arg);
      }
    } else {
      // Flags together; the last may take a value.
      for (std::size_t i = 1; i < arg.size() && error.empty(); ++i) {
        const Option<Id> *option = find_short(arg[i]);
        if (option == nullptr) {
          error = "unknown option " + quoted(std::string{'-', arg[i]});
        } else if (!option->takes_value) {
          error = on_option(*option, {});
        } else {
          error = i + 1 < arg.size() ? on_option(*option, arg.substr(i + 1))
                                     : value_of_next(*option, std::string{'-', arg[i]});
          break;
        }
      }
    }
    if (!error.empty()) {
      return error;
    }
  }
  return {};
}

} // namespace wol

#endif
