// The library must not touch the heap: every call of every function, on its
// success and failure paths, runs while this program counts allocations.
// glibc lets a program replace malloc and friends; the replacements here
// forward to glibc's own and count while armed.
#include "tarnwick_wol.h"
#include "udp_receiver.h"

#include <gtest/gtest.h>

#include <cstddef>

extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void *pointer);
}

namespace {
bool s_counting = false;
int s_allocations = 0;

void *counted(void *pointer) {
  if (s_counting) {
    ++s_allocations;
  }
  return pointer;
}
} // namespace

extern "C" {
void *malloc(std::size_t size) { return counted(__libc_malloc(size)); }
void *calloc(std::size_t count, std::size_t size) { return counted(__libc_calloc(count, size)); }
void *realloc(void *pointer, std::size_t size) { return counted(__libc_realloc(pointer, size)); }
void *memalign(std::size_t alignment, std::size_t size) {
  return counted(__libc_memalign(alignment, size));
}
void *aligned_alloc(std::size_t alignment, std::size_t size) {
  return counted(__libc_memalign(alignment, size));
}
int posix_memalign(void **out, std::size_t alignment, std::size_t size) {
  *out = counted(__libc_memalign(alignment, size));
  return *out == nullptr ? 12 /* ENOMEM */ : 0;
}
void free(void *pointer) { __libc_free(pointer); }
}

namespace {

// Counts the allocations made while `calls` runs.
template <typename Calls> int allocations_during(Calls calls) {
  s_allocations = 0;
  s_counting = true;
  calls();
  s_counting = false;
  return s_allocations;
}

TEST(no_allocation, counter_sees_an_allocation) {
  EXPECT_EQ(allocations_during([] { free(malloc(16)); }), 1);
}

TEST(no_allocation, on_any_path_of_any_function) {
  udp_receiver receiver;
  ASSERT_EQ(receiver.error(), "");
  const int port = receiver.port();
  unsigned char packet[TARNWICK_WOL_PACKET_SIZE];
  const int allocations = allocations_during([&] {
    (void)wol_version();
    (void)wol_last_error();
    (void)wol_packet("AA:BB:CC:DD:EE:FF", packet, sizeof packet);
    (void)wol_packet("aabbccddeeff", packet, sizeof packet);
    (void)wol_packet("AA:BB", packet, sizeof packet);
    (void)wol_packet(nullptr, packet, sizeof packet);
    (void)wol_packet("AA:BB:CC:DD:EE:FF", nullptr, sizeof packet);
    (void)wol_packet("AA:BB:CC:DD:EE:FF", packet, 1);
    (void)wol_send("AA:BB:CC:DD:EE:FF", "127.0.0.1", port); // first send starts up
    (void)wol_send("AA:BB:CC:DD:EE:FF", "127.0.0.1", port);
    (void)wol_send("AA-BB-CC-DD-EE-FF", "127.0.0.1", port);
    (void)wol_send("AA:BB:CC:DD:EE:FF", "127.0.0.1", 65536);
    (void)wol_send("AA:BB:CC:DD:EE:FF", "127.1", port); // refused, read as loopback if not
  });
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(receiver.receive().size(), sizeof packet);
}

} // namespace
