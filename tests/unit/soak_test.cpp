// SPDX-License-Identifier: MIT
// A million ticks of play with random key holding and an autopilot that
// catches most coins and misses some; the game's invariants hold throughout.
#include <random>
#include <sstream>

#include "autopilot.h"
#include "headless.h"

namespace {

constexpr long SOAK_TICKS = 1000000;
constexpr int LOWEST_PLANEY = 4, HIGHEST_PLANEY = 704;
constexpr int MIN_COIN_GAP = 190;

int speed_for(int score) {
  return score >= SPEED8_SCORE ? 8 : score >= SPEED7_SCORE ? 7 : score >= SPEED6_SCORE ? 6 : 5;
}

// The game as it stood before a tick, for comparing with after.
struct Before {
  int x[5], in_play[5], speed, highscore;
};

Before snapshot() {
  Before b{};
  for (int n = 1; n <= 4; n++) {
    b.x[n] = *slot(n).x;
    b.in_play[n] = slot(n).in_play();
  }
  b.speed = state.speed;
  b.highscore = state.highscore;
  return b;
}

// Returns what is wrong after a tick, or an empty string.
std::string broken_invariant(const Before &b) {
  std::ostringstream why;
  if (state.planey < LOWEST_PLANEY || state.planey > HIGHEST_PLANEY ||
      (state.planey - LOWEST_PLANEY) % PLANE_STEP != 0)
    why << "planey " << state.planey << " is off the plane's grid; ";
  if (state.speed != speed_for(state.score))
    why << "speed " << state.speed << " with score " << state.score << "; ";
  if (state.highscore < b.highscore)
    why << "high score fell to " << state.highscore << "; ";
  int entered = 0, judged = 0;
  for (int n = 1; n <= 4; n++) {
    entered += *slot(n).x > b.x[n];
    judged += b.in_play[n] && b.x[n] > COIN_CATCH_X && b.x[n] - 2 * b.speed <= COIN_CATCH_X;
    for (int m = n + 1; m <= 4; m++)
      if (slot(n).in_play() && slot(m).in_play() && *slot(n).x > 0 && *slot(m).x > 0 &&
          std::abs(*slot(n).x - *slot(m).x) < MIN_COIN_GAP)
        why << "coins " << n << " and " << m << " only " << std::abs(*slot(n).x - *slot(m).x)
            << " apart; ";
  }
  if (entered > 1)
    why << entered << " coins entered in one tick; ";
  if (judged > 1)
    why << judged << " coins judged in one tick; ";
  return why.str();
}

} // namespace

TEST_F(Headless, MillionTicksOfRandomPlayKeepTheInvariants) {
  // Drawing is clipped to a small buffer and sky so the soak stays quick;
  // the rules run exactly as in the game.
  destroy_bitmap(state.buffer);
  destroy_bitmap(state.skySprite);
  state.buffer = create_bitmap(64, 64);
  state.skySprite = create_bitmap(8, 8);

  std::mt19937 rng(20261207);
  int held_for = 0, up = 0, down = 0;
  int miss_at = 100; // the autopilot lets a coin through once the score is here
  long catches = 0, misses = 0;
  int top_score = 0;
  for (long tick = 1; tick <= SOAK_TICKS; tick++) {
    if (--held_for <= 0) { // a new holding pattern: none, Up, Down or both
      const unsigned pattern = rng() % 4;
      up = pattern & 1;
      down = pattern >> 1;
      held_for = 1 + rng() % 40;
    }
    key[KEY_UP] = up;
    key[KEY_DOWN] = down;
    // A coin reaches the nose this tick: let go of the keys and either fly
    // into its rows (any grid height that overlaps) or away from them.
    if (const int n = next_coin(); n && *slot(n).x - 2 * state.speed <= COIN_CATCH_X) {
      key[KEY_UP] = key[KEY_DOWN] = 0;
      const int y = *slot(n).y;
      if (state.score < miss_at) {
        const int lowest =
            LOWEST_PLANEY + ((y - FUSELAGE_H - LOWEST_PLANEY) / PLANE_STEP + 1) * PLANE_STEP;
        state.planey = lowest + PLANE_STEP * static_cast<int>(rng() % 6);
      } else {
        state.planey = y > 300 ? LOWEST_PLANEY : HIGHEST_PLANEY;
      }
    }
    const Before before = snapshot();
    const int score_before = state.score;
    game();
    catches += state.score > score_before;
    top_score = std::max(top_score, state.score);
    if (state.gameover) { // what the game-over screen does on Enter
      misses++;
      state.gameover = 0;
      miss_at = rng() % 121;
    }
    const std::string why = broken_invariant(before);
    if (!why.empty()) {
      ADD_FAILURE() << "tick " << tick << ": " << why;
      return;
    }
  }
  EXPECT_GT(catches, 10000);
  EXPECT_GT(misses, 100);
  EXPECT_GE(top_score, SPEED8_SCORE) << "the soak reached the fastest coins";
}
