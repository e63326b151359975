// SPDX-License-Identifier: MIT
// bmpcheck.h — checks a picture file before the library's BMP loader reads it.
//
// The loader returns NULL for a missing file, but it happily returns a bitmap
// for a file cut short (the missing rows come out black), and a header with
// absurd dimensions asks it for absurd memory, and a run-length stream can
// make it write outside the picture. Start-up loads its pictures through
// load_checked_bmp(), so such a file stops the game with a clear reason.
#pragma once

#include <allegro.h>

// Returns nullptr when `path` looks like a complete, sane BMP file, otherwise
// a short reason in plain words ("file missing", "cut short: ...", ...).
// `reason` is scratch space for reasons that carry numbers.
const char *bmp_file_problem(const char *path, char *reason, int reason_size);

// Largest width or height accepted for a picture, in pixels.
constexpr int BMP_MAX_SIDE = 16384;

// Loads the BMP picture at `path`, converted to the current colour depth, if
// bmp_file_problem() finds nothing wrong with it. Otherwise returns nullptr
// with `*problem` set to the reason; when the loader itself fails, `*problem`
// is nullptr. An 8-bit run-length picture (both of the game's) is decoded
// here, to the very pixels the library's loader gives; `*opaque`, when asked
// for, is then true if none of its pixels is in the mask colour, and false
// whenever that is not known.
BITMAP *load_checked_bmp(const char *path, const char **problem, char *reason, int reason_size,
                         bool *opaque = nullptr);
