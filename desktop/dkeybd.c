/* SPDX-License-Identifier: MIT
 * dkeybd.c — the desktop platform's keyboard driver.
 *
 * The display thread passes the window's key events here, and a pad's
 * buttons and stick (dpad.c); each key of the library is held while any of
 * them holds it. Keys go by where they sit on the keyboard (SDL's
 * scancodes), whatever the layout, as the library's own drivers have them.
 *
 * A key let go before the game has looked at the key array is held until
 * it has: the game looks once a pass, between two releases of the screen,
 * so a short tap is never lost, however slow the machine.
 */
#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "aldesk.h"
#include "aintdesk.h"

/* Releases of the screen a key stays down for at least: within two, the
 * game has looked at the key array once from start to end. */
#define PASSES_SEEN 2

/* The library's key for each SDL scancode (0: none). */
static const unsigned char key_of[SDL_NUM_SCANCODES] = {
   [SDL_SCANCODE_A] = KEY_A, [SDL_SCANCODE_B] = KEY_B, [SDL_SCANCODE_C] = KEY_C,
   [SDL_SCANCODE_D] = KEY_D, [SDL_SCANCODE_E] = KEY_E, [SDL_SCANCODE_F] = KEY_F,
   [SDL_SCANCODE_G] = KEY_G, [SDL_SCANCODE_H] = KEY_H, [SDL_SCANCODE_I] = KEY_I,
   [SDL_SCANCODE_J] = KEY_J, [SDL_SCANCODE_K] = KEY_K, [SDL_SCANCODE_L] = KEY_L,
   [SDL_SCANCODE_M] = KEY_M, [SDL_SCANCODE_N] = KEY_N, [SDL_SCANCODE_O] = KEY_O,
   [SDL_SCANCODE_P] = KEY_P, [SDL_SCANCODE_Q] = KEY_Q, [SDL_SCANCODE_R] = KEY_R,
   [SDL_SCANCODE_S] = KEY_S, [SDL_SCANCODE_T] = KEY_T, [SDL_SCANCODE_U] = KEY_U,
   [SDL_SCANCODE_V] = KEY_V, [SDL_SCANCODE_W] = KEY_W, [SDL_SCANCODE_X] = KEY_X,
   [SDL_SCANCODE_Y] = KEY_Y, [SDL_SCANCODE_Z] = KEY_Z,
   [SDL_SCANCODE_1] = KEY_1, [SDL_SCANCODE_2] = KEY_2, [SDL_SCANCODE_3] = KEY_3,
   [SDL_SCANCODE_4] = KEY_4, [SDL_SCANCODE_5] = KEY_5, [SDL_SCANCODE_6] = KEY_6,
   [SDL_SCANCODE_7] = KEY_7, [SDL_SCANCODE_8] = KEY_8, [SDL_SCANCODE_9] = KEY_9,
   [SDL_SCANCODE_0] = KEY_0,
   [SDL_SCANCODE_KP_0] = KEY_0_PAD, [SDL_SCANCODE_KP_1] = KEY_1_PAD,
   [SDL_SCANCODE_KP_2] = KEY_2_PAD, [SDL_SCANCODE_KP_3] = KEY_3_PAD,
   [SDL_SCANCODE_KP_4] = KEY_4_PAD, [SDL_SCANCODE_KP_5] = KEY_5_PAD,
   [SDL_SCANCODE_KP_6] = KEY_6_PAD, [SDL_SCANCODE_KP_7] = KEY_7_PAD,
   [SDL_SCANCODE_KP_8] = KEY_8_PAD, [SDL_SCANCODE_KP_9] = KEY_9_PAD,
   [SDL_SCANCODE_F1] = KEY_F1, [SDL_SCANCODE_F2] = KEY_F2, [SDL_SCANCODE_F3] = KEY_F3,
   [SDL_SCANCODE_F4] = KEY_F4, [SDL_SCANCODE_F5] = KEY_F5, [SDL_SCANCODE_F6] = KEY_F6,
   [SDL_SCANCODE_F7] = KEY_F7, [SDL_SCANCODE_F8] = KEY_F8, [SDL_SCANCODE_F9] = KEY_F9,
   [SDL_SCANCODE_F10] = KEY_F10, [SDL_SCANCODE_F11] = KEY_F11, [SDL_SCANCODE_F12] = KEY_F12,
   [SDL_SCANCODE_ESCAPE] = KEY_ESC, [SDL_SCANCODE_GRAVE] = KEY_TILDE,
   [SDL_SCANCODE_MINUS] = KEY_MINUS, [SDL_SCANCODE_EQUALS] = KEY_EQUALS,
   [SDL_SCANCODE_BACKSPACE] = KEY_BACKSPACE, [SDL_SCANCODE_TAB] = KEY_TAB,
   [SDL_SCANCODE_LEFTBRACKET] = KEY_OPENBRACE, [SDL_SCANCODE_RIGHTBRACKET] = KEY_CLOSEBRACE,
   [SDL_SCANCODE_RETURN] = KEY_ENTER, [SDL_SCANCODE_SEMICOLON] = KEY_COLON,
   [SDL_SCANCODE_APOSTROPHE] = KEY_QUOTE, [SDL_SCANCODE_BACKSLASH] = KEY_BACKSLASH,
   [SDL_SCANCODE_NONUSBACKSLASH] = KEY_BACKSLASH2, [SDL_SCANCODE_COMMA] = KEY_COMMA,
   [SDL_SCANCODE_PERIOD] = KEY_STOP, [SDL_SCANCODE_SLASH] = KEY_SLASH,
   [SDL_SCANCODE_SPACE] = KEY_SPACE,
   [SDL_SCANCODE_INSERT] = KEY_INSERT, [SDL_SCANCODE_DELETE] = KEY_DEL,
   [SDL_SCANCODE_HOME] = KEY_HOME, [SDL_SCANCODE_END] = KEY_END,
   [SDL_SCANCODE_PAGEUP] = KEY_PGUP, [SDL_SCANCODE_PAGEDOWN] = KEY_PGDN,
   [SDL_SCANCODE_LEFT] = KEY_LEFT, [SDL_SCANCODE_RIGHT] = KEY_RIGHT,
   [SDL_SCANCODE_UP] = KEY_UP, [SDL_SCANCODE_DOWN] = KEY_DOWN,
   [SDL_SCANCODE_KP_DIVIDE] = KEY_SLASH_PAD, [SDL_SCANCODE_KP_MULTIPLY] = KEY_ASTERISK,
   [SDL_SCANCODE_KP_MINUS] = KEY_MINUS_PAD, [SDL_SCANCODE_KP_PLUS] = KEY_PLUS_PAD,
   [SDL_SCANCODE_KP_PERIOD] = KEY_DEL_PAD, [SDL_SCANCODE_KP_ENTER] = KEY_ENTER_PAD,
   [SDL_SCANCODE_KP_EQUALS] = KEY_EQUALS_PAD,
   [SDL_SCANCODE_PRINTSCREEN] = KEY_PRTSCR, [SDL_SCANCODE_PAUSE] = KEY_PAUSE,
   [SDL_SCANCODE_INTERNATIONAL1] = KEY_ABNT_C1, [SDL_SCANCODE_INTERNATIONAL3] = KEY_YEN,
   [SDL_SCANCODE_INTERNATIONAL2] = KEY_KANA, [SDL_SCANCODE_INTERNATIONAL4] = KEY_CONVERT,
   [SDL_SCANCODE_INTERNATIONAL5] = KEY_NOCONVERT, [SDL_SCANCODE_LANG1] = KEY_KANJI,
   [SDL_SCANCODE_LSHIFT] = KEY_LSHIFT, [SDL_SCANCODE_RSHIFT] = KEY_RSHIFT,
   [SDL_SCANCODE_LCTRL] = KEY_LCONTROL, [SDL_SCANCODE_RCTRL] = KEY_RCONTROL,
   [SDL_SCANCODE_LALT] = KEY_ALT, [SDL_SCANCODE_RALT] = KEY_ALTGR,
   [SDL_SCANCODE_LGUI] = KEY_LWIN, [SDL_SCANCODE_RGUI] = KEY_RWIN,
   [SDL_SCANCODE_APPLICATION] = KEY_MENU, [SDL_SCANCODE_SCROLLLOCK] = KEY_SCRLOCK,
   [SDL_SCANCODE_NUMLOCKCLEAR] = KEY_NUMLOCK, [SDL_SCANCODE_CAPSLOCK] = KEY_CAPSLOCK,
};

