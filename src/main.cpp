// main.cpp — Coin Flight's entry: start up, then loop until Esc.
#include <allegro.h>

#include "shell.h"

int main() {
  if (!start_up())
    return 1;
  while (main_loop_pass()) {
  }
  // The screen is released after every draw, so nothing is held here; the
  // library's exit handling frees the bitmaps, timer and keyboard.
  return 0;
}
END_OF_MAIN()
