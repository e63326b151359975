// tick_bench — what one tick costs, next to the pixel work it must ask of
// the library.
//
//   tick_bench [SKY_BMP]
//
// Runs headless on a 16-bit memory buffer with the real sky. Measures, in one
// run: copying one 1024x768 frame with blit, the tick's two masked sky draws
// alone, a tick in the one-coin phase and a tick in the four-coin phase at
// speed 8 (an autopilot catches every coin to keep the game there). Each
// figure is the median of 3 rounds of 10,000 operations.
#include <allegro.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "autopilot.h"
#include "game.h"
#include "state.h"

namespace {

constexpr int OPS = 10000, ROUNDS = 3;

// Median over the rounds of the time per operation, in microseconds.
double micros_per_op(const std::function<void()> &op) {
  double rounds[ROUNDS];
  for (double &r : rounds) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < OPS; i++)
      op();
    r = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count() /
        OPS;
  }
  std::sort(rounds, rounds + ROUNDS);
  return rounds[ROUNDS / 2];
}

void fresh_round() {
  BITMAP *buffer = state.buffer, *sky = state.skySprite;
  state = GameState{};
  state.buffer = buffer;
  state.skySprite = sky;
}

} // namespace

int main(int argc, char **argv) {
  const char *sky_file = argc > 1 ? argv[1] : COINFLIGHT_DATA "/skypic.bmp";
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

  const double blit_us =
      micros_per_op([&] { blit(state.buffer, copy, 0, 0, 0, 0, BUFFER_W, BUFFER_H); });
  int skyx = 0;
  const double sky_us = micros_per_op([&] {
    draw_sprite(state.buffer, state.skySprite, skyx, 0);
    draw_sprite(state.buffer, state.skySprite, skyx + SKY_PERIOD, 0);
    skyx = skyx == -(SKY_PERIOD - 1) ? 0 : skyx - 1;
  });

  // One coin: catch the first four, then start the round again before a
  // second coin can join.
  fresh_round();
  const double one_us = micros_per_op([] {
    if (state.score >= COIN2_SCORE)
      fresh_round();
    autopilot();
    game();
  });

  // Four coins at speed 8: past the round's last speed step, every coin caught.
  fresh_round();
  while (state.speed < 8 || state.coin4on == 0) {
    autopilot();
    game();
  }
  const double four_us = micros_per_op([] {
    autopilot();
    game();
  });
  if (state.gameover || state.speed != 8 || !state.coin4on) {
    fprintf(stderr, "tick_bench: the autopilot left the four-coin phase\n");
    return 1;
  }

  printf("%-36s %9s %12s %14s %14s\n", "operation", "us/op", "ops/s", "x frame copy",
         "x sky draws");
  auto row = [&](const char *what, double us) {
    printf("%-36s %9.1f %12.0f %14.2f %14.2f\n", what, us, 1e6 / us, us / blit_us, us / sky_us);
  };
  row("frame copy (blit 1024x768, 16-bit)", blit_us);
  row("two masked sky draws", sky_us);
  row("tick, one coin", one_us);
  row("tick, four coins at speed 8", four_us);
  return 0;
}