/* The display thread's own. */
static int holders[KEY_MAX];         /* HELD_BY_* of each key */
static int down_since[KEY_MAX];      /* the screen's releases when the key went down */
static unsigned char waiting[KEY_MAX]; /* let go, but the game has yet to see it */

/* let_go:
 *  Tells the library a key went up.
 */
static void let_go(int k)
{
   waiting[k] = FALSE;
   if (keyboard_driver == &keyboard_desktop)
      _handle_key_release(k);
}

/* _desktop_hold_key:
 *  A holder holds or lets go of a key; the library hears of the first hold
 *  and, once the game has seen it, of the last letting go.
 */
void _desktop_hold_key(int k, int holder, int down)
{
   int was_held;

   if (k <= 0 || k >= KEY_MAX)
      return;
   was_held = holders[k] != 0;
   holders[k] = down ? (holders[k] | holder) : (holders[k] & ~holder);
   if (!was_held && holders[k]) {
      if (waiting[k])
         waiting[k] = FALSE; /* down again before the game saw it go up */
      else if (keyboard_driver == &keyboard_desktop) {
         down_since[k] = _desktop_display_passes();
         _handle_key_press(scancode_to_ascii(k), k);
      }
   }
   else if (was_held && !holders[k]) {
      if (_desktop_display_passes() - down_since[k] < PASSES_SEEN)
         waiting[k] = TRUE;
      else
         let_go(k);
   }
}

