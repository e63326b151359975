// SPDX-License-Identifier: MIT
// frames — plays one fixed stretch of Coin Flight headless and prints a hash
// of the back buffer at checkpoints, so that two builds of the game (native,
// and WebAssembly under node) can be shown to draw the very same frames.
//
//   frames SKY_BMP
//
// The stretch: Up held for the first ticks, then an autopilot that catches
// every coin through the four-coin phase at speed 8, then Down held until a
// coin is missed, and the first ticks of the next round, the autopilot back. rand() is replaced
// by a fixed generator, so both builds draw the same coin heights.
#include <allegro.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "autopilot.h"
#include "bmpcheck.h"
#include "game.h"
#include "state.h"

// The platforms' own generators differ; this one is the same everywhere.
extern "C" int rand(void) {
  static uint32_t seed = 20261208;
  seed = seed * 1103515245u + 12345u;
  return static_cast<int>(seed >> 16 & 0x7fff);
}

namespace {

constexpr int CHECKPOINT_EVERY = 50;  // ticks between hashes
constexpr int UP_TICKS = 30;          // Up held at the start
constexpr int FOUR_COIN_TICKS = 600;  // played at speed 8 with four coins
constexpr int NEXT_ROUND_TICKS = 100; // played after the miss
constexpr int MAX_TICKS = 20000;      // a stretch that runs away fails

// FNV-1a over every pixel of the back buffer.
uint64_t frame_hash() {
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < state.buffer->h; y++) {
    const uint16_t *row = reinterpret_cast<const uint16_t *>(state.buffer->line[y]);
    for (int x = 0; x < state.buffer->w; x++)
      h = (h ^ row[x]) * 1099511628211ull;
  }
  return h;
}

int ticks = 0;

// One tick, then a hash line at each checkpoint, at the miss, and when `mark`.
void tick(bool mark = false) {
  game();
  ticks++;
  if (mark || state.gameover || ticks % CHECKPOINT_EVERY == 0)
    printf("tick %d hash %016llx score %d high %d speed %d coins %d%s\n", ticks,
           static_cast<unsigned long long>(frame_hash()), state.score, state.highscore, state.speed,
           1 + state.coin2on + state.coin3on + state.coin4on, state.gameover ? " game over" : "");
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2 || install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
    fprintf(stderr, "usage: frames SKY_BMP\n");
    return 2;
  }
  set_color_depth(16);
  char reason[128];
  const char *problem = nullptr;
  state.buffer = create_bitmap(BUFFER_W, BUFFER_H);
  state.skySprite = load_checked_bmp(argv[1], &problem, reason, sizeof reason);
  if (!state.buffer || !state.skySprite) {
    fprintf(stderr, "frames: cannot load %s: %s\n", argv[1], problem ? problem : "loader failed");
    return 1;
  }
  state.skyOpaque = !has_mask_pixels(state.skySprite);
  clear_to_color(state.buffer, makecol(0, 0, 0));

  key[KEY_UP] = 1;
  while (ticks < UP_TICKS)
    tick();
  key[KEY_UP] = 0;
  while ((state.speed < 8 || !state.coin4on) && ticks < MAX_TICKS) {
    autopilot();
    tick();
  }
  for (int i = 0; i < FOUR_COIN_TICKS; i++) {
    autopilot();
    tick(i == 0);
  }
  key[KEY_DOWN] = 1;
  while (!state.gameover && ticks < MAX_TICKS)
    tick();
  key[KEY_DOWN] = 0;
  state.gameover = 0; // as Enter on the game-over screen does
  for (int i = 0; i < NEXT_ROUND_TICKS; i++) {
    autopilot();
    tick();
  }
  printf("ticks %d\n", ticks);
  return ticks < MAX_TICKS ? 0 : 1;
}
