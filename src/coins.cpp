// SPDX-License-Identifier: MIT
// coins.cpp — the gold coins: their flight, catching, speed and round end.
//
// Each slot keeps its own numbered variables; the helpers below take one
// slot's variables by reference so the four slots share one rule each.
#include <allegro.h>

#include "game.h"
#include "state.h"

// A coin that has flown off the left edge (x <= 0) enters again at the right
// edge at a fresh height, uncaught; then every coin in play moves left.
static void enter_and_move(int32_t &x, int32_t &y, int32_t &get, int32_t divisor, int32_t offset) {
  if (x <= 0) {
    y = state.random / divisor + offset;
    x = COIN_ENTRY_X;
    get = 0;
  }
  x -= 2 * state.speed;
}

// Draws a gold six-pointed star on a darker disc with a gold rim, centred at
// (x, y + 50), while the coin is still right of the plane's nose.
static void draw_coin(int32_t x, int32_t y) {
  if (x <= COIN_DRAW_MIN_X)
    return;
  const int gold = makecol(255, 215, 0);
  const int dark_gold = makecol(205, 130, 0);
  const int cy = y + COIN_RADIUS;
  circlefill(state.buffer, x, cy, COIN_RADIUS, gold);
  circlefill(state.buffer, x, cy, COIN_RADIUS - 5, dark_gold);
  triangle(state.buffer, x - 30, y + 65, x + 30, y + 65, x, y + 15, gold);
  triangle(state.buffer, x - 30, y + 35, x + 30, y + 35, x, y + 85, gold);
}

// True while the coin it follows has flown to `after_x` but not past the nose.
static bool leader_at(int32_t leader_x, int32_t after_x) {
  return leader_x <= after_x && leader_x > COIN_DRAW_MIN_X;
}

void coins() {
  // Coin 1 is always in play.
  enter_and_move(state.coin1x, state.coin1y, state.coin1get, state.r1, state.r2);
  draw_coin(state.coin1x, state.coin1y);

  // Coin 2 joins behind coin 1 once the score is above 4.
  if (state.score > COIN2_SCORE && leader_at(state.coin1x, COIN2_AFTER_X))
    state.coin2on = 1;
  if (state.coin2on == 1) {
    enter_and_move(state.coin2x, state.coin2y, state.coin2get, state.r1, state.r2);
    draw_coin(state.coin2x, state.coin2y);
  }

  // Coin 3 joins behind coin 1 once the score is above 14; while it flies,
  // coins 1 and 2 enter in its narrower height band too.
  if (state.score > COIN3_SCORE && leader_at(state.coin1x, COIN3_AFTER_X))
    state.coin3on = 1;
  if (state.coin3on == 1) {
    enter_and_move(state.coin3x, state.coin3y, state.coin3get, NARROW_DIVISOR, NARROW_OFFSET);
    state.r1 = NARROW_DIVISOR;
    state.r2 = NARROW_OFFSET;
    draw_coin(state.coin3x, state.coin3y);
  }

  // Coin 4 joins behind coin 3 once the score is above 24; the lower bound
  // of its window is still taken from coin 1.
  if (state.score > COIN4_SCORE && state.coin3x <= COIN4_AFTER_X && state.coin1x > COIN_DRAW_MIN_X)
    state.coin4on = 1;
  if (state.coin4on == 1) {
    enter_and_move(state.coin4x, state.coin4y, state.coin4get, NARROW_DIVISOR, NARROW_OFFSET);
    draw_coin(state.coin4x, state.coin4y);
  }
}

// Judges one coin that has reached the plane's nose. Its first tick there
// decides: caught if its rows overlap the fuselage's rows, else the round
// ends. A caught coin flies on undrawn and is not judged again this pass.
static void judge(int32_t x, int32_t y, int32_t &get) {
  if (x > COIN_CATCH_X)
    return;
  if (y + COIN_SIZE > state.planey && state.planey + FUSELAGE_H > y && get == 0) {
    get = 1;
    state.score += 1;
  }
  if (get == 0) {
    if (state.score > state.highscore)
      state.highscore = state.score;
    state.score = 0;
    state.gameover = 1;
  }
}

void catch_or_miss() {
  judge(state.coin1x, state.coin1y, state.coin1get);
  if (state.coin2on == 1)
    judge(state.coin2x, state.coin2y, state.coin2get);
  if (state.coin3on == 1)
    judge(state.coin3x, state.coin3y, state.coin3get);
  if (state.coin4on == 1)
    judge(state.coin4x, state.coin4y, state.coin4get);
}

void speed_steps() {
  if (state.score == SPEED6_SCORE)
    state.speed = 6;
  if (state.score == SPEED7_SCORE)
    state.speed = 7;
  if (state.score == SPEED8_SCORE)
    state.speed = 8;
}

void round_reset() {
  if (state.score != 0 || state.gameover != 1)
    return;
  state.coin2on = state.coin3on = state.coin4on = 0;
  state.coin1x = state.coin2x = state.coin3x = state.coin4x = 0;
  state.speed = START_SPEED;
  state.r1 = WIDE_DIVISOR;
  state.r2 = WIDE_OFFSET;
}
