/* SPDX-License-Identifier: MIT
 * dtimer.c — the desktop platform's timer driver.
 *
 * A thread of its own hands the library the time that has passed, in the
 * library's timer units, and the library makes every callback that fell
 * due; then the thread sleeps until the next is due. The time is read off
 * a steady clock and what is not handed over is kept, so the callbacks keep
 * their rate exactly however the sleeps fall.
 */
#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "aldesk.h"
#include "aintdesk.h"

#define FIRST_WAIT_MS 1 /* before the library has said when its next callback is due */

static SDL_Thread *thread;
static SDL_mutex *lock;
static SDL_cond *stop_asked;
static int stopping; /* under lock */

/* timer_thread:
 *  Hands the library the time passed, and waits for as long as it says.
 */
static int timer_thread(void *unused)
{
   const Uint64 per_second = SDL_GetPerformanceFrequency();
   Uint64 handed = SDL_GetPerformanceCounter(); /* the clock as far as handed over */
   int wait_ms = FIRST_WAIT_MS;

   (void)unused;
   SDL_LockMutex(lock);
   while (!stopping) {
      Uint64 units;
      long next;

      SDL_CondWaitTimeout(stop_asked, lock, wait_ms);
      if (stopping)
         break;
      units = (SDL_GetPerformanceCounter() - handed) * TIMERS_PER_SECOND / per_second;
      if (units > 0x40000000)
         units = 0x40000000;
      handed += units * per_second / TIMERS_PER_SECOND;
      SDL_UnlockMutex(lock);
      next = _handle_timer_tick((int)units);
      SDL_LockMutex(lock);
      /* rounded up, so that the callback is due when the thread wakes */
      wait_ms = (int)((next * 1000 + TIMERS_PER_SECOND - 1) / TIMERS_PER_SECOND);
      if (wait_ms < 1)
         wait_ms = 1;
   }
   SDL_UnlockMutex(lock);
   return 0;
}

/* desktop_timer_init:
 *  Starts the timer's thread.
 */
static int desktop_timer_init(void)
{
   lock = SDL_CreateMutex();
   stop_asked = SDL_CreateCond();
   stopping = FALSE;
   if (lock && stop_asked)
      thread = SDL_CreateThread(timer_thread, "timer", NULL);
   return thread ? 0 : -1;
}

/* desktop_timer_exit:
 *  Stops the timer's thread.
 */
static void desktop_timer_exit(void)
{
   if (thread) {
      SDL_LockMutex(lock);
      stopping = TRUE;
      SDL_CondSignal(stop_asked);
      SDL_UnlockMutex(lock);
      SDL_WaitThread(thread, NULL);
      thread = NULL;
   }
   SDL_DestroyCond(stop_asked);
   SDL_DestroyMutex(lock);
   stop_asked = NULL;
   lock = NULL;
}

TIMER_DRIVER timer_desktop =
{
   TIMER_DESKTOP,
   empty_string,
   empty_string,
   "Desktop timer",
   desktop_timer_init,
   desktop_timer_exit,
   NULL, NULL,   /* install_int, remove_int: the library's own queue */
   NULL, NULL,   /* install_param_int, remove_param_int */
   NULL, NULL,   /* can_simulate_retrace, simulate_retrace */
   NULL          /* rest */
};
