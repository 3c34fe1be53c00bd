// The program's arguments and files on Windows: the wide (UTF-16) forms,
// turned into UTF-8 and back.
#include "program.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace wol {
namespace {

std::wstring utf16(const std::string &text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 1) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  (void)MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
  wide.resize(static_cast<std::size_t>(size - 1));
  return wide;
}

} // namespace

std::string utf8_of(const wchar_t *wide) {
  if (wide == nullptr) {
    return {};
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return {};
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  (void)WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.resize(static_cast<std::size_t>(size - 1));
  return text;
}

std::vector<std::string> program_arguments(int argc, wchar_t **argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(utf8_of(argv[i]));
  }
  return args;
}

std::FILE *open_for_reading(const std::string &name) { return _wfopen(utf16(name).c_str(), L"rb"); }

void read_standard_input_as_bytes() { (void)_setmode(_fileno(stdin), _O_BINARY); }

} // namespace wol
