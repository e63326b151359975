// SPDX-License-Identifier: MIT
// loop.cpp — the fixed-rate main loop, presentation and the game-over screen.
#include <allegro.h>

#include "game.h"
#include "shell.h"
#include "state.h"

// Where the game-over picture is drawn on the screen.
constexpr int GAMEOVER_X = 300;
constexpr int GAMEOVER_Y = 300;

void increment_speed_counter() { speed_counter.fetch_add(1); }

// Draws one sprite onto the screen. On X11 an acquired screen holds back the
// library's keyboard processing, so the screen is held only for the draw.
static void draw_on_screen(BITMAP *sprite, int x, int y) {
  acquire_screen();
  draw_sprite(screen, sprite, x, y);
  release_screen();
}

void run_due_ticks() {
  while (speed_counter.load() > 0 && state.gameover == 0) {
    game();
    speed_counter.fetch_sub(1);
  }
}

void present() { draw_on_screen(state.buffer, 0, 0); }

void game_over_screen() {
  // Esc is not looked at here: only Enter leaves this screen. The loop spins,
  // but after each draw it yields once (rest(0)): the library's input thread
  // needs the screen's lock too, and a loop that takes it back at once would
  // keep Enter from the key array for seconds on a slow machine.
  while (!key[KEY_ENTER] && !quit_requested()) {
    draw_on_screen(state.gameoverSprite, GAMEOVER_X, GAMEOVER_Y);
    rest(0);
  }
  state.gameover = 0;
  speed_counter.store(1);
}

bool main_loop_pass() {
  if (key[KEY_ESC] || quit_requested())
    return false;
  run_due_ticks();
  present();
  if (state.gameover == 1)
    game_over_screen();
  return true;
}
