// SPDX-License-Identifier: MIT
// signals.cpp — Ctrl-C in the terminal and SIGTERM (a logout, `kill`) end the
// game the way Esc does.
//
// The library's own handler for these signals shuts down from inside the
// handler and, when the screen or the display connection happens to be in use
// at that moment, calls abort(): "Aborted", status 134, and a crash report on
// some desktops. Here the handler only notes the signal; the main loop and
// the game-over screen look at that note on every pass, the game shuts down
// as it does on Esc, and the process then ends by the same signal, so the
// shell that started it sees an ordinary interrupt (status 130 or 143).
#include <allegro.h>

#include <csignal>

#include "shell.h"

// The signal that asked the game to quit, or 0.
static volatile std::sig_atomic_t quit_signal = 0;

// Runs on whichever thread the signal lands on: only notes it.
static void note_quit_signal(int sig) { quit_signal = sig; }

// Puts the noting handler in place of the library's for both signals.
void catch_quit_signals() {
  std::signal(SIGINT, note_quit_signal);
  std::signal(SIGTERM, note_quit_signal);
}

// Whether a quit signal has come; asked on every pass of the loops.
bool quit_requested() { return quit_signal != 0; }

// Shuts the library down and ends the process by the signal that came, if any.
void end_by_quit_signal() {
  const int sig = quit_signal;
  if (sig == 0)
    return;
  allegro_exit();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}
