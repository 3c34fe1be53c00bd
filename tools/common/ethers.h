// Host names of the ethers file, ethers(5): "MAC NAME" a line, '#' starts
// a comment, MACs in any form the tools take (8:0:20:1:14:5c as the file's
// own tools write it), NAME a host name or a host's IPv4 or IPv6 address.
// Names are matched without regard to case; a name that no line has is
// looked up by its addresses, as wakeonlan does (name, then the host's
// address, then the line keyed by it). The file is read as the tools read
// every text file (lines.h): UTF-8 or UTF-16 with a byte order mark, a line
// at a time. Lines whose first field is no MAC are passed over when names
// are looked up, as the C library's ether_ntohost does, and listed as
// problems for a reader that must not pass over them (wol-relay's
// allow-list). A MAC alone on a line is an entry without a name.
#ifndef WOL_COMMON_ETHERS_H
#define WOL_COMMON_ETHERS_H

#include "address.h"
#include "lines.h"
#include "mac_forms.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wol {

// /etc/ethers; on Windows %SystemRoot%\System32\drivers\etc\ethers.
std::string default_ethers_file();

struct EthersEntry {
  MacBytes mac{};
  std::string name; // empty for a MAC alone
};

struct EthersProblem {
  unsigned long line = 0; // from 1
  std::string message;    // what is wrong, never what the line held
};

class Ethers {
public:
  // Adds one line of the file (one that could be read: Line::error empty).
  void add(const Line &line);
  // The MAC of `name`: the first line that names it.
  [[nodiscard]] std::optional<MacBytes> find(std::string_view name) const;
  // The MAC of the first line keyed by one of `addresses`.
  [[nodiscard]] std::optional<MacBytes> find_address(const std::vector<Endpoint> &addresses) const;
  // Whether some line is keyed by an address rather than a name.
  [[nodiscard]] bool has_address_keys() const;
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

// An ethers file as read: its lines, or why it cannot be read. Reading
// stops at the first line that is no text (a NUL byte, or longer than the
// line limit): a file of names holds neither, and /dev/zero is no such file.
struct EthersRead {
  std::optional<Ethers> ethers;
  unsigned long line = 0; // the line that stopped the reading; 0: the whole file
  std::string error;      // why it cannot be read
  bool missing = false;   // ... because there is no such file
};
EthersRead read_ethers(const std::string &file);

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
  std::optional<EthersRead> read_;
  std::string shown_file_;
};

// A MAC as the tools take one on their command lines and in files: one of
// the MAC forms, or a host name of the ethers file. Other text gets the
// library's message (wol_packet's).
std::optional<MacBytes> read_mac(std::string_view text, EthersNames &names, std::string &error);

} // namespace wol

#endif
