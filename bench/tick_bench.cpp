// SPDX-License-Identifier: MIT
// tick_bench — what one tick costs, next to the pixel work it must ask of
// the library.
//
//   tick_bench [SKY_BMP [OPS]]
//
// Runs headless on a 16-bit memory buffer with the real sky. Measures, in one
// run: copying one 1024x768 frame with blit, the sky's two masked draws and
// its two plain copies alone, a tick in the one-coin phase and a tick in the
// four-coin phase at speed 8 (an autopilot catches every coin to keep the game
// there), each tick with the sky drawn masked and copied plainly, and a
// backlog of 500 four-coin ticks run back to back (what a 10-second stall
// leaves to catch up). Each figure is the median of 7 rounds of 10,000 (or
// OPS) operations (of 20 backlogs, or OPS / 500, for the last two). Last,
// what start-up spends on the sky once: the picture check, the load, and the
// search for mask pixels.
#include <allegro.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "autopilot.h"
#include "bmpcheck.h"
#include "game.h"
#include "state.h"

namespace {

constexpr int ROUNDS = 7, BACKLOG = 500;
// Operations timed per round: 10000, or fewer where each is slow (under an
// emulator).
int ops_per_round = 10000;

// Median over the rounds of the time per operation, in microseconds.
double micros_per_op(const std::function<void()> &op, int ops = ops_per_round) {
  double rounds[ROUNDS];
  for (double &r : rounds) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < ops; i++)
      op();
    r = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count() /
        ops;
  }
  std::sort(rounds, rounds + ROUNDS);
  return rounds[ROUNDS / 2];
}

void fresh_round() {
  BITMAP *buffer = state.buffer, *sky_sprite = state.skySprite;
  const bool opaque = state.skyOpaque;
  state = GameState{};
  state.buffer = buffer;
  state.skySprite = sky_sprite;
  state.skyOpaque = opaque;
}

// One tick of the four-coin phase, the plane kept level with the next coin.
void four_coin_tick() {
  autopilot();
  game();
}

// The ticks that pile up in a 10-second stall, run back to back.
void four_coin_backlog() {
  for (int i = 0; i < BACKLOG; i++)
    four_coin_tick();
}

} // namespace

int main(int argc, char **argv) {
  const char *sky_file = argc > 1 ? argv[1] : COINFLIGHT_DATA "/skypic.bmp";
  if (argc > 2)
    ops_per_round = std::max(1, atoi(argv[2]));
  if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
    return 1;
  set_color_depth(16);
  state.buffer = create_bitmap(BUFFER_W, BUFFER_H);
  state.skySprite = load_bitmap(sky_file, nullptr);
  BITMAP *copy = create_bitmap(BUFFER_W, BUFFER_H);
  if (!state.buffer || !state.skySprite || !copy) {
    fprintf(stderr, "tick_bench: cannot load %s\n", sky_file);
    return 1;
  }

  // As start-up decides: the game's own sky has no transparent pixel.
  const auto search_start = std::chrono::steady_clock::now();
  const bool opaque = !has_mask_pixels(state.skySprite);
  const double search_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - search_start)
          .count();
  if (!opaque)
    fprintf(stderr, "tick_bench: this sky has transparent pixels; the fast rows are masked too\n");

  const double blit_us =
      micros_per_op([&] { blit(state.buffer, copy, 0, 0, 0, 0, BUFFER_W, BUFFER_H); });
  state.skyOpaque = false;
  const double masked_sky_us = micros_per_op(sky);
  state.skyOpaque = true;
  const double plain_sky_us = micros_per_op(sky);

  // One coin: catch the first four, then start the round again before a
  // second coin can join.
  state.skyOpaque = opaque;
  fresh_round();
  const double one_us = micros_per_op([] {
    if (state.score >= COIN2_SCORE)
      fresh_round();
    autopilot();
    game();
  });

  // Four coins at speed 8: past the round's last speed step, every coin caught.
  fresh_round();
  while (state.speed < 8 || state.coin4on == 0)
    four_coin_tick();
  state.skyOpaque = false;
  const double four_masked_us = micros_per_op(four_coin_tick);
  const double backlog_masked_us =
      micros_per_op(four_coin_backlog, std::max(1, ops_per_round / 500));
  state.skyOpaque = opaque;
  const double four_us = micros_per_op(four_coin_tick);
  const double backlog_us = micros_per_op(four_coin_backlog, std::max(1, ops_per_round / 500));
  if (state.gameover || state.speed != 8 || !state.coin4on) {
    fprintf(stderr, "tick_bench: the autopilot left the four-coin phase\n");
    return 1;
  }

  printf("%-46s %10s %10s %14s\n", "operation", "us/op", "ops/s", "x frame copy");
  auto row = [&](const char *what, double us) {
    printf("%-46s %10.1f %10.0f %14.2f\n", what, us, 1e6 / us, us / blit_us);
  };
  row("frame copy (blit 1024x768, 16-bit)", blit_us);
  row("sky: two masked draws", masked_sky_us);
  row("sky: two plain copies", plain_sky_us);
  row("tick, one coin", one_us);
  row("tick, four coins at speed 8, sky masked", four_masked_us);
  row("tick, four coins at speed 8", four_us);
  printf("%-46s %10.1f ms\n", "backlog of 500 four-coin ticks, sky masked",
         backlog_masked_us / 1000);
  printf("%-46s %10.1f ms\n", "backlog of 500 four-coin ticks", backlog_us / 1000);
  char reason[128];
  const double check_us =
      micros_per_op([&] { bmp_file_problem(sky_file, reason, sizeof reason); }, 20);
  const double load_us = micros_per_op([&] { destroy_bitmap(load_bitmap(sky_file, nullptr)); }, 5);
  printf("%-46s %10.2f ms\n", "start-up's picture check of the sky file", check_us / 1000);
  printf("%-46s %10.2f ms\n", "start-up's load of the sky (library)", load_us / 1000);
  printf("%-46s %10.1f ms\n", "start-up's search of the sky for mask pixels", search_ms);
  return 0;
}
