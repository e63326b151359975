// SPDX-License-Identifier: MIT
// startup.cpp — brings up the library, screen, keyboard, pictures and timer.
//
// Every step that can fail is checked: without a display allegro_init fails
// and the very next library call would crash, and a missing picture would be
// drawn from a null bitmap. Each failure prints one line naming what failed and
// where the game looked, and the game exits with status 1.
#include <allegro.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "bmpcheck.h"
#include "game.h"
#include "rules.h"
#include "shell.h"
#include "state.h"

constexpr int COLOR_DEPTH = 16;
static const char SKY_FILE[] = "skypic.bmp";
static const char GAMEOVER_FILE[] = "gameoverpic.bmp";

// Prints one line on stderr, prefixed with the game's name. On Windows, where
// a game started from Explorer has nowhere to show stderr, the same words
// also come up in a message box.
static bool fail(const char *what, const char *detail) {
  fprintf(stderr, "coinflight: %s: %s\n", what, detail);
#ifdef ALLEGRO_WINDOWS
  // A message box can only be seen once the full-screen mode is left.
  if (screen)
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
  allegro_message("Coin Flight cannot start.\n\n%s: %s\n", what, detail);
#endif
  return false;
}

// Loads a picture from the working directory, converted to the screen's
// 16-bit format; on failure reports the file, the folder and the reason.
// `opaque`, when asked for, tells whether the picture is known to have no
// pixel in the mask colour.
static BITMAP *load_picture(const char *file, bool *opaque = nullptr) {
  char reason[128];
  const char *problem;
  BITMAP *bmp = load_checked_bmp(file, &problem, reason, sizeof reason, opaque);
  if (!bmp) {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd))
      snprintf(cwd, sizeof cwd, "the working directory");
    char what[PATH_MAX + 64];
    snprintf(what, sizeof what, "cannot load \"%s\" from %s", file, cwd);
    fail(what, problem ? problem : "the BMP loader could not read it");
  }
  return bmp;
}

bool start_up() {
  // Where no display can be reached, the library's error says which it tried.
  if (allegro_init() != 0)
    return fail("cannot start the Allegro library", allegro_error);
  catch_quit_signals();
  if (install_keyboard() != 0)
    return fail("cannot install the keyboard handler", allegro_error);
  set_color_depth(COLOR_DEPTH);
  if (set_gfx_mode(GFX_AUTODETECT, BUFFER_W, BUFFER_H, 0, 0) != 0)
    return fail("cannot set a 1024x768 16-bit graphics mode", allegro_error);

  // The screen is acquired around each draw onto it (see loop.cpp), not here.

  state.buffer = create_bitmap(BUFFER_W, BUFFER_H);
  if (!state.buffer)
    return fail("cannot create the 1024x768 back buffer", "out of memory");
  clear_to_color(state.buffer, makecol(0, 0, 0));

  bool sky_opaque = false;
  state.skySprite = load_picture(SKY_FILE, &sky_opaque);
  if (!state.skySprite)
    return false;
  // Where the loading could not tell, the sky is searched for mask pixels.
  state.skyOpaque = sky_opaque || !has_mask_pixels(state.skySprite);
  state.gameoverSprite = load_picture(GAMEOVER_FILE);
  if (!state.gameoverSprite)
    return false;

  if (install_int_ex(increment_speed_counter, BPS_TO_TIMER(TICKS_PER_SECOND)) != 0)
    return fail("cannot install the 50 Hz tick timer", allegro_error);
  return true;
}
