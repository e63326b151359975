/* SPDX-License-Identifier: MIT
 * aintdesk.h — what the desktop platform's drivers share.
 *
 * Who calls what. The system driver starts the display thread and stops it
 * (ddisplay.c). That thread alone talks to SDL's video: it makes the window
 * and its renderer, reads the window's events and shows pictures, at the
 * display's pace. The game's own thread never waits for it:
 *  - the graphics driver (dgfx.c) asks it for a window and back, and each
 *    time the screen is released hands over the finished picture, when the
 *    display wants one;
 *  - the display thread passes key and pad events to the keyboard driver
 *    (dkeybd.c, dpad.c), which puts them in the library's key array.
 * The timer driver (dtimer.c) runs on a thread of its own.
 */
#ifndef AINTDESK_H
#define AINTDESK_H

#include <stdint.h>

#include <SDL.h>

/* --- ddisplay.c, called from the game's thread --------------------------- */

/* Starts the display thread and SDL's video; on failure says why in `why`. */
int _desktop_display_start(char *why, int size);
/* Stops the display thread (not from the display thread itself). */
void _desktop_display_stop(void);
/* Opens a w x h picture, full screen or in a window; says why not in `why`. */
int _desktop_display_open(int w, int h, int full_screen, char *why, int size);
/* Closes the picture's window. */
void _desktop_display_close(void);
/* The picture is finished: copies it for the display if it wants one. */
void _desktop_display_hand_over(const uint16_t *pixels);
/* The desktop's size, in the display's own units. */
int _desktop_display_size(int *w, int *h);
/* How many times the screen was released: a key is held for at least two. */
int _desktop_display_passes(void);

/* --- dkeybd.c and dpad.c, called from the display thread ----------------- */

/* Which of the keys' holders holds a key: each holds or lets go alone, and
 * the game sees a key down while any holds it. */
enum { HELD_BY_KEYBOARD = 1, HELD_BY_PAD_BUTTON = 2, HELD_BY_PAD_STICK = 4 };

/* An SDL key went down or up. */
void _desktop_key_event(SDL_Scancode scancode, int down);
/* A holder holds or lets go of one of the library's keys. */
void _desktop_hold_key(int allegro_key, int holder, int down);
/* Lets go of every key (the window lost the keyboard). */
void _desktop_release_keys(void);
/* Lets go of the keys whose release waited for the game to see them. */
void _desktop_keys_catch_up(void);
/* A pad's event; returns whether it was one. */
int _desktop_pad_event(const SDL_Event *event);

/* The program's name, for the platform's own messages. */
const char *_desktop_program_name(void);
/* Whether the game was started with --window. */
int _desktop_window_asked(void);

#endif
