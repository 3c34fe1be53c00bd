// The log's system calls on Windows, which has no syslog (the command line
// refuses --log syslog) and no journal.
#include "log.h"

namespace wol::relay {

bool standard_error_is_journal() { return false; }

void open_syslog() {}

void write_syslog(const std::string & /*line*/) {}

void close_syslog() {}

} // namespace wol::relay
