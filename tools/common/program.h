// What a program gets from its system, the same way on every platform: its
// arguments in UTF-8, and files opened by UTF-8 names. On Windows both come
// from the wide (UTF-16) calls, whatever the code page, so that a file or an
// adapter named in any script can be given. One file per platform:
// program_posix.cpp, program_win32.cpp.
#ifndef WOL_COMMON_PROGRAM_H
#define WOL_COMMON_PROGRAM_H

#include <cstdio>
#include <string>
#include <vector>

namespace wol {

// The arguments after the program's name, in UTF-8.
#ifdef _WIN32
std::vector<std::string> program_arguments(int argc, wchar_t **argv);
#else
std::vector<std::string> program_arguments(int argc, char **argv);
#endif

#ifdef _WIN32
// A wide (UTF-16) string of Windows' in UTF-8.
std::string utf8_of(const wchar_t *wide);
#endif

// Opens the file `name` (UTF-8) for reading bytes; null with errno set
// when it cannot.
std::FILE *open_for_reading(const std::string &name);

// Standard input as bytes (Windows would otherwise turn CR LF into LF and
// stop at a Ctrl-Z).
void read_standard_input_as_bytes();

} // namespace wol

// Defines the program's entry, which hands `run` its arguments (a
// std::vector<std::string>) and returns its status: main, or on Windows
// wmain (MinGW links it with -municode).
#ifdef _WIN32
#define WOL_PROGRAM_MAIN(run)                                                                      \
  int wmain(int argc, wchar_t **argv) { return run(wol::program_arguments(argc, argv)); }
#else
#define WOL_PROGRAM_MAIN(run)                                                                      \
  int main(int argc, char **argv) { return run(wol::program_arguments(argc, argv)); }
#endif

#endif
