// What wol-listen writes for each packet that reaches it: one line for
// people (time, interface, udp or eth, source > destination, MAC, password,
// verdict), or one JSON object a line for programs, with the same facts.
#ifndef WOL_LISTEN_REPORT_H
#define WOL_LISTEN_REPORT_H

#include "magic_packet.h"
#include "receiver.h"

#include <string>

namespace wol::listen {

// `interface_name`: empty where it is not known.
std::string text_line(const Arrival &arrival, const MagicReading &reading,
                      const std::string &interface_name);
std::string json_line(const Arrival &arrival, const MagicReading &reading,
                      const std::string &interface_name);

} // namespace wol::listen

#endif
