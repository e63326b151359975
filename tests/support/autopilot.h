// SPDX-License-Identifier: MIT
// autopilot.h — flies the plane for tests and benchmarks.
//
// Coin slots are numbered variables in the game; slot(n) gathers one slot's
// variables so a test can walk over the four of them.
#pragma once

#include "state.h"

struct Slot {
  int32_t *x, *y, *get, *on; // on is null for coin 1, which is always in play
  bool in_play() const { return on == nullptr || *on == 1; }
};

inline Slot slot(int n) {
  switch (n) {
  case 1:
    return {&state.coin1x, &state.coin1y, &state.coin1get, nullptr};
  case 2:
    return {&state.coin2x, &state.coin2y, &state.coin2get, &state.coin2on};
  case 3:
    return {&state.coin3x, &state.coin3y, &state.coin3get, &state.coin3on};
  default:
    return {&state.coin4x, &state.coin4y, &state.coin4get, &state.coin4on};
  }
}

// The uncaught coin in flight nearest the plane's nose, or 0 when none flies.
inline int next_coin() {
  int best = 0;
  for (int n = 1; n <= 4; n++) {
    const Slot s = slot(n);
    if (s.in_play() && *s.x > 0 && *s.get == 0 && (best == 0 || *s.x < *slot(best).x))
      best = n;
  }
  return best;
}

// Puts the plane level with the next coin, so that coin is caught.
inline void autopilot() {
  if (const int n = next_coin())
    state.planey = *slot(n).y;
}
