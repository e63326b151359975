// SPDX-License-Identifier: MIT
// bmp_fuzz.cpp — a libFuzzer target for the picture check and the BMP loader.
//
// Each input is written to a file and put through what start-up does with a
// picture: load_checked_bmp(), which runs the check and, when that accepts
// the file, loads it converted to 16 bits (the game's own decoder for 8-bit
// run-length pictures, the library's loader for the rest); what it loads must
// be the library's loader's very pixels. The library is built from source into
// this target with AddressSanitizer, so any read or write the check lets
// through outside the loader's memory stops the run with a report.
#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bmpcheck.h"

// Pictures above this many pixels are checked but not loaded: the loader's
// code is the same for them, only slower (a 16384 x 16384 picture takes a
// gigabyte and seconds).
constexpr int64_t MAX_LOADED_PIXELS = 1 << 22;

// Where each input is written: one file per fuzzing process.
static std::string input_path() {
  const char *dir = getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/bmp_fuzz." + std::to_string(getpid()) + ".bmp";
}

// Starts the library once, with no drivers, as the headless tests do.
static bool start_library() {
  if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
    abort();
  set_color_depth(16);
  return true;
}

// The width and height the header states (the check has accepted them).
static int64_t stated_pixels(const uint8_t *data) {
  const auto le = [&](int at, int n) {
    int64_t v = 0;
    for (int i = n - 1; i >= 0; i--)
      v = v << 8 | data[at + i];
    return v;
  };
  if (le(14, 4) == 12)
    return le(18, 2) * le(20, 2);
  return le(18, 4) * std::llabs(static_cast<int32_t>(le(22, 4)));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const bool started = start_library();
  static const std::string path = input_path();
  (void)started;
  FILE *f = fopen(path.c_str(), "wb");
  if (!f || fwrite(data, 1, size, f) != size || fclose(f) != 0)
    abort();
  char reason[128];
  const char *problem;
  if (size >= 26 && bmp_file_problem(path.c_str(), reason, sizeof reason) == nullptr &&
      stated_pixels(data) > MAX_LOADED_PIXELS)
    return 0;
  bool opaque = false;
  BITMAP *bmp = load_checked_bmp(path.c_str(), &problem, reason, sizeof reason, &opaque);
  if (bmp) {
    // What start-up gets is what the library's loader gives, pixel for pixel
    // (the game decodes some pictures itself), and a picture it calls opaque
    // has no pixel in the mask colour.
    PALETTE palette = {};
    BITMAP *plain = load_bitmap(path.c_str(), palette);
    if (!plain || plain->w != bmp->w || plain->h != bmp->h)
      abort();
    const int mask = bitmap_mask_color(bmp);
    for (int y = 0; y < bmp->h; y++)
      for (int x = 0; x < bmp->w; x++)
        if (getpixel(bmp, x, y) != getpixel(plain, x, y) || (opaque && getpixel(bmp, x, y) == mask))
          abort();
    destroy_bitmap(plain);
    destroy_bitmap(bmp);
  }
  return 0;
}
