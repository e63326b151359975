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
 * Only the part that changed is handed over. Where the canvas takes 16-bit
 * pixels as they are (WebGL 2: the GPU turns them into colours through the
 * levels getr16() and its kin give), they go as they are; elsewhere an RGBA
 * copy of the picture is kept here and the rectangle that changed is put on
 * a 2-D canvas. A frame is mostly the picture before it (a tick moves the sky by a
 * pixel, and a frame without a tick changes nothing), so every pass over the
 * picture compares 32 pixels at once and stops only where they differ:
 * the masked draw of a sprite onto the screen (a game's back buffer, each
 * frame) writes, notes and converts just the pixels it changes, and showing
 * the screen then only looks for changes made by any other drawing.
 *
 * Any other drawing on the screen goes through its write bank, as on
 * Windows: every drawing routine of the library asks bmp_write_line() for
 * the row it writes, and so must a program that writes the screen's rows
 * itself. The bank function notes that, and only then does showing the
 * screen look at all of it.
 */
#include <stdlib.h>
#include <string.h>
#include <wasm_simd128.h>

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
extern int web_present16(const uint16_t *pixels, int w, int h, int top, int rows, int changed);
extern void web_present(const uint32_t *rgba, int w, int h, int x, int y, int rw, int rh,
                        int changed);
extern void web_wait_frame(void);

#define MAX_SIDE 4096
#define LEVELS 64                 /* a 16-bit pixel's widest field: green's 6 bits */

static uint16_t *screen_pixels;   /* the screen bitmap's memory */
static uint16_t *shown_pixels;    /* the picture shown, with the changes noted since */
static uint32_t *canvas_pixels;   /* for 2-D canvases: that picture as RGBA bytes */
static uint32_t *rgba_of;         /* for 2-D canvases: RGBA of each of the 65536 pixel values */
static int canvas_kept;           /* canvas_pixels is kept (no WebGL) */
static int screen_w, screen_h;
static int screen_held;           /* acquire depth of the screen */
static int drawn_elsewhere;       /* drawn on other than by web_draw_sprite() */
/* What changed since the picture was last shown: the rectangle that holds
 * every change, its columns left to right and rows top to bottom (none:
 * left > right). */
static struct { int left, right, top, bottom; } changed_box;
static void (*library_draw_sprite)(BITMAP *bmp, BITMAP *sprite, int x, int y);

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

static void web_draw_sprite(BITMAP *bmp, BITMAP *sprite, int dx, int dy);

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

/* web_write_bank:
 *  The screen's write bank: the row asked for, noting that something other
 *  than web_draw_sprite() draws on the screen.
 */
static uintptr_t web_write_bank(BITMAP *bmp, int line)
{
   drawn_elsewhere = TRUE;
   return (uintptr_t)bmp->line[line];
}

/* web_gfx_init:
 *  Makes the screen: a w x h 16-bit linear bitmap, shown on a canvas of that size.
 */
static BITMAP *web_gfx_init(int w, int h, int v_w, int v_h, int color_depth)
{
   BITMAP *b;
   int i;

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
   /* Nothing is noted yet: the first picture is shown whole, whatever it
    * is, every pixel of it taken through the same code as every change
    * later. That first, black picture brings that code to the engine's
    * faster tiers before the first tick changes all of the picture (left
    * cold, WebKit showed that tick's picture 150 ms late). */
   memset(shown_pixels, 0xFF, (size_t)w * h * sizeof(uint16_t));
   canvas_pixels[0] = rgba_of[0xFFFF];   /* kept in step, by doubling copies */
   for (i = 1; i < w * h; i *= 2)
      memcpy(canvas_pixels + i, canvas_pixels, (size_t)MIN(i, w * h - i) * sizeof(uint32_t));
   canvas_kept = TRUE;
   changed_box.left = changed_box.top = 0;
   changed_box.right = w - 1;
   changed_box.bottom = h - 1;

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
   library_draw_sprite = _screen_vtable.draw_sprite;
   _screen_vtable.draw_sprite = web_draw_sprite;
   b->write_bank = (void *)web_write_bank;   /* sub-bitmaps of the screen take it too */
   screen_held = 0;
   drawn_elsewhere = TRUE;   /* the first picture is looked at whole */
   return b;
}

/* web_gfx_exit:
 *  Frees the screen's memory.
 */
static void web_gfx_exit(BITMAP *b)
{
   free_pictures();
}

#define LANES 8                   /* 16-bit pixels in a 128-bit vector */
#define AT_ONCE (4 * LANES)       /* pixels looked at before any is looked at closer */

/* same:
 *  Whether AT_ONCE pixels from a and b are the same.
 */
static int same(const uint16_t *a, const uint16_t *b)
{
   v128_t d = wasm_v128_or(wasm_v128_xor(wasm_v128_load(a), wasm_v128_load(b)),
                           wasm_v128_xor(wasm_v128_load(a + LANES), wasm_v128_load(b + LANES)));
   d = wasm_v128_or(d, wasm_v128_xor(wasm_v128_load(a + 2 * LANES), wasm_v128_load(b + 2 * LANES)));
   d = wasm_v128_or(d, wasm_v128_xor(wasm_v128_load(a + 3 * LANES), wasm_v128_load(b + 3 * LANES)));
   return !wasm_v128_any_true(d);
}

/* take:
 *  Notes that the pixel at index i of the screen is now c.
 */
static void take(int i, uint16_t c)
{
   shown_pixels[i] = c;
   if (canvas_kept)
      canvas_pixels[i] = rgba_of[c];
}

/* note_change:
 *  Notes that columns left to right of row y changed.
 */
