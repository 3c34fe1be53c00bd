#include "report.h"

#include "destinations.h"
#include "text.h"
#include "time_text.h"

namespace wol::listen {
namespace {

std::string source_text(const Arrival &arrival) {
  return arrival.frame ? colon_mac(arrival.source_mac)
                       : shown_destination(address_text(arrival.source), arrival.source_port);
}

std::string destination_text(const Arrival &arrival) {
  if (arrival.frame) {
    return colon_mac(arrival.destination_mac);
  }
  return arrival.destination
             ? shown_destination(address_text(*arrival.destination), arrival.destination_port)
             : "?:" + std::to_string(arrival.destination_port);
}

} // namespace

std::string text_line(const Arrival &arrival, const MagicReading &reading,
                      const std::string &interface_name) {
  std::string line =
      local_time_text(arrival.time) + " " + (interface_name.empty() ? "?" : shown(interface_name)) +
      (arrival.frame ? " eth " : " udp ") + source_text(arrival) + " > " +
      destination_text(arrival) + " " + (reading.mac ? colon_mac(*reading.mac) : std::string("-"));
  if (!reading.password.empty()) {
    line += " password " + password_text(reading.password);
  }
  line += " ";
  line += verdict_name(reading.verdict);
  if (reading.verdict != Verdict::ok) {
    line += " (" + verdict_text(reading) + ")";
  } else if (reading.offset != 0) {
    line += " (at byte " + std::to_string(reading.offset) + ")";
  }
  return line;
}

std::string json_line(const Arrival &arrival, const MagicReading &reading,
                      const std::string &interface_name) {
  const auto text_or_null = [](bool known, const std::string &text) {
    return known ? json_string(text) : std::string("null");
  };
  const auto number_or_null = [](bool known, std::size_t number) {
    return known ? std::to_string(number) : std::string("null");
  };
  const bool udp = !arrival.frame;
  std::string out = "{\"time\":" + json_string(utc_time_text(arrival.time));
  out += ",\"interface\":" + text_or_null(!interface_name.empty(), interface_name);
  out += ",\"transport\":" + json_string(udp ? "udp" : "ethernet");
  out += ",\"source\":" +
         json_string(udp ? address_text(arrival.source) : colon_mac(arrival.source_mac));
  out += ",\"source_port\":" + number_or_null(udp, static_cast<std::size_t>(arrival.source_port));
  std::string destination;
  if (!udp) {
    destination = colon_mac(arrival.destination_mac);
  } else if (arrival.destination) {
    destination = address_text(*arrival.destination);
  }
  out += ",\"destination\":" + text_or_null(!destination.empty(), destination);
  out += ",\"destination_port\":" +
         number_or_null(udp, static_cast<std::size_t>(arrival.destination_port));
  out += ",\"mac\":" + text_or_null(reading.mac.has_value(),
                                    reading.mac ? colon_mac(*reading.mac) : std::string());
  out +=
      ",\"password\":" + text_or_null(!reading.password.empty(), password_text(reading.password));
  out += ",\"verdict\":" + json_string(verdict_name(reading.verdict));
  out += ",\"detail\":" + json_string(verdict_text(reading));
  out += ",\"offset\":" + std::to_string(reading.offset);
  out += ",\"size\":" + std::to_string(reading.size) + "}";
  return out;
}

} // namespace wol::listen
