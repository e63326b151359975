// SPDX-License-Identifier: MIT
// artgen.cpp — paints Coin Flight's two pictures and its icon, and checks them.
//
//   artgen OUTDIR
//
// writes OUTDIR/skypic.bmp (the 4000 x 768 sky strip that scrolls behind the
// plane) and OUTDIR/gameoverpic.bmp (the 424 x 168 game-over panel), as 8-bit
// run-length-encoded BMP files, OUTDIR/coinflight.svg, the menu icon, and
// OUTDIR/coinflight.ico, the same icon for the Windows executable, and
// OUTDIR/icon-192.png, icon-512.png and icon-maskable-512.png for the web
// release (the last with the sky to every edge, for launchers that cut
// their own shape out of it). It
// then reads both pictures back through the game's own picture check and the
// library's BMP loader, converted to 16-bit colour as the game loads them,
// and fails (exit status 1) if a picture
// could break the game: wrong size, a pixel in the transparent mask colour in
// the sky, a visible seam where the strip wraps, a bottom row too dark for the
// black score line, or a file over 1 MiB.
#include <allegro.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bmpcheck.h"
#include "png.h"

namespace {

constexpr int SKY_W = 4000; // one full period of the scrolling strip
constexpr int SKY_H = 768;
constexpr int PANEL_W = 424; // centred on the screen when drawn at (300, 300)
constexpr int PANEL_H = 168;
constexpr long MAX_FILE_BYTES = 1L << 20;
constexpr double TAU = 6.283185307179586;

struct Rgb {
  int r, g, b;
};

// An 8-bit picture: one palette index per pixel, rows top to bottom.
struct Picture {
  int w, h;
  std::vector<Rgb> palette;
  std::vector<uint8_t> pixels;
  Picture(int w_, int h_) : w(w_), h(h_), palette(256, Rgb{0, 0, 0}), pixels(w_ * h_, 0) {}
  uint8_t &at(int x, int y) { return pixels[y * w + x]; }
};

// --- Writing 8-bit RLE BMP files -------------------------------------------

void put16(std::vector<uint8_t> &out, uint32_t v) {
  out.push_back(v & 0xff);
  out.push_back((v >> 8) & 0xff);
}
void put32(std::vector<uint8_t> &out, uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

// Encodes the rows bottom-up as runs of one index (at most 255 long), each
// row closed by an end-of-line mark, the picture by an end-of-bitmap mark.
std::vector<uint8_t> rle8(const Picture &pic) {
  std::vector<uint8_t> data;
  for (int y = pic.h - 1; y >= 0; y--) {
    const uint8_t *row = &pic.pixels[y * pic.w];
    for (int x = 0; x < pic.w;) {
      int run = 1;
      while (x + run < pic.w && run < 255 && row[x + run] == row[x])
        run++;
      data.push_back(run);
      data.push_back(row[x]);
      x += run;
    }
    data.push_back(0);
    data.push_back(0);
  }
  data.push_back(0);
  data.push_back(1);
  return data;
}

// Writes `bytes` to `path`; false if any of it could not be written.
bool write_file(const std::vector<uint8_t> &bytes, const std::string &path) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f)
    return false;
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

bool write_bmp(const Picture &pic, const std::string &path) {
  const std::vector<uint8_t> data = rle8(pic);
  const uint32_t offset = 14 + 40 + 256 * 4;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  put32(out, offset + data.size()); // file size
  put32(out, 0);                    // reserved
  put32(out, offset);               // where the pixel data starts
  put32(out, 40);                   // info header size
  put32(out, pic.w);
  put32(out, pic.h); // positive: rows stored bottom-up
  put16(out, 1);     // planes
  put16(out, 8);     // bits per pixel
  put32(out, 1);     // BI_RLE8
  put32(out, data.size());
  put32(out, 2835); // 72 dpi
  put32(out, 2835);
  put32(out, 256); // colours used
  put32(out, 0);   // all important
  for (const Rgb &c : pic.palette) {
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  out.insert(out.end(), data.begin(), data.end());
  return write_file(out, path);
}

// --- Painting ---------------------------------------------------------------

Rgb mix(Rgb a, Rgb b, double t) {
  return {static_cast<int>(std::lround(a.r + (b.r - a.r) * t)),
          static_cast<int>(std::lround(a.g + (b.g - a.g) * t)),
          static_cast<int>(std::lround(a.b + (b.b - a.b) * t))};
}

// Fills palette entries [first, first + count) with a ramp from a to b.
void ramp(Picture &pic, int first, int count, Rgb a, Rgb b) {
  for (int i = 0; i < count; i++)
    pic.palette[first + i] = mix(a, b, count > 1 ? static_cast<double>(i) / (count - 1) : 0);
}

int shade(int first, int count, double t) {
  int i = static_cast<int>(t * count);
  return first + (i < 0 ? 0 : i >= count ? count - 1 : i);
}

// A small deterministic generator, so the art is the same on every run.
struct Lcg {
  uint32_t s;
  uint32_t next() { return s = s * 1664525u + 1013904223u; }
  double unit() { return (next() >> 8) / 16777216.0; }
  int range(int lo, int hi) { return lo + static_cast<int>(unit() * (hi - lo + 1)); }
};

// Sum of sines whose periods divide the strip's width, so the line joins
// itself where the strip wraps.
double wave(int x, double base, std::initializer_list<std::pair<int, double>> parts) {
  double y = base;
  double phase = 0.7;
  for (auto [cycles, height] : parts) {
    y += height * std::sin(TAU * cycles * x / SKY_W + phase);
    phase += 1.9;
  }
  return y;
}

// Palette layout of the sky picture.
constexpr int SKY0 = 0, SKYN = 112;      // sky gradient, top to horizon
constexpr int CLOUD0 = 112, CLOUDN = 32; // cloud shades, sunlit top to grey base
constexpr int FAR0 = 144, FARN = 24;     // distant blue-green hills
constexpr int NEAR0 = 168, NEARN = 32;   // nearer green hills
constexpr int MEAD0 = 200, MEADN = 32;   // pale meadow along the bottom
constexpr int FLOWER0 = 232;             // flower colours

Picture paint_sky() {
  Picture pic(SKY_W, SKY_H);
  ramp(pic, SKY0, SKYN, {38, 98, 196}, {206, 232, 252});
  ramp(pic, CLOUD0, CLOUDN, {255, 255, 255}, {186, 198, 220});
  ramp(pic, FAR0, FARN, {128, 170, 186}, {104, 150, 160});
  ramp(pic, NEAR0, NEARN, {104, 178, 86}, {70, 140, 62});
  ramp(pic, MEAD0, MEADN, {178, 222, 128}, {214, 238, 168});
  pic.palette[FLOWER0 + 0] = {255, 255, 255};
  pic.palette[FLOWER0 + 1] = {255, 224, 64};
  pic.palette[FLOWER0 + 2] = {244, 152, 188};
  pic.palette[FLOWER0 + 3] = {60, 120, 50}; // grass tufts

  constexpr int HORIZON = 600;
  for (int x = 0; x < SKY_W; x++) {
    const double far_top = wave(x, 580, {{3, 26}, {7, 14}, {13, 7}});
    const double near_top = wave(x, 655, {{5, 20}, {11, 11}, {23, 5}});
    const double meadow_top = wave(x, 716, {{17, 4}, {31, 2}});
    for (int y = 0; y < SKY_H; y++) {
      int index;
      if (y >= meadow_top)
        index = shade(MEAD0, MEADN, (y - meadow_top) / (SKY_H - meadow_top));
      else if (y >= near_top)
        index = shade(NEAR0, NEARN, (y - near_top) / 60.0);
      else if (y >= far_top)
        index = shade(FAR0, FARN, (y - far_top) / 80.0);
      else
        index = shade(SKY0, SKYN, static_cast<double>(y) / HORIZON);
      pic.at(x, y) = index;
    }
  }

  // Cumulus clouds: clusters of round puffs with a flat base, lit from above.
  Lcg rng{20261207};
  for (int c = 0; c < 15; c++) {
    const int cx = c * SKY_W / 15 + rng.range(-80, 80);
    const int base = rng.range(120, 470);
    const int puffs = rng.range(4, 8);
    const int span = rng.range(110, 260);
    struct Puff {
      int x, y, r;
    };
    std::vector<Puff> blob;
    int top = base;
    for (int p = 0; p < puffs; p++) {
      const int px = cx - span / 2 + span * p / (puffs - 1);
      const int r = rng.range(28, 62) * (p == 0 || p == puffs - 1 ? 2 : 3) / 3;
      blob.push_back({px, base - r / 2 - rng.range(0, 14), r});
      top = std::min(top, blob.back().y - r);
    }
    for (const Puff &p : blob)
      for (int dy = -p.r; dy <= p.r; dy++)
        for (int dx = -p.r; dx <= p.r; dx++) {
          const int y = p.y + dy;
          if (dx * dx + dy * dy > p.r * p.r || y > base || y < 0)
            continue;
          const int x = ((p.x + dx) % SKY_W + SKY_W) % SKY_W;
          pic.at(x, y) = shade(CLOUD0, CLOUDN, static_cast<double>(y - top) / (base - top + 1));
        }
  }

  // Flowers and tufts across the meadow, wrapping round the strip's ends.
  for (int i = 0; i < 900; i++) {
    const int x0 = rng.range(0, SKY_W - 1);
    const bool tuft = rng.unit() < 0.4;
    // Dark tufts stay above the score line's rows; light flowers go anywhere.
    const int y0 = tuft ? rng.range(724, 742) : rng.range(724, 764);
    const int colour = tuft ? FLOWER0 + 3 : FLOWER0 + rng.range(0, 2);
    for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++) {
        if (tuft ? dx != 0 && dy >= 0 : dx != 0 && dy != 0)
          continue;
        const int y = y0 + dy - (tuft ? 1 : 0);
        if (y < 0 || y >= SKY_H)
          continue;
        pic.at(((x0 + dx) % SKY_W + SKY_W) % SKY_W, y) = colour;
      }
  }
  return pic;
}

// Palette layout of the game-over panel.
constexpr int MASK = 0, NAVY = 1, RIM = 2, GOLD = 3, WHITE = 4, SHADOW = 5;

// Writes `text` in the library's 8x8 font, magnified `scale` times, with its
// top-left corner at (x, y).
void text(Picture &pic, const char *s, int x, int y, int scale, int colour) {
  const int w = text_length(font, s), h = text_height(font);
  BITMAP *glyphs = create_bitmap_ex(8, w, h);
  clear_to_color(glyphs, 0);
  textout_ex(glyphs, font, s, 0, 0, 1, -1);
  for (int gy = 0; gy < h; gy++)
    for (int gx = 0; gx < w; gx++)
      if (getpixel(glyphs, gx, gy))
        for (int sy = 0; sy < scale; sy++)
          for (int sx = 0; sx < scale; sx++)
            pic.at(x + gx * scale + sx, y + gy * scale + sy) = colour;
  destroy_bitmap(glyphs);
}

// Writes `s` centred horizontally, with a one-step drop shadow.
void centred(Picture &pic, const char *s, int y, int scale, int colour) {
  const int x = (pic.w - text_length(font, s) * scale) / 2;
  const int drop = scale / 2 > 0 ? scale / 2 : 1;
  text(pic, s, x + drop, y + drop, scale, SHADOW);
  text(pic, s, x, y, scale, colour);
}

Picture paint_gameover() {
  Picture pic(PANEL_W, PANEL_H);
  pic.palette[MASK] = {255, 0, 255}; // transparent when drawn as a sprite
  pic.palette[NAVY] = {22, 32, 74};
  pic.palette[RIM] = {205, 130, 0};
  pic.palette[GOLD] = {255, 215, 0};
  pic.palette[WHITE] = {240, 244, 255};
  pic.palette[SHADOW] = {6, 10, 30};
  // A rounded panel: a gold outer rim, a darker inner rim, a navy face.
  constexpr int R = 22;
  for (int y = 0; y < PANEL_H; y++)
    for (int x = 0; x < PANEL_W; x++) {
      const int cx = x < R ? R : x >= PANEL_W - R ? PANEL_W - 1 - R : x;
      const int cy = y < R ? R : y >= PANEL_H - R ? PANEL_H - 1 - R : y;
      const double d = std::hypot(x - cx, y - cy);
      const int edge = std::min({x, y, PANEL_W - 1 - x, PANEL_H - 1 - y});
      const double inset = std::min<double>(edge, R - d);
      pic.at(x, y) = d > R ? MASK : inset < 4 ? GOLD : inset < 7 ? RIM : NAVY;
    }
  centred(pic, "GAME OVER", 38, 5, GOLD);
  centred(pic, "Press Enter", 100, 2, WHITE);
  centred(pic, "to fly again", 124, 2, WHITE);
  return pic;
}

// The menu icon: the game's plane, drawn with the same shapes, in front of a
// gold coin on a rounded patch of sky, as scalable vector graphics.
bool write_icon(const std::string &path) {
  FILE *f = fopen(path.c_str(), "w");
  if (!f)
    return false;
  fputs("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"128\" height=\"128\" "
        "viewBox=\"28 -72 150 150\">\n"
        "  <rect x=\"28\" y=\"-72\" width=\"150\" height=\"150\" rx=\"24\" fill=\"#5f93e0\"/>\n"
        "  <circle cx=\"140\" cy=\"-30\" r=\"30\" fill=\"#ffd700\"/>\n"
        "  <circle cx=\"140\" cy=\"-30\" r=\"27\" fill=\"#cd8200\"/>\n"
        "  <polygon points=\"122,-21 158,-21 140,-51\" fill=\"#ffd700\"/>\n"
        "  <polygon points=\"122,-39 158,-39 140,-9\" fill=\"#ffd700\"/>\n"
        "  <circle cx=\"150\" cy=\"13\" r=\"12\" fill=\"#646464\"/>\n"
        "  <ellipse cx=\"120\" cy=\"0\" rx=\"21\" ry=\"10\" fill=\"#9696ff\" "
        "stroke=\"#323232\"/>\n"
        "  <rect x=\"50\" y=\"0\" width=\"101\" height=\"26\" fill=\"#003200\"/>\n"
        "  <polygon points=\"50,0 50,-25 70,0\" fill=\"#003200\"/>\n"
        "  <ellipse cx=\"50\" cy=\"0\" rx=\"15\" ry=\"25\" fill=\"#003200\"/>\n"
        "  <rect x=\"162\" y=\"-5\" width=\"2\" height=\"37\" fill=\"#000000\"/>\n"
        "  <circle cx=\"51\" cy=\"-5\" r=\"8\" fill=\"#c80000\"/>\n"
        "  <rect x=\"90\" y=\"10\" width=\"51\" height=\"3\" fill=\"#c80000\"/>\n"
        "  <rect x=\"149\" y=\"0\" width=\"2\" height=\"26\" fill=\"#000000\"/>\n"
        "</svg>\n",
        f);
  return fclose(f) == 0;
}

// The same icon as pixels, for Windows and the web: the shapes above painted
// with the library's primitives at `size` x `size`, four times oversampled and
// averaged down, so that the edges are smooth and the rounded corners fade
// out. A maskable icon is sky to every edge, with the shapes shrunk into the
// middle circle that every launcher's mask keeps.
struct Rgba {
  uint8_t r, g, b, a;
};
constexpr double MASKABLE_SHRINK =
    0.72; // the shapes reach 53% of the side from the centre; the safe circle 40%
std::vector<Rgba> paint_icon(int size, bool maskable = false) {
  constexpr int OVERSAMPLE = 4;
  const int big = size * OVERSAMPLE;
  BITMAP *bmp = create_bitmap_ex(32, big, big);
  const int empty = makecol32(255, 0, 255); // no shape of the icon is magenta
  clear_to_color(bmp, empty);
  const double shrink = maskable ? MASKABLE_SHRINK : 1.0;
  const double scale = big / 150.0 * shrink; // the icon's viewBox is 150 units square
  const double margin = big * (1 - shrink) / 2;
  auto X = [&](double x) { return static_cast<int>(std::lround((x - 28) * scale + margin)); };
  auto Y = [&](double y) { return static_cast<int>(std::lround((y + 72) * scale + margin)); };
  auto L = [&](double length) { return static_cast<int>(std::lround(length * scale)); };
  auto rgb = [](int hex) { return makecol32(hex >> 16, (hex >> 8) & 0xff, hex & 0xff); };
  // A box given as in the SVG: x, y, width, height.
  auto box = [&](double x, double y, double w, double h, int colour) {
    rectfill(bmp, X(x), Y(y), X(x + w) - 1, Y(y + h) - 1, colour);
  };

  const int sky = rgb(0x5f93e0), gold = rgb(0xffd700), green = rgb(0x003200), red = rgb(0xc80000);
  if (maskable) {
    clear_to_color(bmp, sky);
  } else {
    box(52, -72, 102, 150, sky); // the rounded patch of sky: a cross and four corners
    box(28, -48, 150, 102, sky);
    for (double cx : {52.0, 154.0})
      for (double cy : {-48.0, 54.0})
        circlefill(bmp, X(cx), Y(cy), L(24), sky);
  }
  circlefill(bmp, X(140), Y(-30), L(30), gold);
  circlefill(bmp, X(140), Y(-30), L(27), rgb(0xcd8200));
  triangle(bmp, X(122), Y(-21), X(158), Y(-21), X(140), Y(-51), gold);
  triangle(bmp, X(122), Y(-39), X(158), Y(-39), X(140), Y(-9), gold);
  circlefill(bmp, X(150), Y(13), L(12), rgb(0x646464));
  ellipsefill(bmp, X(120), Y(0), L(21.5), L(10.5), rgb(0x323232)); // canopy frame
  ellipsefill(bmp, X(120), Y(0), L(20.5), L(9.5), rgb(0x9696ff));
  box(50, 0, 101, 26, green);
  triangle(bmp, X(50), Y(0), X(50), Y(-25), X(70), Y(0), green);
  ellipsefill(bmp, X(50), Y(0), L(15), L(25), green);
  box(162, -5, 2, 37, rgb(0x000000));
  circlefill(bmp, X(51), Y(-5), L(8), red);
  box(90, 10, 51, 3, red);
  box(149, 0, 2, 26, rgb(0x000000));

  std::vector<Rgba> px(size * size);
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      int r = 0, g = 0, b = 0, covered = 0;
      for (int sy = 0; sy < OVERSAMPLE; sy++)
        for (int sx = 0; sx < OVERSAMPLE; sx++) {
          const int c = getpixel(bmp, x * OVERSAMPLE + sx, y * OVERSAMPLE + sy);
          if (c == empty)
            continue;
          r += getr32(c);
          g += getg32(c);
          b += getb32(c);
          covered++;
        }
      if (covered)
        px[y * size + x] = {static_cast<uint8_t>(r / covered), static_cast<uint8_t>(g / covered),
                            static_cast<uint8_t>(b / covered),
                            static_cast<uint8_t>(covered * 255 / (OVERSAMPLE * OVERSAMPLE))};
    }
  destroy_bitmap(bmp);
  return px;
}

