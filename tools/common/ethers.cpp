#include "ethers.h"

#include "program.h"
#include "tarnwick_wol.h"
#include "text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace wol {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

// The addresses that `name` stands for: itself when it is written as one,
// else the resolver's.
std::vector<Endpoint> addresses_of(const std::string &name) {
  if (address_shape(name) != AddressShape::name) {
    const std::optional<Endpoint> address = parse_address(name);
    return address ? std::vector<Endpoint>{*address} : std::vector<Endpoint>{};
  }
  return resolve(name).addresses;
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

void Ethers::add(const Line &line) {
  const std::vector<std::string> fields = split_fields(line.text);
  if (fields.empty()) {
    return;
  }
  if (const std::optional<MacBytes> mac = mac_bytes(fields[0])) {
    entries_.push_back({*mac, fields.size() > 1 ? fields[1] : std::string()});
  } else {
    problems_.push_back({line.number, "the first field is not a MAC address"});
  }
}

std::optional<MacBytes> Ethers::find(std::string_view name) const {
  for (const EthersEntry &entry : entries_) {
    if (!entry.name.empty() && same_name(entry.name, name)) {
      return entry.mac;
    }
  }
  return std::nullopt;
}

std::optional<MacBytes> Ethers::find_address(const std::vector<Endpoint> &addresses) const {
  for (const EthersEntry &entry : entries_) {
    const std::optional<Endpoint> key =
        address_shape(entry.name) == AddressShape::name ? std::nullopt : parse_address(entry.name);
    if (key && std::any_of(addresses.begin(), addresses.end(),
                           [&key](const Endpoint &each) { return same_address(each, *key); })) {
      return entry.mac;
    }
  }
  return std::nullopt;
}

bool Ethers::has_address_keys() const {
  return std::any_of(entries_.begin(), entries_.end(), [](const EthersEntry &entry) {
    return address_shape(entry.name) != AddressShape::name && parse_address(entry.name);
  });
}

bool Ethers::lists(const MacBytes &mac) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&mac](const EthersEntry &entry) { return entry.mac == mac; });
}

std::string Ethers::name_of(const MacBytes &mac) const {
  for (const EthersEntry &entry : entries_) {
    if (entry.mac == mac && !entry.name.empty()) {
      return entry.name;
    }
  }
  return {};
}

EthersRead read_ethers(const std::string &file) {
  EthersRead result;
  std::FILE *stream = open_for_reading(file);
  if (stream == nullptr) {
    result.missing = errno == ENOENT;
    result.error = std::strerror(errno);
    return result;
  }
  Ethers ethers;
  const std::string error = read_lines(stream, false, [&](const Line &line) {
    if (!line.error.empty()) {
      result.line = line.number;
      result.error = line.error;
      return false;
    }
    ethers.add(line);
    return true;
  });
  (void)std::fclose(stream);
  if (result.error.empty()) {
    result.error = error;
  }
  if (result.error.empty()) {
    result.ethers = std::move(ethers);
  }
  return result;
}

std::optional<MacBytes> EthersNames::find(std::string_view name, std::string &error) {
  const bool chosen = !file_.empty();
  if (!read_) {
    const std::string file = chosen ? file_ : default_ethers_file();
    shown_file_ = shown(file);
    read_ = read_ethers(file);
    if (!chosen && read_->missing) { // a system without the file has no names
      read_ = EthersRead{Ethers{}, 0, {}, false};
    }
  }
  if (!read_->ethers) {
    error = "not a MAC address, and " + shown_file_ + " cannot be read: " +
            (read_->line != 0 ? "line " + std::to_string(read_->line) + ": " : "") + read_->error;
    return std::nullopt;
  }
  std::optional<MacBytes> mac = read_->ethers->find(name);
  if (!mac && read_->ethers->has_address_keys()) {
    mac = read_->ethers->find_address(addresses_of(std::string(name)));
  }
  if (!mac) {
    error = "not a MAC address, and not in " + shown_file_;
  }
  return mac;
}

std::optional<MacBytes> read_mac(std::string_view text, EthersNames &names, std::string &error) {
  if (const std::optional<MacBytes> mac = mac_bytes(text)) {
    return mac;
  }
  if (may_be_host_name(text)) {
    return names.find(text, error);
  }
  // The library's word on what it cannot read: every text it takes is one
  // of the forms above.
  unsigned char packet[TARNWICK_WOL_PACKET_SIZE];
  const std::string mac(text);
  error = wol_packet(mac.c_str(), packet, sizeof packet) == TARNWICK_WOL_PACKET_SIZE
              ? "not a MAC address"
              : wol_last_error();
  return std::nullopt;
}

} // namespace wol
