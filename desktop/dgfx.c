/* SPDX-License-Identifier: MIT
 * dgfx.c — the desktop platform's graphics drivers: full screen, and a window.
 *
 * The screen is a linear 16-bit bitmap in ordinary memory, drawn on by the
 * library's own routines exactly as a memory bitmap is. Each time it is
 * released after a draw, the finished picture goes to the display thread
 * (ddisplay.c), which shows it scaled, at the display's pace. Both drivers
 * make the same screen; the full-screen one comes first in the list, and
 * steps aside when the player asked for a window (--window).
 */
#include <stdlib.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "aldesk.h"
#include "aintdesk.h"

#define MAX_SIDE 4096

static uint16_t *screen_pixels; /* the screen bitmap's memory */
static int screen_held;         /* acquire depth of the screen */

/* desktop_acquire:
 *  Holds the screen for drawing (memory needs no locking: only counted).
 */
static void desktop_acquire(BITMAP *bmp)
{
   (void)bmp;
   screen_held++;
}

/* desktop_release:
 *  Lets the screen go; when it is no longer held, its picture is finished.
 */
static void desktop_release(BITMAP *bmp)
{
   (void)bmp;
   if (screen_held > 0)
      screen_held--;
   if (screen_held == 0)
      _desktop_display_hand_over(screen_pixels);
}

/* use_desktop_pixel_layout:
 *  Lays pixels out as a desktop's 24-bit visual has them, red highest, as
 *  the library's X11 driver does: pictures loaded after the mode is set
 *  take this layout, and the library's colour conversion turns the screen
 *  into the display's 32-bit pixels with the X11 driver's very colours.
 */
static void use_desktop_pixel_layout(void)
{
   _rgb_r_shift_15 = 10;
   _rgb_g_shift_15 = 5;
   _rgb_b_shift_15 = 0;
   _rgb_r_shift_16 = 11;
   _rgb_g_shift_16 = 5;
   _rgb_b_shift_16 = 0;
   _rgb_r_shift_24 = _rgb_r_shift_32 = 16;
   _rgb_g_shift_24 = _rgb_g_shift_32 = 8;
   _rgb_b_shift_24 = _rgb_b_shift_32 = 0;
}

/* make_screen:
 *  Makes the screen, a w x h 16-bit linear bitmap, and the display's
 *  picture for it, full screen or in a window.
 */
static BITMAP *make_screen(GFX_DRIVER *driver, int w, int h, int v_w, int v_h, int color_depth,
                           int full)
{
   char why[256];
   BITMAP *b;

   if (color_depth != 16) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Unsupported color depth"));
      return NULL;
   }
   if (w <= 0 || h <= 0 || w > MAX_SIDE || h > MAX_SIDE || (v_w > 0 && v_w != w) ||
       (v_h > 0 && v_h != h)) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Resolution not supported"));
      return NULL;
   }
   use_desktop_pixel_layout();
   screen_pixels = calloc((size_t)w * h, sizeof(uint16_t));
   if (!screen_pixels) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Not enough memory"));
      return NULL;
   }
   if (!_desktop_display_open(w, h, full, why, sizeof(why))) {
      free(screen_pixels);
      screen_pixels = NULL;
      uszprintf(allegro_error, ALLEGRO_ERROR_SIZE, "%s", why);
      return NULL;
   }
   driver->w = w;
   driver->h = h;
   driver->vid_mem = (long)w * h * 2;
   b = _make_bitmap(w, h, (uintptr_t)screen_pixels, driver, 16, w * 2);
   if (!b) {
      _desktop_display_close();
      free(screen_pixels);
      screen_pixels = NULL;
      return NULL;
   }
   _screen_vtable.acquire = desktop_acquire;
   _screen_vtable.release = desktop_release;
   screen_held = 0;
   return b;
}

/* fullscreen_init:
 *  Full screen at the desktop's size; not when the player asked for a window.
 */
static BITMAP *fullscreen_init(int w, int h, int v_w, int v_h, int color_depth)
{
   if (_desktop_window_asked()) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, "a window was asked for");
      return NULL;
   }
   return make_screen(&gfx_desktop_fullscreen, w, h, v_w, v_h, color_depth, TRUE);
}

/* window_init:
 *  In a window of the desktop.
 */
static BITMAP *window_init(int w, int h, int v_w, int v_h, int color_depth)
{
   return make_screen(&gfx_desktop_window, w, h, v_w, v_h, color_depth, FALSE);
}

/* desktop_gfx_exit:
 *  Closes the window and frees the screen's memory.
 */
static void desktop_gfx_exit(BITMAP *b)
{
   (void)b;
   _desktop_display_close();
   free(screen_pixels);
   screen_pixels = NULL;
}

/* The two drivers differ only in their init and in what they say they are. */
#define DESKTOP_GFX_DRIVER(id, name, init, windowed)                                             \
   {                                                                                           \
      id, empty_string, empty_string, name, init, desktop_gfx_exit,                            \
      NULL, NULL, NULL, NULL, NULL, NULL,     /* scroll .. enable_triple_buffer */             \
      NULL, NULL, NULL, NULL, NULL, NULL,     /* video and system bitmaps */                   \
      NULL, NULL, NULL, NULL, NULL,           /* mouse sprite .. drawing_mode */               \
      NULL, NULL, NULL, NULL,                 /* video state, blender, mode list */            \
      0, 0,                                   /* physical screen size, set by init */          \
      TRUE, 0, 0, 0, 0,                       /* linear, no banks, video memory */             \
      windowed                                                                                 \
   }

GFX_DRIVER gfx_desktop_fullscreen =
   DESKTOP_GFX_DRIVER(GFX_DESKTOP_FULLSCREEN, "Desktop full screen", fullscreen_init, FALSE);

GFX_DRIVER gfx_desktop_window =
   DESKTOP_GFX_DRIVER(GFX_DESKTOP_WINDOW, "Desktop window", window_init, TRUE);
