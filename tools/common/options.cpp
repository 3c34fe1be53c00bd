#include "options.h"

#include "text.h"

#include <algorithm>

namespace wol {
namespace {

class OptionReader {
public:
  OptionReader(const std::vector<std::string_view> &args, const std::vector<OptionName> &names,
               const std::function<std::string(std::size_t, std::string_view)> &on_option)
      : args_(args), names_(names), on_option_(on_option) {}

  // --name, --name=value or --name value.
  std::string long_option(std::size_t &next) {
    const std::string_view arg = args_[next];
    const std::string_view body = arg.substr(2);
    const std::size_t equals = body.find('=');
    const std::string_view name = body.substr(0, equals);
    const auto found = std::find_if(names_.begin(), names_.end(),
                                    [name](const OptionName &o) { return o.long_name == name; });
    if (found == names_.end()) {
      return "unknown option " + quoted(arg);
    }
    const auto index = static_cast<std::size_t>(found - names_.begin());
    if (!found->takes_value) {
      return equals != std::string_view::npos ? "option " + quoted(arg) + " takes no value"
                                              : on_option_(index, {});
    }
    if (equals != std::string_view::npos) {
      return on_option_(index, body.substr(equals + 1));
    }
    return value_of_next(index, arg, next);
  }

  // -x, flags together (-nq), and the last may take a value (-c3, -c 3).
  std::string short_options(std::size_t &next) {
    const std::string_view arg = args_[next];
    for (std::size_t i = 1; i < arg.size(); ++i) {
      const char name = arg[i];
      const auto found = std::find_if(names_.begin(), names_.end(), [name](const OptionName &o) {
        return o.short_name != '\0' && o.short_name == name;
      });
      if (found == names_.end()) {
        return "unknown option " + quoted(std::string{'-', name});
      }
      const auto index = static_cast<std::size_t>(found - names_.begin());
      if (found->takes_value) {
        return i + 1 < arg.size() ? on_option_(index, arg.substr(i + 1))
                                  : value_of_next(index, std::string{'-', name}, next);
      }
      std::string error = on_option_(index, {});
      if (!error.empty()) {
        return error;
      }
    }
    return {};
  }

private:
  // The option's value is the next argument.
  std::string value_of_next(std::size_t index, std::string_view written, std::size_t &next) {
    if (next + 1 == args_.size()) {
      return "option " + quoted(written) + " needs a value";
    }
    return on_option_(index, args_[++next]);
  }

  const std::vector<std::string_view> &args_;
  const std::vector<OptionName> &names_;
  const std::function<std::string(std::size_t, std::string_view)> &on_option_;
};

} // namespace

std::string read_number(std::string_view name, std::string_view text, long long low, long long high,
                        int &out) {
  const std::optional<long long> value = decimal(text);
  if (!value) {
    return std::string(name) + " must be a number, not " + quoted(text);
  }
  if (*value < low || *value > high) {
    return std::string(name) + " must be from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not " + quoted(text);
  }
  out = static_cast<int>(*value);
  return {};
}

std::string read_options(const std::vector<std::string_view> &args,
                         const std::vector<OptionName> &names,
                         const std::function<std::string(std::size_t, std::string_view)> &on_option,
                         const std::function<void(std::string_view)> &on_word,
                         const std::function<bool(std::string_view)> &is_option) {
  OptionReader reader(args, names, on_option);
  bool options_ended = false;
  for (std::size_t next = 0; next < args.size(); ++next) {
    const std::string_view arg = args[next];
    std::string error;
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (!options_ended && arg == "/?") {
      error = "unknown option '/?'";
    } else if (options_ended || !is_option(arg)) {
      on_word(arg);
    } else {
      error = arg[1] == '-' ? reader.long_option(next) : reader.short_options(next);
    }
    if (!error.empty()) {
      return error;
    }
  }
  return {};
}

} // namespace wol
