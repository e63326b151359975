/* SPDX-License-Identifier: MIT
 * wgfx.c — the web platform's graphics driver, and the yield to the browser.
 *
 * The screen is a linear 16-bit bitmap in ordinary memory, drawn on by the
 * library's own routines exactly as a memory bitmap is. Each time the screen
 * is released after a draw, its picture is put on the page's canvas, and the
 * game yields: it waits for the browser's next animation frame (emscripten's
 * Asyncify unwinds and rewinds the busy loop around that wait), then the
 * timer and the keyboard catch up with what happened meanwhile.
 *
 * Only a picture that changed is handed over. Where the canvas takes 16-bit
 * pixels as they are (WebGL 2: the GPU turns them into colours through the
 * levels getr16() and its kin give), they go as they are; elsewhere they
 * are turned into RGBA here and put on a 2-D canvas.
 */
#include <stdlib.h>
#include <string.h>

#include "allegro.h"
#include "allegro/internal/aintern.h"
#include "allegro/platform/aintweb.h"

#ifndef ALLEGRO_WEB
   #error something is wrong with the build
#endif

/* In web.js: sizes the canvas, telling it the colour levels of a pixel's
 * fields; shows 16-bit pixels where the canvas takes them (answering
 * whether it did); shows RGBA pixels; waits for a frame. */
extern void web_canvas_size(int w, int h, const uint8_t *levels, int r_shift, int g_shift,
                            int b_shift);
extern int web_present16(const uint16_t *pixels, int w, int h, int changed);
extern void web_present(const uint32_t *rgba, int w, int h, int changed);
extern void web_wait_frame(void);

#define MAX_SIDE 4096
#define LEVELS 64                 /* a 16-bit pixel's widest field: green's 6 bits */

static uint16_t *screen_pixels;   /* the screen bitmap's memory */
static uint16_t *shown_pixels;    /* the picture last shown */
static uint32_t *canvas_pixels;   /* for 2-D canvases: that picture as RGBA bytes */
static uint32_t *rgba_of;         /* for 2-D canvases: RGBA of each of the 65536 pixel values */
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

/* open_canvas:
 *  Sizes the canvas, telling it the colour level of every value of each
 *  field of a pixel.
 */
static void open_canvas(int w, int h)
{
   uint8_t levels[LEVELS * 4];
   int i;

   for (i = 0; i < LEVELS; i++) {
      levels[i * 4 + 0] = getr16((i & 0x1F) << _rgb_r_shift_16);
      levels[i * 4 + 1] = getg16(i << _rgb_g_shift_16);
      levels[i * 4 + 2] = getb16((i & 0x1F) << _rgb_b_shift_16);
      levels[i * 4 + 3] = 255;
   }
   web_canvas_size(w, h, levels, _rgb_r_shift_16, _rgb_g_shift_16, _rgb_b_shift_16);
}

/* free_pictures:
 *  Frees the screen's memory and the copies made of it.
 */
static void free_pictures(void)
{
   free(screen_pixels);
   free(shown_pixels);
   free(canvas_pixels);
   free(rgba_of);
   screen_pixels = shown_pixels = NULL;
   canvas_pixels = rgba_of = NULL;
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
   shown_pixels = calloc((size_t)w * h, sizeof(uint16_t));
   canvas_pixels = malloc((size_t)w * h * sizeof(uint32_t));
   rgba_of = malloc(65536 * sizeof(uint32_t));
   if (!screen_pixels || !shown_pixels || !canvas_pixels || !rgba_of) {
      free_pictures();
      ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Not enough memory"));
      return NULL;
   }
   make_rgba_table();
   open_canvas(w, h);
   shown_pixels[0] = ~screen_pixels[0]; /* so that the first picture is shown, whatever it is */

   gfx_web.w = screen_w = w;
   gfx_web.h = screen_h = h;
   gfx_web.vid_mem = w * h * 2;
   b = _make_bitmap(w, h, (uintptr_t)screen_pixels, &gfx_web, 16, w * 2);
   if (!b) {
      free_pictures();
      return NULL;
   }
   _screen_vtable.acquire = web_acquire;
   _screen_vtable.release = web_release;
   screen_held = 0;
   return b;
}

/* web_gfx_exit:
 *  Frees the screen's memory.
 */
static void web_gfx_exit(BITMAP *b)
{
   free_pictures();
}

/* differs:
 *  Whether n pixels differ anywhere, looking no further than the first
 *  difference (a moving picture differs in its first row).
 */
static int differs(const uint16_t *a, const uint16_t *b, int n)
{
   enum { RUN = 1024 };
   int i, j;

   for (i = 0; i < n; i += RUN) {
      int end = n - i < RUN ? n - i : RUN;
      uint16_t bits = 0;
      for (j = 0; j < end; j++)
         bits |= a[i + j] ^ b[i + j];
      if (bits)
         return 1;
   }
   return 0;
}

/* present:
 *  Puts the screen's picture on the canvas, when it differs from the last
 *  one, and tells the page whether it did (a picture that stands still is
 *  the page's cue that the game waits for the player).
 */
static void present(void)
{
   int n = screen_w * screen_h, changed;

   if (!screen_pixels)
      return;
   changed = differs(screen_pixels, shown_pixels, n);
   if (changed)
      memcpy(shown_pixels, screen_pixels, (size_t)n * sizeof(uint16_t));
   if (web_present16(shown_pixels, screen_w, screen_h, changed))
      return;
   if (changed) {
      int i;
      for (i = 0; i < n; i++)
         canvas_pixels[i] = rgba_of[shown_pixels[i]];
   }
   web_present(canvas_pixels, screen_w, screen_h, changed);
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
