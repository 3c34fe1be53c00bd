// The program's arguments and files on Linux and other POSIX systems: the
// bytes as they are.
#include "program.h"

namespace wol {

std::vector<std::string> program_arguments(int argc, char **argv) {
  return {argv + (argc > 0 ? 1 : 0), argv + argc};
}

std::FILE *open_for_reading(const std::string &name) { return std::fopen(name.c_str(), "rb"); }

void read_standard_input_as_bytes() {}

} // namespace wol
