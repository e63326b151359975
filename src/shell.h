// SPDX-License-Identifier: MIT
// shell.h — the platform shell: start-up, the timer, the main loop and the
// game-over screen. This is the only code that talks to the display.
//
// Who calls what: main() calls start_up() once, then main_loop_pass() until it
// returns false, then end_by_quit_signal(). The library's timer thread calls
// increment_speed_counter(); a signal handler notes Ctrl-C and SIGTERM.
#pragma once

// Brings up the library, keyboard, 1024x768 16-bit screen, back buffer, both
// pictures and the 50 Hz timer, in that order. On any failure prints one line
// to stderr saying what failed and where it looked, and returns false.
bool start_up();

// Replaces the library's handlers for SIGINT and SIGTERM with one that only
// notes the signal. Called by start_up() right after the library starts.
void catch_quit_signals();

// True once SIGINT or SIGTERM has arrived. The main loop and the game-over
// screen treat it as a quit key that works everywhere.
bool quit_requested();

// After the main loop: if a signal ended it, shuts the library down and ends
// the process by that same signal. Returns when the player quit with Esc.
void end_by_quit_signal();

// The timer callback: one more tick is due. Nothing else.
void increment_speed_counter();

// One pass of the main loop: Esc test, due ticks, present, game-over screen.
// Returns false when Esc was down (or a quit signal came) at the top of the
// pass.
bool main_loop_pass();

// Runs every due tick while the round goes on, taking one off the count after
// each; stops as soon as a tick ends the round.
void run_due_ticks();

// Shows the back buffer on the screen (a masked draw, like every sprite draw).
void present();

// Shows the game-over picture until Enter is down (or a quit signal comes),
// then drops the ticks that fell due meanwhile so that exactly one is due when
// play resumes.
void game_over_screen();
