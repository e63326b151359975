/* SPDX-License-Identifier: MIT
 * aldesk.h — the desktop platform's drivers, as a program may name them.
 *
 * The desktop platform runs over SDL 2: the library's portable core comes
 * from the system's shared Allegro, and these drivers stand first in the
 * program's own driver lists (ddrivers.c), which the library reads in
 * place of its own.
 */
#ifndef ALDESK_H
#define ALDESK_H

#include "allegro.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SYSTEM_DESKTOP          AL_ID('D','S','K','S')
extern SYSTEM_DRIVER system_desktop;

#define TIMER_DESKTOP           AL_ID('D','S','K','T')
extern TIMER_DRIVER timer_desktop;

#define KEYBOARD_DESKTOP        AL_ID('D','S','K','K')
extern KEYBOARD_DRIVER keyboard_desktop;

/* Full screen at the desktop's own size, the picture scaled into it; or a
 * window of the player's. The full-screen driver steps aside when the game
 * was started with --window. */
#define GFX_DESKTOP_FULLSCREEN  AL_ID('D','S','K','F')
extern GFX_DRIVER gfx_desktop_fullscreen;

#define GFX_DESKTOP_WINDOW      AL_ID('D','S','K','W')
extern GFX_DRIVER gfx_desktop_window;

/* How many pictures the display has shown since the screen was made: what
 * the benchmarks count frames by. */
int desktop_frames_shown(void);

#ifdef __cplusplus
}
#endif

#endif
