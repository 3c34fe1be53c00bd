// Host names of the ethers file, ethers(5): "MAC NAME" a line, '#' starts
// a comment, MACs in any form the tools take (8:0:20:1:14:5c as the file's
// own tools write it). Names are matched without regard to case. Lines
// whose first field is no MAC are passed over when names are looked up, as
// the C library's ether_ntohost does, and listed as problems for a reader
// that must not pass over them (wol-relay's allow-list). A MAC alone on a
// line is an entry without a name.
#ifndef WOL_COMMON_ETHERS_H
#define WOL_COMMON_ETHERS_H

#include "mac_forms.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

// /etc/ethers; on Windows %SystemRoot%\System32\drivers\etc\ethers.
std::string default_ethers_file();

// Reads a whole file into `text`; false, with errno set, when it cannot.
bool read_text_file(const std::string &name, std::string &text);

struct EthersEntry {
  MacBytes mac{};
  std::string name; // empty for a MAC alone
};

struct EthersProblem {
  unsigned long line = 0; // from 1
  std::string message;
};

class Ethers {
public:
  // Reads the text of an ethers file.
  void read(std::string_view text);
  // The MAC of `name`: the first line that names it.
  [[nodiscard]] std::optional<MacBytes> find(std::string_view name) const;
  // Whether a line lists `mac`.
  [[nodiscard]] bool lists(const MacBytes &mac) const;
  // The name of `mac`: the first line that lists it with one ("" for none).
  [[nodiscard]] std::string name_of(const MacBytes &mac) const;
  [[nodiscard]] const std::vector<EthersEntry> &entries() const { return entries_; }
  [[nodiscard]] const std::vector<EthersProblem> &problems() const { return problems_; }

private:
  std::vector<EthersEntry> entries_;
  std::vector<EthersProblem> problems_;
};

// The ethers file of a run, read when the first name is looked up in it.
class EthersNames {
public:
  // `file`: empty for the system's own, which may be missing (no names).
  explicit EthersNames(std::string file) : file_(std::move(file)) {}

  // The MAC of `name`, or else why there is none, in `error`: "not a MAC
  // address, and not in FILE", or "not a MAC address, and FILE cannot be
  // read: REASON".
  std::optional<MacBytes> find(std::string_view name, std::string &error);

private:
  std::string file_;
  std::optional<Ethers> ethers_;
  std::string shown_file_;
  std::string read_error_;
};

// A MAC as the tools take one on their command lines: one of the MAC forms,
// or a host name of the ethers file. Other text gets the library's message
// (wol_packet's), as in wol-wake.
std::optional<MacBytes> read_mac(std::string_view text, EthersNames &names, std::string &error);

} // namespace wol

#endif
