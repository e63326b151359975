// SPDX-License-Identifier: MIT
// headless.h — runs the game's simulation without a display.
//
// The library is started with no system driver, colours are 16-bit, and the
// back buffer and sky are memory bitmaps. Each test starts from the state a
// new process has, with no key held.
#pragma once

#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "game.h"
#include "state.h"

class Headless : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool started = false;
    if (!started) {
      ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
      set_color_depth(16);
      started = true;
    }
  }

  void SetUp() override {
    state = GameState{};
    speed_counter = 0;
    release_keys();
    state.buffer = create_bitmap(BUFFER_W, BUFFER_H);
    clear_to_color(state.buffer, 0);
    state.skySprite = create_bitmap(SKY_PERIOD, BUFFER_H);
    clear_to_color(state.skySprite, SKY);
  }

  void TearDown() override {
    destroy_bitmap(state.buffer);
    destroy_bitmap(state.skySprite);
    release_keys();
  }

  static void release_keys() {
    for (int k = 0; k < KEY_MAX; k++)
      key[k] = 0;
  }

  static void ticks(int n) {
    for (int i = 0; i < n; i++)
      game();
  }

  static int pixel(int x, int y) { return getpixel(state.buffer, x, y); }

  // A plain sky colour that none of the game's shapes use.
  const int SKY = makecol(120, 170, 230);
  const int BLACK = makecol(0, 0, 0);
};
