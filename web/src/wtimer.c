/* SPDX-License-Identifier: MIT
 * wtimer.c — the web platform's timer driver.
 *
 * A page has no timer thread. The timer callbacks are run from the time
 * that has passed, each time the game yields to the browser: every call
 * that fell due meanwhile is made then, however many (a hidden tab is like a
 * stopped process, and catches up the same way when it comes back). Calls
 * fall due counted from each callback's installation.
 */
#include <emscripten.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#ifndef ALLEGRO_WEB
   #error something is wrong with the build
#endif

/* The browser's clock is in milliseconds; the library's in 1193181ths of a second. */
#define TIMER_UNITS_PER_MS  (TIMERS_PER_SECOND / 1000.0)

/* The callbacks installed with install_int(): the driver keeps them itself,
 * so that it can count the calls it makes (web.js shows the count).
 */
static struct {
   void (*proc)(void);
   long speed, counter;
} timers[MAX_TIMERS];

/* In web.js: counts the calls made; marks the first install on the page's timeline. */
extern void web_count_timer_calls(int calls);
extern void web_timer_installed(void);

static int timer_running = FALSE;
static double timer_start_ms;      /* when the driver started */
static int64_t units_handed_out;   /* timer units passed on to the library */

/* web_timer_init:
 *  Starts the clock: timers fall due from here.
 */
static int web_timer_init(void)
{
   timer_start_ms = emscripten_get_now();
   units_handed_out = 0;
   timer_running = TRUE;
   return 0;
}

/* web_timer_exit:
 *  Stops the clock.
 */
static void web_timer_exit(void)
{
   timer_running = FALSE;
}

/* web_install_int:
 *  Installs `proc` to be called every `speed` timer units, or changes its speed.
 */
static int web_install_int(void (*proc)(void), long speed)
{
   int i, free_slot = -1;

   for (i = 0; i < MAX_TIMERS; i++) {
      if (timers[i].proc == proc) {
         timers[i].speed = speed;
         return 0;
      }
      if (!timers[i].proc && free_slot < 0)
         free_slot = i;
   }
   if (free_slot < 0)
      return -1;
   timers[free_slot].speed = timers[free_slot].counter = speed;
   timers[free_slot].proc = proc;
   web_timer_installed();
   return 0;
}

/* web_remove_int:
 *  Removes a callback installed with web_install_int().
 */
static void web_remove_int(void (*proc)(void))
{
   int i;

   for (i = 0; i < MAX_TIMERS; i++)
      if (timers[i].proc == proc)
         timers[i].proc = NULL;
}

/* run_timers:
 *  Makes every call of the installed callbacks that `units` timer units bring due.
 */
static void run_timers(int units)
{
   int i, calls = 0;

   for (i = 0; i < MAX_TIMERS; i++) {
      if (!timers[i].proc || timers[i].speed <= 0)
         continue;
      timers[i].counter -= units;
      while (timers[i].proc && timers[i].counter <= 0) {
         timers[i].counter += timers[i].speed;
         timers[i].proc();
         calls++;
      }
   }
   web_count_timer_calls(calls);
}

/* _web_timer_catch_up:
 *  Hands the library the time passed since the last call, in whole timer
 *  units (the rest is kept for the next), so it makes every due callback.
 */
void _web_timer_catch_up(void)
{
   int64_t due;

   if (!timer_running)
      return;

   due = (int64_t)((emscripten_get_now() - timer_start_ms) * TIMER_UNITS_PER_MS) - units_handed_out;
   while (due > 0) {
      int step = (due > 0x40000000) ? 0x40000000 : (int)due;
      run_timers(step);
      _handle_timer_tick(step); /* the library's own: retrace count, param timers */
      units_handed_out += step;
      due -= step;
   }
}

TIMER_DRIVER timer_web =
{
   TIMER_WEB,
   empty_string,
   empty_string,
   "Web timer",
   web_timer_init,
   web_timer_exit,
   web_install_int, web_remove_int,
   NULL, NULL,   /* install_param_int, remove_param_int */
   NULL, NULL,   /* can_simulate_retrace, simulate_retrace */
   NULL          /* rest */
};