// The Windows icon file: the icon at the sizes Explorer and the title bar
// ask for, each a 32-bit picture with its transparency and a 1-bit mask for
// old renderers.
bool write_ico(const std::string &path) {
  const int sizes[] = {16, 24, 32, 48, 64, 256};
  const int count = sizeof sizes / sizeof sizes[0];
  std::vector<uint8_t> out, images;
  put16(out, 0); // reserved
  put16(out, 1); // an icon
  put16(out, count);
  for (int size : sizes) {
    const std::vector<Rgba> px = paint_icon(size);
    const int mask_row = (size + 31) / 32 * 4;
    std::vector<uint8_t> image;
    put32(image, 40);
    put32(image, size);
    put32(image, size * 2); // the picture and its mask, one above the other
    put16(image, 1);
    put16(image, 32);
    put32(image, 0); // uncompressed
    put32(image, size * size * 4 + mask_row * size);
    for (int i = 0; i < 4; i++)
      put32(image, 0);
    for (int y = size - 1; y >= 0; y--)
      for (int x = 0; x < size; x++) {
        const Rgba &c = px[y * size + x];
        image.insert(image.end(), {c.b, c.g, c.r, c.a});
      }
    for (int y = size - 1; y >= 0; y--) {
      std::vector<uint8_t> row(mask_row, 0);
      for (int x = 0; x < size; x++)
        if (px[y * size + x].a == 0)
          row[x / 8] |= 0x80 >> (x % 8);
      image.insert(image.end(), row.begin(), row.end());
    }
    out.push_back(size == 256 ? 0 : size); // 0 stands for 256
    out.push_back(size == 256 ? 0 : size);
    out.push_back(0); // no palette
    out.push_back(0);
    put16(out, 1);  // planes
    put16(out, 32); // bits per pixel
    put32(out, image.size());
    put32(out, 6 + 16 * count + images.size());
    images.insert(images.end(), image.begin(), image.end());
  }
  out.insert(out.end(), images.begin(), images.end());
  return write_file(out, path);
}

