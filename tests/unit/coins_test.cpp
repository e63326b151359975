// SPDX-License-Identifier: MIT
// The coins: the schedule of a round, catching, and what a miss does.
#include <string>
#include <vector>

#include "autopilot.h"
#include "headless.h"

// Every round follows one schedule while every coin is caught. Each row is
// the tick of an event, the event, and every coin x after that tick.
TEST_F(Headless, RoundFollowsItsScheduleWhenEveryCoinIsCaught) {
  struct Row {
    int tick;
    const char *event;
    int score, joins, speed; // joins: the coin that switches on, or 0
    std::vector<int> xs;     // coin x after the tick, slots 1 up
  };
  const std::vector<Row> schedule = {
      {83, "coin 1 caught, score 1", 1, 0, 5, {144}},
      {475, "coin 1 caught, score 5", 5, 0, 5, {144}},
      {537, "coin 2 switches on and enters", 5, 2, 5, {504, 964}},
      {1011, "coin 2 caught, score 15", 15, 0, 5, {664, 144}},
      {1052, "coin 3 switches on and enters", 15, 3, 5, {254, 714, 964}},
      {1357, "coin 1 caught, score 25", 25, 0, 5, {144, 604, 854}},
      {1392, "coin 4 switches on and enters", 25, 4, 5, {774, 254, 504, 964}},
      {1749, "coin 1 caught, score 40; speed 6", 40, 0, 6, {144, 604, 854, 334}},
      {2158, "coin 1 caught, score 60; speed 7", 60, 0, 7, {146, 614, 866, 338}},
      {2508, "coin 1 caught, score 80; speed 8", 80, 0, 8, {148, 610, 862, 344}},
  };
  int tick = 0;
  for (const Row &row : schedule) {
    while (tick < row.tick - 1) {
      autopilot();
      game();
      tick++;
    }
    const int score_before = state.score;
    const int on_before = state.coin2on + state.coin3on + state.coin4on;
    autopilot();
    game();
    tick++;
    SCOPED_TRACE("tick " + std::to_string(tick) + ": " + row.event);
    ASSERT_EQ(state.gameover, 0);
    EXPECT_EQ(state.score, row.score);
    if (row.joins == 0) {
      EXPECT_EQ(score_before, row.score - 1) << "the catch happens on this very tick";
    } else {
      EXPECT_EQ(on_before + 1, state.coin2on + state.coin3on + state.coin4on);
      EXPECT_TRUE(slot(row.joins).in_play());
    }
    EXPECT_EQ(state.speed, row.speed);
    for (int n = 1; n <= 4; n++) {
      const bool listed = n <= static_cast<int>(row.xs.size());
      EXPECT_EQ(slot(n).in_play(), listed) << "coin " << n;
      if (listed) {
        EXPECT_EQ(*slot(n).x, row.xs[n - 1]) << "coin " << n;
      }
    }
  }
}

// A coin is caught when its 100 rows share at least one row with the
// fuselage's 25; with the plane at 284 that is a coin top from 185 to 308.
TEST_F(Headless, CoinIsCaughtOnlyWhenItsRowsOverlapTheFuselage) {
  struct {
    int coiny;
    bool caught;
  } const cases[] = {{184, false}, {185, true}, {250, true}, {308, true}, {309, false}};
  for (auto c : cases) {
    state = GameState{state.skySprite, state.gameoverSprite, state.buffer};
    state.planey = 284;
    state.coin1x = COIN_CATCH_X + 2 * START_SPEED; // reaches the nose this tick
    state.coin1y = c.coiny;
    game();
    EXPECT_EQ(state.coin1get, c.caught ? 1 : 0) << "coin top " << c.coiny;
    EXPECT_EQ(state.score, c.caught ? 1 : 0) << "coin top " << c.coiny;
    EXPECT_EQ(state.gameover, c.caught ? 0 : 1) << "coin top " << c.coiny;
  }
}

// A miss ends the round on the tick it happens: the high score is settled,
// the score shows 0, the coins go back to the start of a round, and the rest
// of the game carries over.
TEST_F(Headless, MissEndsTheRoundAndResetsOnlyTheCoins) {
  struct {
    int score, highscore, new_highscore;
  } const cases[] = {{12, 12, 12}, {13, 12, 13}, {3, 12, 12}};
  for (auto c : cases) {
    state = GameState{state.skySprite, state.gameoverSprite, state.buffer};
    state.score = c.score;
    state.highscore = c.highscore;
    state.planey = 24;
    state.skyx = -100;
    state.coin1x = COIN_CATCH_X + 2 * 7;
    state.coin1y = 500;
    state.coin2on = state.coin3on = state.coin4on = 1;
    state.coin2x = 600, state.coin3x = 800, state.coin4x = 400;
    state.coin2y = 321;
    state.speed = 7;
    state.r1 = NARROW_DIVISOR;
    state.r2 = NARROW_OFFSET;
    game();

    SCOPED_TRACE("score " + std::to_string(c.score) + ", high score " +
                 std::to_string(c.highscore));
    EXPECT_EQ(state.gameover, 1);
    EXPECT_EQ(state.score, 0);
    EXPECT_EQ(state.highscore, c.new_highscore);
    EXPECT_EQ(state.coin2on + state.coin3on + state.coin4on, 0);
    EXPECT_EQ(state.coin1x | state.coin2x | state.coin3x | state.coin4x, 0);
    EXPECT_EQ(state.speed, START_SPEED);
    EXPECT_EQ(state.r1, WIDE_DIVISOR);
    EXPECT_EQ(state.r2, WIDE_OFFSET);
    // Carried over into the next round.
    EXPECT_EQ(state.planey, 24);
    EXPECT_EQ(state.skyx, -101);
    EXPECT_EQ(state.coin2y, 321);
    EXPECT_EQ(state.prop, PROP_LENGTH);
    EXPECT_EQ(state.propcount, PROP_FLIP_TICKS - 1);

    // The ending tick's score line reads "Score: 0".
    BITMAP *expected = create_bitmap(80, 8);
    blit(state.skySprite, expected, 0, 0, 0, 0, 80, 8);
    textprintf_ex(expected, font, 0, 0, BLACK, -1, "Score: %d", 0);
    for (int y = 0; y < 8; y++)
      for (int x = 0; x < 80; x++)
        ASSERT_EQ(pixel(SCORE_X + x, SCORE_Y + y), getpixel(expected, x, y)) << x << "," << y;
    destroy_bitmap(expected);

    // The next round's first tick sends coin 1 in at once, in the wide band.
    state.gameover = 0;
    game();
    EXPECT_EQ(state.coin1x, COIN_ENTRY_X - 2 * START_SPEED);
    EXPECT_EQ(state.coin1y, state.random / WIDE_DIVISOR + WIDE_OFFSET);
    EXPECT_EQ(state.coin1get, 0);
  }
}
