#include "guarded_text.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

guarded_page::guarded_page() {
#ifdef _WIN32
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  page_ = info.dwPageSize;
  void *pages = VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  DWORD old = 0;
  if (pages != nullptr &&
      VirtualProtect(static_cast<char *>(pages) + page_, page_, PAGE_NOACCESS, &old)) {
    base_ = static_cast<char *>(pages);
  }
#else
  page_ = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void *pages =
      mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages != MAP_FAILED && mprotect(static_cast<char *>(pages) + page_, page_, PROT_NONE) == 0) {
    base_ = static_cast<char *>(pages);
  }
#endif
}

guarded_page::~guarded_page() {
  if (base_ == nullptr) {
    return;
  }
#ifdef _WIN32
  VirtualFree(base_, 0, MEM_RELEASE);
#else
  munmap(base_, 2 * page_);
#endif
}

const char *guarded_page::place(const char *text) {
  const std::size_t size = std::strlen(text) + 1;
  char *copy = base_ + page_ - size;
  std::memcpy(copy, text, size);
  return copy;
}
