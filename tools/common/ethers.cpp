#include "ethers.h"

#include "text.h"

#include <algorithm>
#include <cstdlib>

namespace wol {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

std::string default_ethers_file() {
#ifdef _WIN32
  const char *root = std::getenv("SystemRoot");
  return std::string(root != nullptr && *root != '\0' ? root : "C:\\Windows") +
         R"(\System32\drivers\etc\ethers)";
#else
  return "/etc/ethers";
#endif
}

void Ethers::read(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    const std::vector<std::string> fields = split_fields(line);
    if (fields.size() < 2) {
      continue;
    }
    if (const std::optional<MacBytes> mac = mac_bytes(fields[0])) {
      entries_.emplace_back(fields[1], *mac);
    }
  }
}

std::optional<MacBytes> Ethers::find(std::string_view name) const {
  for (const auto &[entry_name, mac] : entries_) {
    if (same_name(entry_name, name)) {
      return mac;
    }
  }
  return std::nullopt;
}

} // namespace wol
