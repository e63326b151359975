// SPDX-License-Identifier: MIT
// The main loop's handling of ticks, presentation and the game-over screen,
// with a memory bitmap standing in for the screen.
#include <atomic>
#include <chrono>
#include <thread>

#include "headless.h"
#include "shell.h"

namespace {

class MainLoop : public Headless {
protected:
  void SetUp() override {
    Headless::SetUp();
    screen = create_bitmap(BUFFER_W, BUFFER_H);
    clear_to_color(screen, 0);
    state.gameoverSprite = create_bitmap(424, 168);
    clear_to_color(state.gameoverSprite, PANEL);
  }
  void TearDown() override {
    destroy_bitmap(state.gameoverSprite);
    destroy_bitmap(screen);
    screen = nullptr;
    Headless::TearDown();
  }
  // Sets up coin 1 so that the next tick misses it.
  static void miss_next_tick() {
    state.coin1x = COIN_CATCH_X + 2 * START_SPEED;
    state.coin1y = 600;
    state.planey = 4;
  }
  bool panel_on_screen() const { return getpixel(screen, 300, 300) == PANEL; }

  const int PANEL = makecol(22, 32, 74);
};

// Waits for a condition with a deadline, giving the other thread the core.
template <class F> bool eventually(F done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::yield();
  }
  return true;
}

} // namespace

TEST_F(MainLoop, RunsEveryDueTickThenPresentsTheBuffer) {
  speed_counter = 3;
  key[KEY_ENTER] = 1; // would leave a game-over screen at once
  EXPECT_TRUE(main_loop_pass());
  EXPECT_EQ(speed_counter, 0);
  EXPECT_EQ(state.skyx, -3);
  EXPECT_EQ(getpixel(screen, 512, 10), SKY);

  // A pass with nothing due still presents.
  clear_to_color(screen, 0);
  EXPECT_TRUE(main_loop_pass());
  EXPECT_EQ(state.skyx, -3);
  EXPECT_EQ(getpixel(screen, 512, 10), SKY);
}

TEST_F(MainLoop, EscAtTheTopOfAPassQuitsBeforeAnyTick) {
  speed_counter = 2;
  key[KEY_ESC] = 1;
  EXPECT_FALSE(main_loop_pass());
  EXPECT_EQ(speed_counter, 2);
  EXPECT_EQ(state.skyx, 0);
}

// The tick that misses is the last of its pass; the buffer it drew is shown;
// with Enter already down the game-over picture is never drawn and exactly one
// tick is due for the next round.
TEST_F(MainLoop, MissStopsTheTicksOfThatPass) {
  speed_counter = 5;
  miss_next_tick();
  key[KEY_ENTER] = 1;
  EXPECT_TRUE(main_loop_pass());
  EXPECT_EQ(state.gameover, 0);
  EXPECT_EQ(state.skyx, -1) << "one tick ran";
  EXPECT_EQ(speed_counter, 1);
  EXPECT_EQ(getpixel(screen, 300, 300), SKY) << "the game-over picture was never drawn";
}

// While the game-over picture is up, Esc does nothing and ticks keep falling
// due; Enter leaves it with exactly one tick due however many piled up, and
// Esc, still held, quits at the next pass.
TEST_F(MainLoop, GameOverScreenWaitsForEnterAndDropsTheBacklog) {
  miss_next_tick();
  speed_counter = 1;
  std::atomic<bool> ok{true};
  std::thread player([&] {
    ok = ok && eventually([&] { return panel_on_screen(); });
    key[KEY_ESC] = 1;
    speed_counter += 500; // ten seconds of ticks fall due while it is up
    putpixel(screen, 300, 300, 0);
    ok = ok && eventually([&] { return panel_on_screen(); }); // still drawn, Esc held
    key[KEY_ENTER] = 1;
  });
  EXPECT_TRUE(main_loop_pass());
  player.join();
  ASSERT_TRUE(ok);
  EXPECT_EQ(state.gameover, 0);
  EXPECT_EQ(speed_counter, 1);
  EXPECT_EQ(state.skyx, -1);
  EXPECT_FALSE(main_loop_pass());
  EXPECT_EQ(state.skyx, -1);
}