static void note_change(int y, int left, int right)
{
   changed_box.left = MIN(changed_box.left, left);
   changed_box.right = MAX(changed_box.right, right);
   changed_box.top = MIN(changed_box.top, y);
   changed_box.bottom = MAX(changed_box.bottom, y);
}

/* Where a row changed: its leftmost and rightmost changed column. */
struct span {
   int left, right;
};

/* take_lanes:
 *  Notes the pixels of the lanes set in `lanes` (bit k: pixel at + k), whose
 *  values are at `values`, and widens the row's span by them.
 */
static void take_lanes(int at, int column, const uint16_t *values, int lanes, struct span *row)
{
   row->left = MIN(row->left, column + __builtin_ctz(lanes));
   row->right = MAX(row->right, column + 31 - __builtin_clz(lanes));
   while (lanes) {
      int k = __builtin_ctz(lanes);
      take(at + k, values[k]);
      lanes &= lanes - 1;
   }
}

/* sync_row:
 *  Brings n pixels of a row (`to`, at index `at` of the screen and column
 *  `column`) to those at `from`, but for those in the mask colour when
 *  `masked`, noting each pixel that changes. One function for both callers,
 *  so that what warms it for one does for the other.
 */
static __attribute__((noinline)) void sync_row(const uint16_t *from, uint16_t *to, int n, int at,
                                               int column, int masked, uint16_t mask,
                                               struct span *changed)
{
   v128_t masks = wasm_i16x8_splat((int16_t)mask);
   int x, g, k;

   /* Where the row already holds these pixels, nothing changes, whichever
    * of them are masked; elsewhere the lanes that are neither masked nor
    * the same are written. */
   for (x = 0; x + AT_ONCE <= n; x += AT_ONCE) {
      if (same(from + x, to + x))
         continue;
      for (g = x; g < x + AT_ONCE; g += LANES) {
         v128_t a = wasm_v128_load(from + g), b = wasm_v128_load(to + g);
         v128_t write = wasm_i16x8_ne(a, b);
         int lanes;
         if (masked)
            write = wasm_v128_and(write, wasm_i16x8_ne(a, masks));
         lanes = wasm_i16x8_bitmask(write);
         if (!lanes)
            continue;
         wasm_v128_store(to + g, wasm_v128_bitselect(a, b, write));
         take_lanes(at + g, column + g, from + g, lanes, changed);
      }
   }
   for (k = x; k < n; k++)
      if ((!masked || from[k] != mask) && from[k] != to[k]) {
         to[k] = from[k];
         take_lanes(at + k, column + k, from + k, 1, changed);
      }
}

/* catch_up:
 *  Notes whatever on the screen differs from what was noted: what drawing
 *  other than web_draw_sprite() changed.
 */
static void catch_up(void)
{
   int y;

   for (y = 0; y < screen_h; y++) {
      struct span row = {screen_w, -1};
      sync_row(screen_pixels + y * screen_w, shown_pixels + y * screen_w, screen_w, y * screen_w,
               0, FALSE, 0, &row);
      if (row.right >= 0)
         note_change(y, row.left, row.right);
   }
}

/* web_draw_sprite:
 *  The screen's masked sprite draw: the library's own, clipped the same way,
 *  for a 16-bit sprite in memory, noting each pixel it changes; any other
 *  sprite goes to the library's.
 */
static void web_draw_sprite(BITMAP *bmp, BITMAP *sprite, int dx, int dy)
{
   int sx = 0, sy = 0, w = sprite->w, h = sprite->h, y;
   uint16_t mask;

   if (bitmap_color_depth(sprite) != 16 || !is_memory_bitmap(sprite) ||
       bmp->line[0] != (unsigned char *)screen_pixels) {
      library_draw_sprite(bmp, sprite, dx, dy);
      return;
   }
   if (bmp->clip) {
      sx = MAX(0, bmp->cl - dx);
      w = MIN(sprite->w, bmp->cr - dx) - sx;
      sy = MAX(0, bmp->ct - dy);
      h = MIN(sprite->h, bmp->cb - dy) - sy;
      if (w <= 0 || h <= 0)
         return;
   }
   mask = (uint16_t)bitmap_mask_color(sprite);
   for (y = 0; y < h; y++) {
      int row = dy + sy + y, start = row * screen_w + dx + sx;
      struct span changed = {screen_w, -1};
      sync_row((const uint16_t *)sprite->line[sy + y] + sx, screen_pixels + start, w, start,
               dx + sx, TRUE, mask, &changed);
      if (changed.right >= 0)
         note_change(row, changed.left, changed.right);
   }
}

/* present:
 *  Puts what changed of the screen's picture on the canvas, and tells the
 *  page whether anything did (a picture that stands still is the page's cue
 *  that the game waits for the player): the rectangle that holds every
 *  change, in one call, since an engine may convert the whole picture at
 *  each (WebKit does). The GPU takes that rectangle's rows.
 */
static void present(void)
{
   int x, y, w, h, changed;

   if (!screen_pixels)
      return;
   if (drawn_elsewhere) {
      drawn_elsewhere = FALSE;
      catch_up();
   }
   changed = changed_box.left <= changed_box.right;
   x = changed ? changed_box.left : 0;
   y = changed ? changed_box.top : 0;
   w = changed ? changed_box.right - x + 1 : 0;
   h = changed ? changed_box.bottom - y + 1 : 0;
   changed_box.left = changed_box.top = MAX_SIDE;
   changed_box.right = changed_box.bottom = -1;
   if (web_present16(shown_pixels, screen_w, screen_h, y, h, changed)) {
      canvas_kept = FALSE;
      return;
   }
   web_present(canvas_pixels, screen_w, screen_h, x, y, w, h, changed);
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
