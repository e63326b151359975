/* SPDX-License-Identifier: MIT
 * wkeybd.c — the web platform's keyboard driver.
 *
 * The page (web.js) queues the browser's key events for the keys the game
 * plays with; each time the game yields, the queue is fed to the library's
 * key handler, so the key array follows the keyboard.
 */
#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#ifndef ALLEGRO_WEB
   #error something is wrong with the build
#endif

/* In web.js: starts listening for the given keys; the next queued event. */
extern void web_listen_keys(int up, int down, int enter, int esc);
extern int web_next_key_event(void);

/* A queued event: the scancode, and this bit when the key went down. */
#define WEB_KEY_DOWN  0x100

/* web_keyboard_init:
 *  Starts listening for Up, Down, Enter (the main one) and Esc on the page.
 */
static int web_keyboard_init(void)
{
   web_listen_keys(KEY_UP, KEY_DOWN, KEY_ENTER, KEY_ESC);
   return 0;
}

/* web_keyboard_exit:
 *  The page keeps listening; nothing is fed once the driver is gone.
 */
static void web_keyboard_exit(void)
{
}

/* _web_keyboard_catch_up:
 *  Feeds every key event queued since the last yield to the library.
 */
void _web_keyboard_catch_up(void)
{
   int event;

   if (keyboard_driver != &keyboard_web)
      return;

   while ((event = web_next_key_event()) != 0) {
      int scancode = event & 0xFF;
      if (event & WEB_KEY_DOWN)
         _handle_key_press(scancode_to_ascii(scancode), scancode);
      else
         _handle_key_release(scancode);
   }
}

KEYBOARD_DRIVER keyboard_web =
{
   KEYBOARD_WEB,
   empty_string,
   empty_string,
   "Web keyboard",
   FALSE,               /* autorepeat: held keys stay down, no repeats */
   web_keyboard_init,
   web_keyboard_exit,
   NULL,                /* poll */
   NULL,                /* set_leds */
   NULL,                /* set_rate */
   NULL,                /* wait_for_input */
   NULL,                /* stop_waiting_for_input */
   NULL,                /* scancode_to_ascii */
   NULL                 /* scancode_to_name */
};
