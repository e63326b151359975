/* SPDX-License-Identifier: MIT
 * wgfx.c — the web platform's graphics driver, and the yield to the browser.
 *
 * The screen is a linear 16-bit bitmap in ordinary memory, drawn on by the
 * library's own routines exactly as a memory bitmap is. Each time the screen
 * is released after a draw, its pixels are turned into RGBA and put on the
 * page's canvas, and the game yields: it waits for the browser's next
 * animation frame (emscripten's Asyncify unwinds and rewinds the busy loop
 * around that wait), then the timer and the keyboard catch up with what
 * happened meanwhile.
 */
#include <stdlib.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#ifndef ALLEGRO_WEB
   #error something is wrong with the build
#endif

/* In web.js: sizes the canvas; puts RGBA pixels on it; waits for a frame. */
extern void web_canvas_size(int w, int h);
extern void web_present(const uint32_t *rgba, int w, int h, int changed);
extern void web_wait_frame(void);

#define MAX_SIDE 4096

static uint16_t *screen_pixels;   /* the screen bitmap's memory */
static uint32_t *canvas_pixels;   /* the same picture as RGBA bytes */
static uint32_t *rgba_of;         /* RGBA of each of the 65536 pixel values */
static int screen_w, screen_h;
static int screen_held;           /* acquire depth of the screen */

/* web_acquire:
 *  Holds the screen for drawing (memory needs no locking: only counted).
 */
static void web_acquire(BITMAP *bmp)
{
   screen_held++;
}

/* web_release:
 *  Lets the screen go; when it is no longer held, shows it and yields.
 */
static void web_release(BITMAP *bmp)
{
   if (screen_held > 0)
      screen_held--;
   if (screen_held == 0)
      _web_yield();
}

/* make_rgba_table:
 *  The RGBA bytes of every 16-bit pixel value, scaled as getr16() and its
 *  kin read them.
 */
static void make_rgba_table(void)
{
   int c;

   for (c = 0; c < 65536; c++) {
      uint32_t r = getr16(c), g = getg16(c), b = getb16(c);
      rgba_of[c] = r | (g << 8) | (b << 16) | 0xFF000000u;
   }
}

/* web_gfx_init:
 *  Makes the screen: a w x h 16-bit linear bitmap, shown on a canvas of that size.
 */
static BITMAP *web_gfx_init(int w, int h, int v_w, int v_h, int color_depth)
{
   BITMAP *b;

   if (color_depth != 16) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Unsupported color depth"));
      return NULL;
   }
   if (w <= 0 || h <= 0 || w > MAX_SIDE || h > MAX_SIDE ||
       (v_w > 0 && v_w != w) || (v_h > 0 && v_h != h)) {
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Resolution not supported"));
      return NULL;
   }

   screen_pixels = calloc((size_t)w * h, sizeof(uint16_t));
   canvas_pixels = calloc((size_t)w * h, sizeof(uint32_t));
   rgba_of = malloc(65536 * sizeof(uint32_t));
   if (!screen_pixels || !canvas_pixels || !rgba_of) {
      free(screen_pixels);
      free(canvas_pixels);
      free(rgba_of);
      screen_pixels = NULL;
      canvas_pixels = rgba_of = NULL;
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Not enough memory"));
      return NULL;
   }
   make_rgba_table();

   gfx_web.w = screen_w = w;
   gfx_web.h = screen_h = h;
   gfx_web.vid_mem = w * h * 2;
   b = _make_bitmap(w, h, (uintptr_t)screen_pixels, &gfx_web, 16, w * 2);
   if (!b)
      return NULL;
   _screen_vtable.acquire = web_acquire;
   _screen_vtable.release = web_release;
   screen_held = 0;
   web_canvas_size(w, h);
   return b;
}

/* web_gfx_exit:
 *  Frees the screen's memory.
 */
static void web_gfx_exit(BITMAP *b)
{
   free(screen_pixels);
   free(canvas_pixels);
   free(rgba_of);
   screen_pixels = NULL;
   canvas_pixels = rgba_of = NULL;
}

/* present:
 *  Puts the screen's picture on the canvas, and tells the page whether it
 *  differs from the last one (a picture that stands still is the page's
 *  cue that the game waits for the player).
 */
static void present(void)
{
   int i, n = screen_w * screen_h;
   uint32_t changed = 0;

   if (!screen_pixels)
      return;
   for (i = 0; i < n; i++) {
      uint32_t rgba = rgba_of[screen_pixels[i]];
      changed |= rgba ^ canvas_pixels[i];
      canvas_pixels[i] = rgba;
   }
   web_present(canvas_pixels, screen_w, screen_h, changed != 0);
}

/* _web_yield:
 *  Shows the screen, waits for the browser's next frame, then lets the
 *  keyboard and the timer catch up.
 */
void _web_yield(void)
{
   present();
   web_wait_frame();
   _web_keyboard_catch_up();
   _web_timer_catch_up();
}

GFX_DRIVER gfx_web =
{
   GFX_WEB,
   empty_string,
   empty_string,
   "Web canvas",
   web_gfx_init,
   web_gfx_exit,
   NULL,                         /* scroll */
   NULL,                         /* vsync */
   NULL,                         /* set_palette */
   NULL,                         /* request_scroll */
   NULL,                         /* poll_scroll */
   NULL,                         /* enable_triple_buffer */
   NULL,                         /* create_video_bitmap */
   NULL,                         /* destroy_video_bitmap */
   NULL,                         /* show_video_bitmap */
   NULL,                         /* request_video_bitmap */
   NULL,                         /* create_system_bitmap */
   NULL,                         /* destroy_system_bitmap */
   NULL,                         /* set_mouse_sprite */
   NULL,                         /* show_mouse */
   NULL,                         /* hide_mouse */
   NULL,                         /* move_mouse */
   NULL,                         /* drawing_mode */
   NULL,                         /* save_video_state */
   NULL,                         /* restore_video_state */
   NULL,                         /* set_blender_mode */
   NULL,                         /* fetch_mode_list */
   0, 0,                         /* physical screen size, set by init */
   TRUE,                         /* linear */
   0,                            /* bank size */
   0,                            /* bank granularity */
   0,                            /* video memory size */
   0,                            /* physical address of video memory */
   TRUE                          /* windowed: a canvas on a page */
};
