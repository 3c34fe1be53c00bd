// Files of targets: one "MAC [ADDRESS [PORT]]" a line, fields separated by
// spaces or tabs, everything from a '#' on ignored; read as the tools read
// every text file (lines.h). A line that cannot be used is reported, never
// skipped or cut, and its problem names the field, never what it held: a
// file may be anyone's, and wol-wake may run with rights its user lacks.
#ifndef WOL_WAKE_TARGET_FILE_H
#define WOL_WAKE_TARGET_FILE_H

#include "lines.h"

#include <optional>
#include <string>

namespace wol::wake {

// A line that holds a target, or why it cannot be used.
struct TargetLine {
  unsigned long number = 0;           // from 1
  std::string mac;                    // MAC, as written
  std::optional<std::string> address; // ADDRESS
  std::optional<int> port;            // PORT, 1 to 65535
  std::string error;                  // when not empty, the line's problem
};

// The target of `line`, or nothing for a blank or comment line.
std::optional<TargetLine> target_line(const Line &line);

} // namespace wol::wake

#endif