/* _desktop_key_event:
 *  A key of the keyboard went down or up.
 */
void _desktop_key_event(SDL_Scancode scancode, int down)
{
   if (scancode >= 0 && scancode < SDL_NUM_SCANCODES && key_of[scancode])
      _desktop_hold_key(key_of[scancode], HELD_BY_KEYBOARD, down);
}

/* _desktop_release_keys:
 *  Every holder lets go of every key.
 */
void _desktop_release_keys(void)
{
   int k;

   for (k = 1; k < KEY_MAX; k++)
      if (holders[k])
         _desktop_hold_key(k, holders[k], FALSE);
}

/* _desktop_keys_catch_up:
 *  Lets go of the keys the game has now seen.
 */
void _desktop_keys_catch_up(void)
{
   const int passes = _desktop_display_passes();
   int k;

   for (k = 1; k < KEY_MAX; k++)
      if (waiting[k] && passes - down_since[k] >= PASSES_SEEN)
         let_go(k);
}

/* desktop_keyboard_init:
 *  Nothing to open: the display thread reads the keys with the window's events.
 */
static int desktop_keyboard_init(void)
{
   return 0;
}

/* desktop_keyboard_exit:
 *  Nothing to close.
 */
static void desktop_keyboard_exit(void)
{
}

KEYBOARD_DRIVER keyboard_desktop =
{
   KEYBOARD_DESKTOP,
   empty_string,
   empty_string,
   "Desktop keyboard",
   FALSE,                  /* autorepeat: held keys stay down, no repeats */
   desktop_keyboard_init,
   desktop_keyboard_exit,
   NULL,                   /* poll */
   NULL,                   /* set_leds */
   NULL,                   /* set_rate */
   NULL,                   /* wait_for_input */
   NULL,                   /* stop_waiting_for_input */
   NULL,                   /* scancode_to_ascii */
   NULL                    /* scancode_to_name */
};
