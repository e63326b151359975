// SPDX-License-Identifier: MIT
// rules.h — the game's fixed numbers: sizes, speeds, thresholds.
//
// There is no configuration; every rule of the game is a constant here, named
// so that the code that uses it reads as the rule it applies.
#pragma once

#include <cstdint>

// Size of the back buffer and of the picture the game draws, in pixels.
constexpr int32_t BUFFER_W = 1024;
constexpr int32_t BUFFER_H = 768;

// Ticks per second, delivered by the library's timer.
constexpr int32_t TICKS_PER_SECOND = 50;

// The sky strip repeats every SKY_PERIOD pixels and scrolls one pixel a tick.
constexpr int32_t SKY_PERIOD = 4000;

// Largest value `state.random` takes; every tick draws one from 0 to it.
constexpr int32_t RANDOM_MAX = 32767;

// Score line: "Score: %d" and "High Score: %d" on one row near the bottom.
constexpr int32_t SCORE_X = 10;
constexpr int32_t HIGHSCORE_X = 100;
constexpr int32_t SCORE_Y = 750;

// The plane: where it starts, how far a tick of steering moves it, and the
// range its fuselage top may take.
constexpr int32_t PLANE_START_Y = 364;
constexpr int32_t PLANE_STEP = 20;
constexpr int32_t PLANE_TOP_LIMIT = 0;      // above this it is pushed back down
constexpr int32_t PLANE_BOTTOM_LIMIT = 718; // below this it is pushed back up
constexpr int32_t FUSELAGE_H = 25;          // rows of the fuselage that catch coins
constexpr int32_t PROP_LENGTH = 18;         // blade length, shown up or down
constexpr int32_t PROP_FLIP_TICKS = 2;      // ticks the blade shows each way

// The coins.
constexpr int32_t COIN_ENTRY_X = 974;    // centre x of a coin entering on the right
constexpr int32_t COIN_DRAW_MIN_X = 150; // drawn only while x is above this
constexpr int32_t COIN_CATCH_X = 149;    // judged once x is this or less
constexpr int32_t COIN_SIZE = 100;       // height of a coin's box (its diameter)
constexpr int32_t COIN_RADIUS = 50;

// Height band of entering coins: y = random / divisor + offset. Coins 1 and 2
// start with the wide band (y 100..620) and use the narrow one (y 192..577)
// once coin 3 has flown in a round; coins 3 and 4 always use the narrow one.
constexpr int32_t WIDE_DIVISOR = 63;
constexpr int32_t WIDE_OFFSET = 100;
constexpr int32_t NARROW_DIVISOR = 85;
constexpr int32_t NARROW_OFFSET = 192;

// A waiting coin joins once the score is above its threshold and the coin it
// follows has flown to the given x (but not yet past the plane's nose).
constexpr int32_t COIN2_SCORE = 4, COIN2_AFTER_X = 511;  // follows coin 1
constexpr int32_t COIN3_SCORE = 14, COIN3_AFTER_X = 255; // follows coin 1
constexpr int32_t COIN4_SCORE = 24, COIN4_AFTER_X = 511; // follows coin 3

// Coin speed: coins move 2 * speed pixels a tick, faster at these scores.
constexpr int32_t START_SPEED = 5;
constexpr int32_t SPEED6_SCORE = 40;
constexpr int32_t SPEED7_SCORE = 60;
constexpr int32_t SPEED8_SCORE = 80;
