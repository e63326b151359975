// SPDX-License-Identifier: MIT
// sky.cpp — the scrolling sky strip behind everything else.
#include <allegro.h>

#include <cstdint>

#include "game.h"
#include "state.h"

// Looks for a pixel in the mask colour; start-up asks this of the sky once.
bool has_mask_pixels(BITMAP *bmp) {
  const int mask = bitmap_mask_color(bmp);
  const bool rows_in_memory = is_memory_bitmap(bmp) && bitmap_color_depth(bmp) == 16;
  for (int y = 0; y < bmp->h; y++) {
    // The game's 16-bit sky is searched row by row in memory, a few times
    // faster than asking for each of its three million pixels.
    const uint16_t *row = rows_in_memory ? reinterpret_cast<uint16_t *>(bmp->line[y]) : nullptr;
    for (int x = 0; x < bmp->w; x++)
      if ((row ? row[x] : getpixel(bmp, x, y)) == mask)
        return true;
  }
  return false;
}

// Draws the sky twice, one period apart, so the strip wraps around, then
// scrolls it one pixel to the left. A sky without transparent pixels is
// copied plainly: the masked draw would test every pixel and copy all of them
// anyway, so both give the same picture and the copy costs a fraction.
void sky() {
  if (state.skyOpaque) {
    BITMAP *s = state.skySprite;
    blit(s, state.buffer, 0, 0, state.skyx, 0, s->w, s->h);
    blit(s, state.buffer, 0, 0, state.skyx + SKY_PERIOD, 0, s->w, s->h);
  } else {
    draw_sprite(state.buffer, state.skySprite, state.skyx, 0);
    draw_sprite(state.buffer, state.skySprite, state.skyx + SKY_PERIOD, 0);
  }
  state.skyx -= 1;
  if (state.skyx == -SKY_PERIOD)
    state.skyx = 0;
}
