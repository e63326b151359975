// SPDX-License-Identifier: MIT
// The desktop platform's keys, without a display: a short tap the game is
// sure to see, and a gamepad as the web page has it (SDL's virtual pad).
#include <SDL.h>
#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "aldesk.h"
extern "C" {
#include "aintdesk.h"
}

namespace {

class DesktopKeys : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool started = false;
    if (!started) {
      ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
      // The headless system has no keyboard driver list: the platform's
      // keyboard driver is put in place as install_keyboard() would.
      keyboard_driver = &keyboard_desktop;
      SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
      ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
      started = true;
    }
  }
  void TearDown() override {
    _desktop_release_keys();
    passes(2);
  }

  // The game's loop releases the screen n times.
  static void passes(int n) {
    for (int i = 0; i < n; i++)
      _desktop_display_hand_over(nullptr);
    _desktop_keys_catch_up();
  }

  // What the display thread does with the events that came.
  static void pump() {
    SDL_JoystickUpdate();
    SDL_Event e;
    while (SDL_PollEvent(&e))
      _desktop_pad_event(&e);
    _desktop_keys_catch_up();
  }
};

} // namespace

// A key let go before the game has looked at the keys from start to end (two
// releases of the screen) stays down until it has: a quick tap on a slow
// machine is not lost. The keypad's Enter is not the main Enter, which alone
// leaves the game-over picture. Losing the focus lets go of held keys.
TEST_F(DesktopKeys, AShortTapIsHeldUntilTheGameHasLookedAndFocusLossLetsGo) {
  _desktop_key_event(SDL_SCANCODE_RETURN, 1);
  _desktop_key_event(SDL_SCANCODE_RETURN, 0);
  EXPECT_TRUE(key[KEY_ENTER]);
  passes(1);
  EXPECT_TRUE(key[KEY_ENTER]) << "let go before a whole pass looked at it";
  passes(1);
  EXPECT_FALSE(key[KEY_ENTER]);

  _desktop_key_event(SDL_SCANCODE_KP_ENTER, 1);
  EXPECT_TRUE(key[KEY_ENTER_PAD]);
  EXPECT_FALSE(key[KEY_ENTER]);
  _desktop_key_event(SDL_SCANCODE_KP_ENTER, 0);

  _desktop_key_event(SDL_SCANCODE_UP, 1);
  passes(2);
  _desktop_release_keys();
  EXPECT_FALSE(key[KEY_UP]) << "a held key outlived the focus";
}

// The d-pad or the left stick leaned past half way flies up and down; A or
// Start is Enter and Back is Esc; a pad held with the keyboard lets go only
// of its own hold; a pad pulled out lets go of what it held.
TEST_F(DesktopKeys, AGamepadPlaysAsOnTheWebPage) {
  const int index = SDL_JoystickAttachVirtual(
      SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
  ASSERT_GE(index, 0) << SDL_GetError();
  pump(); // the pad plugged in is opened
  SDL_Joystick *pad = SDL_JoystickOpen(index);
  ASSERT_NE(pad, nullptr);

  const struct {
    int button, key;
  } buttons[] = {{SDL_CONTROLLER_BUTTON_DPAD_UP, KEY_UP},
                 {SDL_CONTROLLER_BUTTON_DPAD_DOWN, KEY_DOWN},
                 {SDL_CONTROLLER_BUTTON_A, KEY_ENTER},
                 {SDL_CONTROLLER_BUTTON_START, KEY_ENTER},
                 {SDL_CONTROLLER_BUTTON_BACK, KEY_ESC}};
  for (const auto &b : buttons) {
    SCOPED_TRACE(b.button);
    SDL_JoystickSetVirtualButton(pad, b.button, 1);
    pump();
    EXPECT_TRUE(key[b.key]);
    passes(2);
    SDL_JoystickSetVirtualButton(pad, b.button, 0);
    pump();
    EXPECT_FALSE(key[b.key]);
  }

  SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, SDL_JOYSTICK_AXIS_MAX / 4);
  pump();
  EXPECT_FALSE(key[KEY_DOWN]) << "a quarter lean steers";
  SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, SDL_JOYSTICK_AXIS_MIN);
  pump();
  EXPECT_TRUE(key[KEY_UP]);

  _desktop_key_event(SDL_SCANCODE_UP, 1);
  passes(2);
  SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTY, 0);
  pump();
  EXPECT_TRUE(key[KEY_UP]) << "the keyboard still holds Up";
  _desktop_key_event(SDL_SCANCODE_UP, 0);
  EXPECT_FALSE(key[KEY_UP]);

  SDL_JoystickSetVirtualButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1);
  pump();
  passes(2);
  SDL_JoystickClose(pad);
  ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
  pump();
  EXPECT_FALSE(key[KEY_DOWN]) << "a pad pulled out still holds its key";
}
