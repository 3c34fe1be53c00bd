#include "wake.h"

#include "interfaces.h"
#include "mac_forms.h"
#include "target_file.h"
#include "tarnwick_wol.h"
#include "text.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <initializer_list>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace wol_wake {
namespace {

constexpr char kDefaultAddress[] = "255.255.255.255";
// The library's text for an address it cannot read, kept for the tool's own check.
constexpr char kBadAddress[] = "invalid broadcast_ip (must be IPv4 dotted quad)";
constexpr std::size_t kChunk = std::size_t{64} * 1024;

using Packet = std::array<unsigned char, TARNWICK_WOL_PACKET_SIZE>;

// Writes the pieces as one line of standard output.
void write_line(std::initializer_list<std::string_view> pieces) {
  std::string line;
  for (const std::string_view piece : pieces) {
    line.append(piece);
  }
  line += '\n';
  (void)std::fwrite(line.data(), 1, line.size(), stdout);
}

// Reads the next bytes of `file` into `chunk`; 0 at its end. Standard input
// comes a line at a time, so that each target typed or piped in goes at
// once; a file in large blocks.
std::size_t read_some(std::FILE *file, bool by_line, std::string &chunk) {
  if (!by_line) {
    return std::fread(chunk.data(), 1, chunk.size(), file);
  }
  std::size_t got = 0;
  int c = 0;
  while (got < chunk.size() && (c = std::getc(file)) != EOF) {
    chunk[got++] = static_cast<char>(c);
    if (c == '\n') {
      break;
    }
  }
  return got;
}

std::string hex(const Packet &packet) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * packet.size());
  for (const unsigned char byte : packet) {
    out += kHex[byte >> 4U];
    out += kHex[byte & 0xFU];
  }
  return out;
}

} // namespace

void Waker::fail(std::string_view where, std::string_view message, std::string_view reason) {
  std::string line = "wol-wake: ";
  line.append(where);
  line += ": ";
  line.append(message);
  if (!reason.empty()) {
    line += ": ";
    line.append(reason);
  }
  line += '\n';
  (void)std::fwrite(line.data(), 1, line.size(), stderr);
  failed_ = true;
}

bool Waker::list_interfaces() {
  Broadcasts found = interface_broadcasts();
  if (!found.error.empty()) {
    std::fprintf(stderr, "wol-wake: %s\n", found.error.c_str());
    return false;
  }
  if (found.addresses.empty()) {
    std::fputs("wol-wake: no IPv4 interface is up that can broadcast\n", stderr);
    return false;
  }
  broadcasts_ = std::move(found.addresses);
  return true;
}

void Waker::deliver(std::string_view where, const std::string &mac, const unsigned char *packet,
                    const std::string &address, int port) {
  // Most targets share their address and port: read them once.
  if (address != last_address_ || port != last_port_) {
    last_address_ = address;
    last_port_ = port;
    last_ipv4_ = parse_ipv4(address);
    last_destination_ = shown(address) + ":" + std::to_string(port);
  }
  const std::optional<Ipv4> to = last_ipv4_;
  if (!to) {
    fail(where, kBadAddress);
    return;
  }
  const std::string &destination = last_destination_;
  for (int i = 0; i < settings_.count; ++i) {
    if (settings_.dry_run) {
      Packet copy{};
      std::memcpy(copy.data(), packet, copy.size());
      write_line({"would send ", mac, " to ", destination, ": ", hex(copy)});
      continue;
    }
    if (sent_any_ && settings_.wait_ms > 0) {
      (void)std::fflush(stdout);
      sleep_ms(settings_.wait_ms);
    }
    if (auto failure = transport_.send(*to, port, packet, TARNWICK_WOL_PACKET_SIZE)) {
      fail(where, destination, *failure);
      return;
    }
    sent_any_ = true;
    if (!settings_.quiet) {
      write_line({"sent ", mac, " to ", destination});
    }
  }
}

void Waker::wake(std::string_view where, std::string_view mac_text,
                 const std::optional<std::string> &address, int port) {
  const std::string mac = library_mac(mac_text);
  Packet packet{};
  if (wol_packet(mac.c_str(), packet.data(), static_cast<int>(packet.size())) !=
      TARNWICK_WOL_PACKET_SIZE) {
    fail(where, wol_last_error());
    return;
  }
  const std::string mac_shown = shown(mac);
  if (address) {
    deliver(where, mac_shown, packet.data(), *address, port);
  } else if (settings_.all_interfaces) {
    // One adapter that fails does not keep the others from trying.
    for (const std::string &broadcast : broadcasts_) {
      deliver(where, mac_shown, packet.data(), broadcast, port);
    }
  } else {
    deliver(where, mac_shown, packet.data(), kDefaultAddress, port);
  }
}

void Waker::wake_line(const std::string &shown_name, const TargetLine &line) {
  const std::string where = shown_name + ":" + std::to_string(line.number);
  if (!line.error.empty()) {
    fail(where, line.error);
    return;
  }
  int port = settings_.port;
  if (line.fields.size() == 3) {
    const std::string &text = line.fields[2];
    const std::optional<long long> value = decimal(text);
    if (!value) {
      fail(where, "PORT must be a number, not '" + shown(text) + "'");
      return;
    }
    if (*value < 1 || *value > 65535) {
      fail(where, "PORT must be from 1 to 65535, not '" + shown(text) + "'");
      return;
    }
    port = static_cast<int>(*value);
  }
  wake(where, line.fields[0], line.fields.size() >= 2 ? line.fields[1] : settings_.address, port);
}

void Waker::wake_file(const std::string &name) {
  const bool is_stdin = name == "-";
  const std::string shown_name = is_stdin ? "(standard input)" : shown(name);
  std::FILE *file = stdin;
  if (is_stdin) {
#ifdef _WIN32
    (void)_setmode(_fileno(stdin), _O_BINARY); // bytes as they are: UTF-16, CR LF
#endif
  } else {
    file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) {
      fail(shown_name, std::string("cannot open: ") + std::strerror(errno));
      return;
    }
  }
  TargetFileReader reader;
  std::vector<TargetLine> lines;
  std::string chunk(kChunk, '\0');
  unsigned long targets = 0;
  bool at_end = false;
  while (!at_end) {
    const std::size_t got = read_some(file, is_stdin, chunk);
    at_end = got == 0 || std::feof(file) != 0 || std::ferror(file) != 0;
    reader.feed(std::string_view(chunk.data(), got), lines);
    if (at_end) {
      reader.finish(lines);
    }
    for (const TargetLine &line : lines) {
      wake_line(shown_name, line);
      ++targets;
    }
    lines.clear();
  }
  if (std::ferror(file) != 0) {
    fail(shown_name, std::string("cannot read: ") + std::strerror(errno));
  } else if (!reader.error().empty()) {
    fail(shown_name, reader.error());
  } else if (targets == 0) {
    fail(shown_name, "no target in the file");
  }
  if (!is_stdin) {
    (void)std::fclose(file);
  }
}

} // namespace wol_wake
