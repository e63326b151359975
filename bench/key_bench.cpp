// SPDX-License-Identifier: MIT
// key_bench — how soon the game sees a key, watched from outside.
//
//   key_bench COINFLIGHT_EXE DATA_DIR [RUNS] [EMULATOR]
//
// Starts a private Xvfb and the real game in DATA_DIR (through EMULATOR, such
// as qemu-aarch64-static, when named), then RUNS times (default 7):
// 1. in play, with the plane at the top, presses Down through XTest and
//    times until the plane has moved on the screen;
// 2. on the game-over picture, taps Enter for 0.15 s, as a player does, and
//    notes whether the picture is gone within a second of the press; if not,
//    holds Enter until it is. Either way it times from the press until the
//    picture is gone.
// Prints the medians and ranges, and how many short taps were missed.
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

constexpr double TAP_SECONDS = 0.15; // a short press, as a player's
constexpr double SEEN_WITHIN = 1.0;  // how long a tap has to show its effect

// One pixel of the window.
Rgb pixel(Display *dpy, Window win, int x, int y) {
  XImage *img = XGetImage(dpy, win, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!img)
    return {0, 0, 0};
  const unsigned long p = XGetPixel(img, 0, 0);
  XDestroyImage(img);
  return {int(p >> 16 & 0xff), int(p >> 8 & 0xff), int(p & 0xff)};
}

// What the end-to-end tests look for: the game-over panel at (300, 300), and
// the plane's nose with its fuselage top at the top of the picture (4).
bool panel_up(Display *dpy, Window win) { return near(pixel(dpy, win, 320, 384), 22, 32, 74); }
bool plane_at_top(Display *dpy, Window win) {
  return near(pixel(dpy, win, 149, 16), 0, 0, 0) && near(pixel(dpy, win, 100, 22), 0, 50, 0);
}

void report(const char *what, std::vector<double> ms) {
  if (ms.empty()) {
    printf("%-44s none\n", what);
    return;
  }
  std::sort(ms.begin(), ms.end());
  printf("%-44s median %6.0f ms  (%.0f to %.0f ms over %zu runs)\n", what, ms[ms.size() / 2],
         ms.front(), ms.back(), ms.size());
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: key_bench COINFLIGHT_EXE DATA_DIR [RUNS] [EMULATOR]\n");
    return 2;
  }
  const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 7;
  const std::string emulator = argc > 4 ? argv[4] : "";
  char exe[PATH_MAX]; // the game is started in DATA_DIR: make its path absolute
  if (!realpath(argv[1], exe)) {
    fprintf(stderr, "key_bench: no game at %s\n", argv[1]);
    return 2;
  }
  XServer x;
  std::string why;
  GameProcess game;
  if (!x.start(&why)) {
    fprintf(stderr, "key_bench: %s\n", why.c_str());
    return 1;
  }
  if (!game.start(exe, argv[2], x.name(), emulator))
    return 1;
  const Window win = find_game_window(x.dpy, 60);
  if (!win) {
    fprintf(stderr, "key_bench: no game window: %s\n", game.err().c_str());
    return 1;
  }
  std::vector<double> in_play, tapped, held;
  int missed = 0;
  for (int i = 0; i < runs; i++) {
    // Up to the top, where the next coin is missed; Enter for a panel on the way.
    key_down(x.dpy, XK_Up);
    const bool over = wait_until(60, [&] {
      if (panel_up(x.dpy, win) && !plane_at_top(x.dpy, win)) {
        key_down(x.dpy, XK_Return);
        wait_until(10, [&] { return !panel_up(x.dpy, win); });
        key_up(x.dpy, XK_Return);
      }
      return plane_at_top(x.dpy, win) && panel_up(x.dpy, win);
    });
    key_up(x.dpy, XK_Up);
    if (!over) {
      fprintf(stderr, "key_bench: the plane never reached the top and missed a coin\n");
      return 1;
    }
    wait_until(0.5, [] { return false; }); // the game-over picture, still

    // A tap: Enter down for 0.15 s, the picture watched meanwhile and after.
    double start = now(), gone_at = 0;
    const auto gone = [&] { return !panel_up(x.dpy, win) && (gone_at = now()) > 0; };
    key_down(x.dpy, XK_Return);
    wait_until(TAP_SECONDS, gone);
    wait_until(start + TAP_SECONDS - now(), [] { return false; });
    key_up(x.dpy, XK_Return);
    if (gone_at > 0 || wait_until(start + SEEN_WITHIN - now(), gone)) {
      tapped.push_back((gone_at - start) * 1000);
    } else {
      missed++;
      start = now();
      key_down(x.dpy, XK_Return);
      const bool left = wait_until(30, gone);
      key_up(x.dpy, XK_Return);
      if (!left) {
        fprintf(stderr, "key_bench: Enter held for 30 s did not leave the game-over picture\n");
        return 1;
      }
      held.push_back((gone_at - start) * 1000);
    }

    // In play, the plane at the top: Down until it moves.
    start = now();
    key_down(x.dpy, XK_Down);
    const bool moved = wait_until(10, [&] { return !plane_at_top(x.dpy, win); });
    key_up(x.dpy, XK_Down);
    if (!moved) {
      fprintf(stderr, "key_bench: Down did not move the plane\n");
      return 1;
    }
    in_play.push_back((now() - start) * 1000);
  }
  report("in play: Down pressed to the plane moved", in_play);
  report("game over: Enter tapped 0.15 s to play on", tapped);
  report("game over: Enter held (tap missed) to play on", held);
  printf("%-44s %d of %d missed\n", "game over: Enter taps of 0.15 s", missed, runs);
  key_down(x.dpy, XK_Escape);
  int status = -1;
  game.wait_exit(10, &status);
  key_up(x.dpy, XK_Escape);
  return 0;
}
