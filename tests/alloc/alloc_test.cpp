// SPDX-License-Identifier: MIT
// A tick allocates nothing: the C allocation functions are replaced here, so
// every malloc, calloc and realloc of the game, the library and the C++
// runtime (operator new ends in malloc) is counted while ticks run.
#include <atomic>
#include <cstddef>

#include "autopilot.h"
#include "headless.h"

extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);

static std::atomic<long> allocations{0};
static std::atomic<bool> counting{false};

extern "C" void *malloc(size_t n) {
  if (counting)
    allocations++;
  return __libc_malloc(n);
}
extern "C" void *calloc(size_t n, size_t size) {
  if (counting)
    allocations++;
  return __libc_calloc(n, size);
}
extern "C" void *realloc(void *p, size_t n) {
  if (counting)
    allocations++;
  return __libc_realloc(p, n);
}

TEST_F(Headless, TicksAllocateNothing) {
  // Warm up into the four-coin phase, then count over 10,000 ticks of it,
  // with the keys held now and then.
  for (int i = 0; i < 2600; i++) {
    autopilot();
    game();
  }
  ASSERT_EQ(state.coin4on, 1);
  counting = true;
  for (int i = 0; i < 10000; i++) {
    key[KEY_UP] = (i / 7) % 3 == 0;
    autopilot();
    game();
  }
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
  EXPECT_EQ(state.gameover, 0);
}