// The web release's icons: PNG files of the icon at the sizes a web app
// manifest names.
bool write_web_icon(const std::string &path, int size, bool maskable) {
  std::vector<uint8_t> bytes;
  for (const Rgba &c : paint_icon(size, maskable))
    bytes.insert(bytes.end(), {c.r, c.g, c.b, c.a});
  return write_png(path, size, size, bytes);
}

// --- Checking what the game will load ---------------------------------------

int problems = 0;
void check(bool ok, const char *what) {
  if (!ok) {
    fprintf(stderr, "artgen: check failed: %s\n", what);
    problems++;
  }
}

// Loads a picture through the game's own check; a refusal is a failed check.
BITMAP *load_as_the_game_does(const std::string &path) {
  char reason[128];
  const char *problem = nullptr;
  BITMAP *bmp = load_checked_bmp(path.c_str(), &problem, reason, sizeof reason);
  if (problem)
    fprintf(stderr, "artgen: the game's picture check refuses %s: %s\n", path.c_str(), problem);
  return bmp;
}

// Brightness of a 16-bit pixel, 0 to 255.
int luma(int c) { return (299 * getr16(c) + 587 * getg16(c) + 114 * getb16(c)) / 1000; }

void check_sky(const std::string &path) {
  BITMAP *sky = load_as_the_game_does(path);
  check(sky != nullptr, "the sky loads");
  if (!sky)
    return;
  check(sky->w == SKY_W && sky->h == SKY_H, "the sky is 4000 x 768");
  check(bitmap_color_depth(sky) == 16, "the sky loads as 16-bit colour");
  const int mask = bitmap_mask_color(sky);
  int mask_pixels = 0, dark_bottom = 0;
  for (int y = 0; y < sky->h; y++)
    for (int x = 0; x < sky->w; x++) {
      const int c = getpixel(sky, x, y);
      mask_pixels += c == mask;
      if (y >= 746 && y < 762 && luma(c) < 150)
        dark_bottom++;
    }
  check(mask_pixels == 0, "no sky pixel is in the transparent mask colour");
  check(dark_bottom == 0, "the sky behind the score line is light");
  // The wrap from the last column to the first must differ no more than the
  // most different pair of neighbouring columns inside the strip.
  auto column_change = [&](int a, int b) {
    int changed = 0;
    for (int y = 0; y < sky->h; y++) {
      const int ca = getpixel(sky, a, y), cb = getpixel(sky, b, y);
      changed += std::abs(luma(ca) - luma(cb)) > 24;
    }
    return changed;
  };
  int worst_inside = 0;
  for (int x = 0; x + 1 < sky->w; x++)
    worst_inside = std::max(worst_inside, column_change(x, x + 1));
  check(column_change(SKY_W - 1, 0) <= worst_inside, "no seam where the strip wraps");
  destroy_bitmap(sky);
}

