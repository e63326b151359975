// SPDX-License-Identifier: MIT
// scores.cpp — what the web page reads of the game: the score and the high
// score, which it shows as text where the picture is drawn too small for its
// score line to be read. Linked into the web build alone; the page calls
// these between frames.
#include <emscripten.h>

#include "state.h"

// This round's score, as the score line prints it.
extern "C" EMSCRIPTEN_KEEPALIVE int web_score() { return state.score; }

// The best score of this game, as the score line prints it.
extern "C" EMSCRIPTEN_KEEPALIVE int web_highscore() { return state.highscore; }
