/* SPDX-License-Identifier: MIT
 * alweb.h — the web platform's drivers, as a program may name them.
 */
#ifndef ALWEB_H
#define ALWEB_H

#ifndef ALLEGRO_WEB
   #error bad include
#endif

#define SYSTEM_WEB              AL_ID('W','E','B',' ')
AL_VAR(SYSTEM_DRIVER, system_web);

#define TIMER_WEB               AL_ID('W','E','B','T')
AL_VAR(TIMER_DRIVER, timer_web);

#define KEYBOARD_WEB            AL_ID('W','E','B','K')
AL_VAR(KEYBOARD_DRIVER, keyboard_web);

#define GFX_WEB                 AL_ID('W','E','B','G')
AL_VAR(GFX_DRIVER, gfx_web);

#endif
