// SPDX-License-Identifier: MIT
// startup_bench — how long a player waits for the game to show up.
//
//   startup_bench COINFLIGHT_EXE DATA_DIR [RUNS]
//
// Starts a private Xvfb, then starts the real game in DATA_DIR RUNS times
// (default 7). Each time it measures, from the moment the process is started,
// when the game's window is mapped and when its first frame with the sky is on
// the screen, then quits the game with Esc. Prints the median and the range.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "xsession.h"

namespace {

// Whether the window's pixel at (512, 50), high in the sky, is no longer the
// black of the cleared back buffer.
bool sky_shown(Display *dpy, Window win) {
  XImage *img = XGetImage(dpy, win, 512, 50, 1, 1, AllPlanes, ZPixmap);
  if (!img)
    return false;
  const unsigned long p = XGetPixel(img, 0, 0);
  const bool shown = (p & 0xff) > 8 || (p >> 8 & 0xff) > 8 || (p >> 16 & 0xff) > 8;
  XDestroyImage(img);
  return shown;
}

void report(const char *what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  printf("%-40s median %6.0f ms  (%.0f to %.0f ms over %zu runs)\n", what, ms[ms.size() / 2],
         ms.front(), ms.back(), ms.size());
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: startup_bench COINFLIGHT_EXE DATA_DIR [RUNS]\n");
    return 2;
  }
  const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 7;
  char exe[PATH_MAX]; // the game is started in DATA_DIR: make its path absolute
  if (!realpath(argv[1], exe)) {
    fprintf(stderr, "startup_bench: no game at %s\n", argv[1]);
    return 2;
  }
  XServer x;
  std::string why;
  if (!x.start(&why)) {
    fprintf(stderr, "startup_bench: %s\n", why.c_str());
    return 1;
  }
  std::vector<double> mapped, shown;
  for (int i = 0; i < runs; i++) {
    GameProcess game;
    const double start = now();
    if (!game.start(exe, argv[2], x.name()))
      return 1;
    const Window win = find_game_window(x.dpy, 20);
    const double at_map = now();
    if (!win || !wait_until(20, [&] { return sky_shown(x.dpy, win); })) {
      fprintf(stderr, "startup_bench: the game did not show its sky: %s\n", game.err().c_str());
      return 1;
    }
    mapped.push_back((at_map - start) * 1000);
    shown.push_back((now() - start) * 1000);
    key_down(x.dpy, XK_Escape);
    int status = -1;
    const bool ended = game.wait_exit(10, &status);
    key_up(x.dpy, XK_Escape);
    if (!ended || status != 0) {
      fprintf(stderr, "startup_bench: Esc did not end the game cleanly\n");
      return 1;
    }
  }
  report("process start to window mapped", mapped);
  report("process start to first sky frame", shown);
  return 0;
}
