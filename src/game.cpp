// SPDX-License-Identifier: MIT
// game.cpp — the order of one tick, the scrolling sky and the score line.
#include "game.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>

#include "state.h"

// Draws this tick's number from the never-seeded C generator, reduced to
// 0..32767 where the platform's rand() reaches further (the coin height
// formulas are made for that range).
static void next_random() { state.random = rand() % (RANDOM_MAX + 1); }

// Prints the score and the high score in black along the bottom, on top of
// everything else, with no background. The text is formatted on the stack and
// drawn with textout_ex: the library's textprintf_ex would allocate on every
// call, and a tick allocates nothing.
static void score_line() {
  const int black = makecol(0, 0, 0);
  char text[32];
  snprintf(text, sizeof text, "Score: %d", state.score);
  textout_ex(state.buffer, font, text, SCORE_X, SCORE_Y, black, -1);
  snprintf(text, sizeof text, "High Score: %d", state.highscore);
  textout_ex(state.buffer, font, text, HIGHSCORE_X, SCORE_Y, black, -1);
}

void game() {
  sky();
  plane();

  // Steering: 20 pixels per tick while an arrow key is held, then pushed back
  // inside the picture if that step took the plane past an edge. It comes
  // after plane(), so a tick's picture shows the plane before its keys.
  if (key[KEY_DOWN])
    state.planey += PLANE_STEP;
  if (key[KEY_UP])
    state.planey -= PLANE_STEP;
  if (state.planey < PLANE_TOP_LIMIT)
    state.planey += PLANE_STEP;
  if (state.planey > PLANE_BOTTOM_LIMIT)
    state.planey -= PLANE_STEP;

  next_random();
  coins();
  catch_or_miss();
  speed_steps();
  round_reset();
  score_line();
}
