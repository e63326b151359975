// SPDX-License-Identifier: MIT
// The tick's own steps: the scrolling sky, the random number, the score line.
#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "autopilot.h"
#include "headless.h"

// The sky is drawn at its offset and again one period to the right. With a
// sky whose every column has its own colour, the buffer's column x shows sky
// column (x - offset) mod 4000, which reveals the offset the tick drew at.
TEST_F(Headless, SkyScrollsOnePixelPerTickAndWrapsAfterAPeriod) {
  for (int x = 0; x < SKY_PERIOD; x++)
    vline(state.skySprite, x, 0, BUFFER_H - 1, x + 1); // raw 16-bit value: column + 1
  auto sky_column_at = [](int x) { return getpixel(state.buffer, x, 0) - 1; };

  struct {
    int tick, offset;
  } const cases[] = {{1, 0}, {2, -1}, {4000, -3999}, {4001, 0}};
  int done = 0;
  for (auto c : cases) {
    ticks(c.tick - done);
    done = c.tick;
    for (int x : {0, 1, 512, BUFFER_W - 1})
      EXPECT_EQ(sky_column_at(x), ((x - c.offset) % SKY_PERIOD + SKY_PERIOD) % SKY_PERIOD)
          << "tick " << c.tick << ", buffer column " << x;
  }
}

TEST_F(Headless, RandomNumberCoversItsWholeRangeAndNoMore) {
  int lowest = RANDOM_MAX, highest = 0;
  for (int i = 0; i < 5000; i++) {
    game();
    lowest = std::min(lowest, state.random);
    highest = std::max(highest, state.random);
  }
  EXPECT_GE(lowest, 0);
  EXPECT_LT(lowest, 100);
  EXPECT_LE(highest, RANDOM_MAX);
  EXPECT_GT(highest, RANDOM_MAX - 100);
}

// Bounding box of the black pixels in the score line's band.
struct Box {
  int left = BUFFER_W, right = -1, top = BUFFER_H, bottom = -1;
};
static Box black_in_band(int black, int from_x, int to_x) {
  Box b;
  for (int y = SCORE_Y - 10; y < BUFFER_H; y++)
    for (int x = from_x; x < to_x; x++)
      if (getpixel(state.buffer, x, y) == black) {
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

// Any score is printed in full, and the high score always starts at x 100,
// even when a long score runs into it. Text is 8 pixels a character.
TEST_F(Headless, ScoreLineShowsBothScoresInFullAtFixedPlaces) {
  struct {
    int score, highscore;
  } const cases[] = {{0, 0}, {7, 1234567}, {2000000000, 5}};
  for (auto c : cases) {
    clear_to_color(state.buffer, SKY);
    state.score = c.score;
    state.highscore = c.highscore;
    state.coin1x = BUFFER_W * 4; // keep the coin out of the picture
    game();
    const std::string score = "Score: " + std::to_string(c.score);
    const std::string high = "High Score: " + std::to_string(c.highscore);
    const Box all = black_in_band(BLACK, 0, BUFFER_W);
    EXPECT_EQ(all.top, SCORE_Y);
    EXPECT_LE(all.bottom, SCORE_Y + 7);
    EXPECT_GE(all.left, SCORE_X);
    EXPECT_LT(all.left, SCORE_X + 3);
    const int score_end = SCORE_X + 8 * static_cast<int>(score.size());
    const int high_end = HIGHSCORE_X + 8 * static_cast<int>(high.size());
    EXPECT_GT(all.right, std::max(score_end, high_end) - 8) << c.score << " / " << c.highscore;
    EXPECT_LT(all.right, std::max(score_end, high_end));
    // Where the score is short, the 'H' of "High Score" is the first ink
    // near x 100.
    if (score_end <= HIGHSCORE_X) {
      EXPECT_LT(black_in_band(BLACK, HIGHSCORE_X - 8, HIGHSCORE_X + 8).left, HIGHSCORE_X + 3);
    }
  }
}

// A sky picture smaller than the strip leaves the rest of the previous
// picture showing, as the game has always done, and never draws out of bounds.
// Both ways of drawing the sky are tried.
TEST_F(Headless, SkySmallerThanTheStripIsDrawnSafely) {
  for (bool opaque : {false, true})
    for (auto size : {std::pair{1, 1}, {300, 20}, {3999, 767}}) {
      destroy_bitmap(state.skySprite);
      state.skySprite = create_bitmap(size.first, size.second);
      state.skyOpaque = opaque;
      clear_to_color(state.skySprite, SKY);
      clear_to_color(state.buffer, BLACK);
      ticks(SKY_PERIOD + 1);
      EXPECT_EQ(pixel(0, 0), SKY) << size.first << " x " << size.second;
      EXPECT_EQ(pixel(BUFFER_W - 1, BUFFER_H - 1), BLACK) << "never covered, still black";
    }
}

// The plain copy of an opaque sky draws exactly what the masked draw does, and
// a sky with transparent pixels is found out (down to one in its last corner)
// and keeps showing the previous picture through them. Each sky is played
// twice from the same start, once as start-up decides and once forced through
// the masked draw, with coins flying, the plane steered and both copies of the
// sky on screen; the whole buffers must match at every checkpoint.
TEST_F(Headless, PlainSkyCopyGivesTheMaskedDrawsPictureToThePixel) {
  const int mask = bitmap_mask_color(state.skySprite);
  for (bool holes : {false, true}) {
    SCOPED_TRACE(holes ? "sky with transparent pixels" : "opaque sky");
    for (int x = 0; x < SKY_PERIOD; x++)
      vline(state.skySprite, x, 0, BUFFER_H - 1, makecol(x % 256, 100, 255 - x % 200));
    if (holes) {
      rectfill(state.skySprite, 100, 300, 700, 420, mask); // across the plane and coins
      rectfill(state.skySprite, 900, 0, 1100, BUFFER_H - 1, mask);
      putpixel(state.skySprite, SKY_PERIOD - 1, BUFFER_H - 1, mask);
    }
    EXPECT_EQ(has_mask_pixels(state.skySprite), holes);

    const int checkpoints[] = {1, 40, 130};
    std::vector<BITMAP *> pictures[2];
    for (int forced_masked = 0; forced_masked < 2; forced_masked++) {
      BITMAP *sky = state.skySprite, *buffer = state.buffer;
      state = GameState{};
      state.skySprite = sky;
      state.buffer = buffer;
      state.skyOpaque = forced_masked ? false : !has_mask_pixels(sky);
      state.skyx = -(SKY_PERIOD - 600); // the strip's end and its start side by side
      clear_to_color(buffer, BLACK);
      srand(7); // the same coin heights in both runs
      int done = 0;
      for (int at : checkpoints) {
        for (; done < at; done++) {
          autopilot();
          key[KEY_UP] = done > 20 && done < 30; // the plane leaves a trail behind
          game();
        }
        BITMAP *copy = create_bitmap(BUFFER_W, BUFFER_H);
        blit(buffer, copy, 0, 0, 0, 0, BUFFER_W, BUFFER_H);
        pictures[forced_masked].push_back(copy);
      }
    }
    for (size_t i = 0; i < std::size(checkpoints); i++) {
      int differing = 0;
      for (int y = 0; y < BUFFER_H; y++)
        for (int x = 0; x < BUFFER_W; x++)
          differing += getpixel(pictures[0][i], x, y) != getpixel(pictures[1][i], x, y);
      EXPECT_EQ(differing, 0) << "pixels differ after tick " << checkpoints[i];
      destroy_bitmap(pictures[0][i]);
      destroy_bitmap(pictures[1][i]);
    }
  }
}
