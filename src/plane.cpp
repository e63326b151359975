// SPDX-License-Identifier: MIT
// plane.cpp — the player's propeller plane, drawn from filled shapes.
#include <allegro.h>

#include "game.h"
#include "state.h"

// Draws the plane facing right with the top of its fuselage at `planey`.
// Later shapes cover earlier ones: the fuselage hides the lower half of the
// canopy and the left half of the hub, leaving a dome and a half disc.
static void draw_plane(BITMAP *bmp, int y, int prop) {
  const int grey = makecol(100, 100, 100);
  const int dark_grey = makecol(50, 50, 50);
  const int glass = makecol(150, 150, 255);
  const int green = makecol(0, 50, 0);
  const int black = makecol(0, 0, 0);
  const int red = makecol(200, 0, 0);

  circlefill(bmp, 150, y + 13, 12, grey);                // propeller hub
  ellipse(bmp, 120, y, 21, 10, dark_grey);               // canopy frame
  ellipsefill(bmp, 120, y, 20, 10, glass);               // canopy glass
  rectfill(bmp, 50, y, 150, y + 25, green);              // fuselage
  triangle(bmp, 50, y, 50, y - 25, 70, y, green);        // tail fin
  ellipsefill(bmp, 50, y, 15, 25, green);                // tail
  rectfill(bmp, 162, y + 13, 163, y + 13 + prop, black); // propeller blade
  circlefill(bmp, 51, y - 5, 8, red);                    // marking on the tail
  rectfill(bmp, 90, y + 10, 140, y + 12, red);           // stripe along the fuselage
  rectfill(bmp, 149, y, 150, y + 25, black);             // nose edge
}

void plane() {
  draw_plane(state.buffer, state.planey, state.prop);

  // The blade flips once `propcount` has run down, after the picture, so a
  // tick always shows the blade as it was before this step.
  if (state.propcount == 0) {
    state.prop = -state.prop;
    state.propcount = PROP_FLIP_TICKS;
  }
  state.propcount -= 1;
}
