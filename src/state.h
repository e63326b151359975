// SPDX-License-Identifier: MIT
// state.h — every variable of Coin Flight, listed in one place.
//
// The whole game lives in one process-wide record, `state`, whose members keep
// the game's variable names (`planey`, `coin1x`, ...), plus `speed_counter`,
// the one datum the timer thread shares with the main loop. Nothing else in the
// game holds state. The simulation (game.cpp, plane.cpp, coins.cpp) and the
// shell (startup.cpp, loop.cpp) read and write these members directly.
//
// The record is gathered rather than spread over loose globals because a
// process-wide `random` would collide with the C library's random(); it also
// lets a test start afresh with `state = GameState{}`.
#pragma once

#include <allegro.h>

#include <atomic>
#include <cstdint>

#include "rules.h"

struct GameState {
  // Bitmaps: created once at start-up, never freed by the game.
  BITMAP *skySprite = nullptr;      // the sky strip, from "skypic.bmp"
  BITMAP *gameoverSprite = nullptr; // the game-over panel, from "gameoverpic.bmp"
  BITMAP *buffer = nullptr;         // the back buffer every tick draws into
  // The sky has no pixel in the mask colour, so the tick may copy it plainly
  // instead of drawing it masked (same picture, a fraction of the cost).
  // Start-up sets it once the sky is loaded; false keeps the masked draw.
  bool skyOpaque = false;

  int32_t r1 = WIDE_DIVISOR;           // divisor of the height formula of coins 1 and 2
  int32_t r2 = WIDE_OFFSET;            // offset of the height formula of coins 1 and 2
  int32_t planey = PLANE_START_Y;      // top edge of the plane's fuselage; never reset
  int32_t speed = START_SPEED;         // coins move 2 * speed pixels left per tick
  int32_t prop = PROP_LENGTH;          // signed propeller blade length, 18 or -18
  int32_t propcount = PROP_FLIP_TICKS; // ticks until the blade flips

  int32_t random = 0;    // this tick's pseudo-random number, 0..32767
  int32_t skyx = 0;      // sky offset, 0 down to -3999
  int32_t score = 0;     // coins caught this round
  int32_t highscore = 0; // best score of this process

  // Coin slots: x of the centre, top of the 100-pixel box, caught this pass.
  int32_t coin1x = 0, coin2x = 0, coin3x = 0, coin4x = 0;
  int32_t coin1y = 0, coin2y = 0, coin3y = 0, coin4y = 0;
  int32_t coin1get = 0, coin2get = 0, coin3get = 0, coin4get = 0;
  // Coins 2 to 4 are in play only while switched on; coin 1 always is.
  int32_t coin2on = 0, coin3on = 0, coin4on = 0;

  int32_t gameover = 0; // set by a missed coin, cleared by the game-over screen
};

extern GameState state;

// Ticks that are due and not yet run. The timer callback adds one 50 times a
// second on the library's timer thread; the main loop takes one off after each
// tick and stores 1 when it leaves the game-over screen.
extern std::atomic<int> speed_counter;
