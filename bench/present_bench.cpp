// SPDX-License-Identifier: MIT
// present_bench — the real start-up and main loop on an X display.
//
//   present_bench DATA_DIR [--no-timer-check]
//
// Starts the game exactly as coinflight does, in DATA_DIR, then:
// 1. runs the real main loop for 10 s (an autopilot between passes keeps the
//    round going) and reports passes, ticks and pictures shown per second,
//    and the process's CPU time for each picture shown (all threads), and
//    each thread's share;
// 2. times a plain copy of a whole 16-bit picture, the floor any way of
//    showing it has to pay;
// 3. leaves the timer alone for 60 s and reports how many ticks it made due
//    (50 a second: 3000 expected), unless told not to;
// 4. reports the process's peak resident memory.
// Built twice: on the desktop platform (present_bench), and on the library's
// own X11 driver (present_bench_x11), which shows every pass.
// Needs DISPLAY; bench/run.sh starts a private Xvfb for it.
#include <allegro.h>
#include <sys/resource.h>
#include <unistd.h>

#include <dirent.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "autopilot.h"
#include "shell.h"
#include "state.h"
#ifdef COINFLIGHT_DESKTOP
#include "aldesk.h"
#endif

using Clock = std::chrono::steady_clock;

// The process's CPU time so far, all threads, in seconds.
static double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Each thread's CPU time so far, in seconds, by the thread's name (the game's
// own thread is named after the program). Read off each thread's own CPU
// clock, to the nanosecond: the clock ticks in /proc's stat are too coarse
// for a thread that works half a millisecond at a time. The clock's id is
// made from the thread's id as glibc's pthread_getcpuclockid makes it.
static std::map<std::string, double> thread_cpu_seconds() {
  std::map<std::string, double> cpu;
  DIR *tasks = opendir("/proc/self/task");
  while (dirent *t = tasks ? readdir(tasks) : nullptr) {
    if (t->d_name[0] == '.')
      continue;
    char name[64] = "";
    FILE *f = fopen((std::string("/proc/self/task/") + t->d_name + "/comm").c_str(), "r");
    if (f && fgets(name, sizeof name, f))
      name[strcspn(name, "\n")] = 0;
    if (f)
      fclose(f);
    const clockid_t per_thread_sched = 6;
    const clockid_t clock = static_cast<clockid_t>(~atoi(t->d_name) * 8) | per_thread_sched;
    timespec ts{};
    if (clock_gettime(clock, &ts) == 0)
      cpu[name] += ts.tv_sec + ts.tv_nsec / 1e9;
  }
  if (tasks)
    closedir(tasks);
  return cpu;
}

// Pictures shown so far: the desktop platform counts them; the X11 driver
// shows every pass.
static long frames_shown(long passes) {
#ifdef COINFLIGHT_DESKTOP
  (void)passes;
  return desktop_frames_shown();
#else
  return passes;
#endif
}

// The median time of a plain copy of one 1024x768 16-bit picture, in µs.
static double plain_copy_us() {
  std::vector<unsigned short> from(BUFFER_W * BUFFER_H, 1), to(BUFFER_W * BUFFER_H);
  std::vector<double> us;
  for (int i = 0; i < 201; i++) {
    const auto t = Clock::now();
    memcpy(to.data(), from.data(), from.size() * sizeof from[0]);
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t).count());
    from[i] = to[i + 1]; // keeps the copies from being merged
  }
  std::nth_element(us.begin(), us.begin() + us.size() / 2, us.end());
  return us[us.size() / 2];
}

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
  const bool timer_check = !(argc == 3 && strcmp(argv[2], "--no-timer-check") == 0);
  if (argc < 2 || argc > 3 || chdir(argv[1]) != 0) {
    fprintf(stderr, "usage: present_bench DATA_DIR [--no-timer-check]\n");
    return 2;
  }
  if (!start_up())
    return 1;

  long passes = 0, ticks = 0;
  int last_skyx = state.skyx;
  const long frames_before = frames_shown(0);
  const double cpu_before = cpu_seconds();
  const std::map<std::string, double> threads_before = thread_cpu_seconds();
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::seconds(10)) {
    autopilot();
    main_loop_pass();
    passes++;
    ticks += (last_skyx - state.skyx + SKY_PERIOD) % SKY_PERIOD; // the sky moves 1 a tick
    last_skyx = state.skyx;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = cpu_seconds() - cpu_before;
  const long frames = frames_shown(passes) - frames_before;
  printf("presentation: %.0f passes/s, %.1f ticks/s, %.1f frames/s over %.1f s\n", passes / seconds,
         ticks / seconds, frames / seconds, seconds);
  printf("cpu: %.2f cores busy, %.0f us of CPU per frame shown\n", cpu / seconds,
         frames > 0 ? cpu / frames * 1e6 : 0.0);
  for (const auto &[name, seconds_used] : thread_cpu_seconds()) {
    const auto before = threads_before.find(name);
    const double used = seconds_used - (before == threads_before.end() ? 0 : before->second);
    if (used <= 0) // the threads that only wait (the X server's, Mesa's)
      continue;
    printf("thread %s: %.2f cores busy, %.0f us of CPU per frame shown\n", name.c_str(),
           used / seconds, frames > 0 ? used / frames * 1e6 : 0.0);
  }
  printf("floor: a plain copy of the picture takes %.0f us\n", plain_copy_us());
  if (!timer_check) {
    printf("memory: peak resident %ld KiB\n", peak_resident_kib());
    return 0;
  }

  const auto timer_start = Clock::now();
  speed_counter = 0;
  std::this_thread::sleep_until(timer_start + std::chrono::seconds(60));
  printf("timer: %d ticks due in 60 s (3000 expected)\n", speed_counter.load());
  printf("memory: peak resident %ld KiB\n", peak_resident_kib());
  return 0;
}
