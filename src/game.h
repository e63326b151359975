// SPDX-License-Identifier: MIT
// game.h — the simulation: one tick of the game, drawn into `state.buffer`.
//
// The simulation reads only the library's `key` array and draws only into the
// memory bitmap `state.buffer`; it never touches the screen. That is what lets
// the tests run every rule without a display.
//
// Who calls what: the main loop (loop.cpp) calls game() once per due tick;
// game() calls sky(), plane() and the coin steps in the order the tick fixes.
#pragma once

#include <allegro.h>

#include "rules.h"

// One tick: sky, plane, steering, random number, coins 1-4, catch or miss,
// speed steps, round reset, score line. Called by the main loop per due tick.
void game();

// Draws the sky into `state.buffer` and scrolls it a pixel. Tick step 1.
void sky();

// True when any pixel of `bmp` is in the mask colour, i.e. a masked draw of it
// would leave something showing through. Start-up asks this of the sky once
// and keeps the answer in `state.skyOpaque`.
bool has_mask_pixels(BITMAP *bmp);

// Draws the plane at `state.planey` and advances its propeller. Tick step 2.
void plane();

// Steps 5 to 8: switch on, enter, move and draw each coin slot in turn.
void coins();

// Step 9: judge every coin in play that has reached the plane's nose.
void catch_or_miss();

// Step 10: the coins speed up at scores 40, 60 and 80.
void speed_steps();

// Step 11: after a miss, put the coins back as a new round finds them.
void round_reset();
