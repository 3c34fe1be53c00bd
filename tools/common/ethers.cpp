#include "ethers.h"

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

bool read_text_file(const std::string &name, std::string &text) {
  std::FILE *file = std::fopen(name.c_str(), "rb");
  if (file == nullptr) {
    return false;
  }
  std::string chunk(std::size_t{64} * 1024, '\0');
  while (std::feof(file) == 0 && std::ferror(file) == 0) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
    text.append(chunk.data(), got);
  }
  const bool ok = std::ferror(file) == 0;
  const int error = errno;
  (void)std::fclose(file);
  errno = error;
  return ok;
}

void Ethers::read(std::string_view text) {
  for (unsigned long number = 1; !text.empty(); ++number) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    const std::vector<std::string> fields = split_fields(line);
    if (fields.empty()) {
      continue;
    }
    if (const std::optional<MacBytes> mac = mac_bytes(fields[0])) {
      entries_.push_back({*mac, fields.size() > 1 ? fields[1] : std::string()});
    } else {
      problems_.push_back({number, "'" + shown(fields[0]) + "' is not a MAC address"});
    }
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

std::optional<MacBytes> EthersNames::find(std::string_view name, std::string &error) {
  if (!ethers_) {
    ethers_.emplace();
    const bool chosen = !file_.empty();
    const std::string file = chosen ? file_ : default_ethers_file();
    shown_file_ = shown(file);
    std::string text;
    if (read_text_file(file, text)) {
      ethers_->read(text);
    } else if (chosen || errno != ENOENT) { // a system without the file has no names
      read_error_ = std::strerror(errno);
    }
  }
  if (!read_error_.empty()) {
    error = "not a MAC address, and " + shown_file_ + " cannot be read: " + read_error_;
    return std::nullopt;
  }
  std::optional<MacBytes> mac = ethers_->find(name);
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
  unsigned char packet[TARNWICK_WOL_PACKET_SIZE];
  const std::string mac(text);
  if (wol_packet(mac.c_str(), packet, sizeof packet) == TARNWICK_WOL_PACKET_SIZE) {
    // The library takes what the tools' forms take, and no more.
    return mac_bytes(library_mac(text));
  }
  error = wol_last_error();
  return std::nullopt;
}

} // namespace wol
