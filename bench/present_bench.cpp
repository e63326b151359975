// SPDX-License-Identifier: MIT
// present_bench — the real start-up and main loop on an X display.
//
//   present_bench DATA_DIR
//
// Starts the game exactly as coinflight does, in DATA_DIR, then:
// 1. runs the real main loop for 10 s (an autopilot between passes keeps the
//    round going) and reports passes and ticks per second;
// 2. leaves the timer alone for 60 s and reports how many ticks it made due
//    (50 a second: 3000 expected);
// 3. reports the process's peak resident memory.
// Needs DISPLAY; bench/run.sh starts a private Xvfb for it.
#include <allegro.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "autopilot.h"
#include "shell.h"
#include "state.h"

using Clock = std::chrono::steady_clock;

static long peak_resident_kib() {
  FILE *f = fopen("/proc/self/status", "r");
  char line[256];
  long kib = -1;
  while (f && fgets(line, sizeof line, f))
    if (strncmp(line, "VmHWM:", 6) == 0)
      kib = atol(line + 6);
  if (f)
    fclose(f);
  return kib;
}

int main(int argc, char **argv) {
  if (argc != 2 || chdir(argv[1]) != 0) {
    fprintf(stderr, "usage: present_bench DATA_DIR\n");
    return 2;
  }
  if (!start_up())
    return 1;

  long passes = 0, ticks = 0;
  int last_skyx = state.skyx;
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::seconds(10)) {
    autopilot();
    main_loop_pass();
    passes++;
    ticks += (last_skyx - state.skyx + SKY_PERIOD) % SKY_PERIOD; // the sky moves 1 a tick
    last_skyx = state.skyx;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  printf("presentation: %.0f passes/s, %.1f ticks/s over %.1f s\n", passes / seconds,
         ticks / seconds, seconds);

  const auto timer_start = Clock::now();
  speed_counter = 0;
  std::this_thread::sleep_until(timer_start + std::chrono::seconds(60));
  printf("timer: %d ticks due in 60 s (3000 expected)\n", speed_counter.load());
  printf("memory: peak resident %ld KiB\n", peak_resident_kib());
  return 0;
}
