// SPDX-License-Identifier: MIT
// The plane: steering, its bounds, the propeller and how its shapes layer.
#include "headless.h"

// Holds the given keys for n ticks and returns where the plane ends up.
static int hold(int up, int down, int n) {
  key[KEY_UP] = up;
  key[KEY_DOWN] = down;
  for (int i = 0; i < n; i++)
    game();
  key[KEY_UP] = key[KEY_DOWN] = 0;
  return state.planey;
}

TEST_F(Headless, PlaneGlidesTwentyPixelsATickAndStopsAtTheEdges) {
  struct {
    const char *keys;
    int up, down, ticks, planey;
  } const cases[] = {
      {"Up, one tick short of the top", 1, 0, 17, 24},
      {"Up reaches the top in 18 ticks", 1, 0, 18, 4},
      {"Up held on at the top", 1, 0, 60, 4},
      {"Down, one tick short of the bottom", 0, 1, 16, 684},
      {"Down reaches the bottom in 17 ticks", 0, 1, 17, 704},
      {"Down held on at the bottom", 0, 1, 60, 704},
      {"both keys leave it", 1, 1, 30, PLANE_START_Y},
      {"no key leaves it", 0, 0, 30, PLANE_START_Y},
  };
  for (auto c : cases) {
    state.planey = PLANE_START_Y;
    EXPECT_EQ(hold(c.up, c.down, c.ticks), c.planey) << c.keys;
  }
}

// The picture of a tick shows the plane where it stood before that tick's
// keys moved it: the nose edge is drawn from the old planey.
TEST_F(Headless, PictureShowsThePlaneBeforeThisTicksSteering) {
  hold(0, 1, 1);
  EXPECT_EQ(state.planey, PLANE_START_Y + PLANE_STEP);
  EXPECT_EQ(pixel(149, PLANE_START_Y), BLACK);
  EXPECT_NE(pixel(149, PLANE_START_Y + PLANE_STEP + FUSELAGE_H), BLACK);
}

// Reads the blade off the picture: black 10 pixels below the hub centre means
// it points down (+18), black 10 pixels above means it points up (-18).
TEST_F(Headless, PropellerBladeFlipsAfterThreeTicksThenEveryTwo) {
  const int hub = PLANE_START_Y + 13;
  const int expected[] = {18, 18, 18, -18, -18, 18, 18, -18, -18};
  for (int tick = 1; tick <= 9; tick++) {
    game();
    const bool down = pixel(162, hub + 10) == BLACK && pixel(163, hub + 18) == BLACK;
    const bool up = pixel(162, hub - 10) == BLACK && pixel(163, hub - 18) == BLACK;
    EXPECT_NE(down, up) << "tick " << tick;
    EXPECT_EQ(down ? 18 : -18, expected[tick - 1]) << "tick " << tick;
  }
}

// A few probes prove the order of the shapes: the fuselage hides the lower
// half of the canopy and the rear half of the hub, the nose edge and the red
// stripe are drawn over the fuselage.
TEST_F(Headless, ShapesLayerIntoCanopyDomeHalfHubNoseAndStripe) {
  state.prop = -PROP_LENGTH; // blade up, clear of the hub's lower half
  game();
  const int y = PLANE_START_Y;
  const int glass = makecol(150, 150, 255), green = makecol(0, 50, 0);
  const int hub = makecol(100, 100, 100), red = makecol(200, 0, 0);
  struct {
    const char *what;
    int x, y, colour;
  } const probes[] = {
      {"canopy dome above the fuselage", 120, y - 5, glass},
      {"canopy's lower half hidden", 120, y + 5, green},
      {"hub half disc in front of the nose", 156, y + 13, hub},
      {"hub's rear half hidden", 143, y + 13, green},
      {"black nose edge", 149, y + 20, BLACK},
      {"black nose edge", 150, y + 2, BLACK},
      {"red stripe", 115, y + 11, red},
      {"red marking on the tail", 51, y - 5, red},
      {"sky above the tail", 51, y - 40, SKY},
  };
  for (auto p : probes)
    EXPECT_EQ(pixel(p.x, p.y), p.colour) << p.what << " at (" << p.x << ", " << p.y << ")";
}
