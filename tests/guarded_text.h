// Texts placed so that their terminating NUL is the last readable byte
// before an inaccessible page: reading one character too far crashes.
#ifndef TARNWICK_WOL_TESTS_GUARDED_TEXT_H
#define TARNWICK_WOL_TESTS_GUARDED_TEXT_H

#include <cstddef>

class guarded_page {
public:
  guarded_page();
  ~guarded_page();
  guarded_page(const guarded_page &) = delete;
  guarded_page &operator=(const guarded_page &) = delete;

  bool ready() const { return base_ != nullptr; }
  // Copies `text` (with its NUL) to end right at the guard; returns the copy.
  const char *place(const char *text);

private:
  char *base_ = nullptr;
  std::size_t page_ = 0;
};

#endif