void check_panel(const std::string &path) {
  BITMAP *panel = load_as_the_game_does(path);
  check(panel != nullptr, "the game-over panel loads");
  if (!panel)
    return;
  check(panel->w == PANEL_W && panel->h == PANEL_H, "the panel is 424 x 168");
  const int mask = bitmap_mask_color(panel);
  check(getpixel(panel, 0, 0) == mask, "the panel's corners are transparent");
  check(getpixel(panel, PANEL_W / 2, 20) != mask, "the panel's face is opaque");
  destroy_bitmap(panel);
}

long file_size(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: artgen OUTDIR\n");
    return 2;
  }
  if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
    fprintf(stderr, "artgen: cannot start the Allegro library\n");
    return 1;
  }
  const std::string dir = argv[1];
  const std::string sky = dir + "/skypic.bmp", panel = dir + "/gameoverpic.bmp";
  if (!write_bmp(paint_sky(), sky) || !write_bmp(paint_gameover(), panel) ||
      !write_icon(dir + "/coinflight.svg") || !write_ico(dir + "/coinflight.ico") ||
      !write_web_icon(dir + "/icon-192.png", 192, false) ||
      !write_web_icon(dir + "/icon-512.png", 512, false) ||
      !write_web_icon(dir + "/icon-maskable-512.png", 512, true)) {
    fprintf(stderr, "artgen: cannot write into %s\n", dir.c_str());
    return 1;
  }
  set_color_depth(16); // read back the way the game reads them
  check_sky(sky);
  check_panel(panel);
  check(file_size(sky) > 0 && file_size(sky) < MAX_FILE_BYTES, "skypic.bmp is under 1 MiB");
  check(file_size(panel) > 0 && file_size(panel) < MAX_FILE_BYTES,
        "gameoverpic.bmp is under 1 MiB");
  if (problems)
    return 1;
  printf("artgen: wrote and checked %s (%ld bytes) and %s (%ld bytes)\n", sky.c_str(),
         file_size(sky), panel.c_str(), file_size(panel));
  return 0;
}
