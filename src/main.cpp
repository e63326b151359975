// SPDX-License-Identifier: MIT
// main.cpp — Coin Flight's entry: start up, then loop until Esc.
#include <allegro.h>

#include "shell.h"
#include "version.h"

// The version stays in the executable so that `strings coinflight` shows it.
extern "C" __attribute__((used)) const char coinflight_version[] =
    "Coin Flight " COINFLIGHT_VERSION;

int main() {
  if (!start_up())
    return 1;
  while (main_loop_pass()) {
  }
  end_by_quit_signal();
  // The screen is released after every draw, so nothing is held here; the
  // library's exit handling frees the bitmaps, timer and keyboard.
  return 0;
}
END_OF_MAIN()
