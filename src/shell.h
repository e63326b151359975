// shell.h — the platform shell: start-up, the timer, the main loop and the
// game-over screen. This is the only code that talks to the display.
//
// Who calls what: main() calls start_up() once, then main_loop_pass() until it
// returns false. The library's timer thread calls increment_speed_counter().
#pragma once

// Brings up the library, keyboard, 1024x768 16-bit screen, back buffer, both
// pictures and the 50 Hz timer, in that order. On any failure prints one line
// to stderr saying what failed and where it looked, and returns false.
bool start_up();

// The timer callback: one more tick is due. Nothing else.
void increment_speed_counter();

// One pass of the main loop: Esc test, due ticks, present, game-over screen.
// Returns false when Esc was down at the top of the pass.
bool main_loop_pass();

// Runs every due tick while the round goes on, taking one off the count after
// each; stops as soon as a tick ends the round.
void run_due_ticks();

// Shows the back buffer on the screen (a masked draw, like every sprite draw).
void present();

// Shows the game-over picture until Enter is down, then drops the ticks that
// fell due meanwhile so that exactly one is due when play resumes.
void game_over_screen();
