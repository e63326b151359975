// SPDX-License-Identifier: MIT
// state.cpp — the one instance of the game's state.
#include "state.h"

GameState state;
std::atomic<int> speed_counter{0};
