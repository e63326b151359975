// SPDX-License-Identifier: MIT
// bmpcheck.cpp — header, size and pixel-data checks of a BMP file.
//
// The library's loader trusts what it reads. For run-length encoded pictures
// it writes each run before it looks at the end of the row, moves by a jump
// without a bound, and reads on past the end of the file. So for those the
// check follows the stream exactly as the loader will, escape by escape, and
// refuses it if any pixel would land outside the picture or the stream would
// run out before the loader stops.
#include "bmpcheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

// BMP header sizes and compression codes, as the format defines them.
constexpr int FILE_HEADER_SIZE = 14;
constexpr uint32_t OS2_INFO_SIZE = 12;
constexpr uint32_t WIN_INFO_MIN_SIZE = 40;
constexpr uint32_t WIN_INFO_MAX_SIZE = 124;
constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;

// The escapes of a run-length stream: a zero count, then one of these codes;
// any larger code starts an absolute run of that many pixels.
constexpr int RLE_END_OF_LINE = 0, RLE_END_OF_PICTURE = 1, RLE_JUMP = 2;

static uint32_t le16(const unsigned char *p) { return p[0] | (p[1] << 8); }
static uint32_t le32(const unsigned char *p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads the rest of a file, held in memory, byte by byte.
struct Stream {
  const unsigned char *p;
  int64_t left;
  // True when `n` more bytes are there to read.
  bool has(int64_t n) const { return left >= n; }
  // The next byte; only called after has() said it is there.
  int next() {
    left--;
    return *p++;
  }
  // Passes over `n` bytes that has() said are there.
  void skip(int64_t n) {
    left -= n;
    p += n;
  }
};

// Follows a run-length stream the way the loader reads it: rows from the
// bottom (y = height - 1) up, each run, absolute run and jump moving x, an
// end-of-line mark moving up a row, until the end-of-picture mark or the top
// row's end. `bits` is 8 for RLE8 and 4 for RLE4.
static const char *rle_problem(Stream &s, int64_t width, int64_t height, int bits, char *reason,
                               int reason_size) {
  int64_t x = 0, y = height - 1;
  auto damaged = [&](const char *what) {
    snprintf(reason, reason_size, "damaged pixel data (%s %lld)", what, static_cast<long long>(y));
    return reason;
  };
  for (;;) {
    if (!s.has(2))
      return damaged("the data ends before the picture is complete, in row");
    const int count = s.next(), code = s.next();
    if (count > 0) {
      if (x + count > width)
        return damaged("a run passes the end of row");
      x += count;
    } else if (code == RLE_END_OF_LINE) {
      x = 0;
      if (--y < 0)
        return nullptr; // the loader stops after the top row
    } else if (code == RLE_END_OF_PICTURE) {
      return nullptr;
    } else if (code == RLE_JUMP) {
      if (!s.has(2))
        return damaged("the data ends inside a jump, in row");
      const int right = s.next(), up = s.next();
      if (x + right > width)
        return damaged("a jump passes the right edge, in row");
      if (y - up < 0)
        return damaged("a jump passes the top of the picture, from row");
      x += right;
      y -= up;
    } else {
      // An absolute run: `code` pixels given one by one, padded to whole
      // 16-bit words (RLE8 pads an odd count with one byte, RLE4 reads a
      // word for every four pixels).
      const int64_t bytes = bits == 8 ? code + (code & 1) : (code + 3) / 4 * 2;
      if (x + code > width)
        return damaged("an uncompressed run passes the end of row");
      if (!s.has(bytes))
        return damaged("the data ends inside an uncompressed run, in row");
      s.skip(bytes);
      x += code;
    }
  }
}

// The check, keeping what it read of the file in `bytes`: the whole file for
// a run-length encoded picture, the headers for any other.
static const char *file_problem(const char *path, std::vector<unsigned char> &bytes, char *reason,
                                int reason_size) {
  struct stat st;
  if (stat(path, &st) != 0)
    return errno == ENOENT ? "file missing" : "file unreadable";
  if (S_ISDIR(st.st_mode))
    return "a directory stands in its place";
  if (!S_ISREG(st.st_mode))
    return "not a regular file";
  if (st.st_size == 0)
    return "file is empty";

  const std::unique_ptr<FILE, int (*)(FILE *)> file(fopen(path, "rb"), fclose);
  FILE *f = file.get();
  if (!f)
    return "file unreadable";
  unsigned char h[FILE_HEADER_SIZE + WIN_INFO_MIN_SIZE] = {0};
  size_t got = fread(h, 1, sizeof h, f);

  if (got < 2 || h[0] != 'B' || h[1] != 'M')
    return "not a BMP picture";
  if (got < FILE_HEADER_SIZE + OS2_INFO_SIZE)
    return "cut short inside its header";

  const uint32_t data_offset = le32(h + 10);
  const uint32_t info_size = le32(h + 14);
  int64_t width, height;
  uint32_t bits, compression = BI_RGB, image_size = 0;
  if (info_size == OS2_INFO_SIZE) {
    width = le16(h + 18);
    height = le16(h + 20);
    bits = le16(h + 24);
  } else if (info_size >= WIN_INFO_MIN_SIZE && info_size <= WIN_INFO_MAX_SIZE) {
    if (got < sizeof h)
      return "cut short inside its header";
    width = static_cast<int32_t>(le32(h + 18));
    height = static_cast<int32_t>(le32(h + 22));
    bits = le16(h + 28);
    compression = le32(h + 30);
    image_size = le32(h + 34);
  } else {
    return "damaged header (unknown header size)";
  }

  const bool top_down = height < 0;
  height = std::llabs(height);
  if (width <= 0 || height <= 0 || width > BMP_MAX_SIDE || height > BMP_MAX_SIDE) {
    snprintf(reason, reason_size, "damaged header (dimensions %lld x %lld)",
             static_cast<long long>(width), static_cast<long long>(height));
    return reason;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    return "damaged header (bits per pixel)";
  if (data_offset < FILE_HEADER_SIZE + info_size)
    return "damaged header (pixel data offset)";

  // How many bytes the header promises: every row for plain pictures, the
  // stated compressed size for run-length encoded ones.
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  int64_t promised;
  if (compression == BI_RGB || compression == BI_BITFIELDS) {
    const int64_t row_bytes = (width * bits + 31) / 32 * 4;
    promised = data_offset + row_bytes * height;
  } else if (rle) {
    promised = static_cast<int64_t>(data_offset) + image_size;
  } else {
    return "unsupported compression";
  }
  if (st.st_size < promised) {
    snprintf(reason, reason_size, "cut short (%lld of %lld bytes)",
             static_cast<long long>(st.st_size), static_cast<long long>(promised));
    return reason;
  }
  // The loader reads only these two header sizes; any other it refuses by
  // itself, before it reads a pixel.
  if (!rle || info_size != WIN_INFO_MIN_SIZE)
    return nullptr;

  // The format stores run-length pictures bottom-up only, in 8 or 4 bits.
  const int rle_bits = compression == BI_RLE8 ? 8 : 4;
  if (top_down)
    return "damaged header (a run-length encoded picture stored top-down)";
  if (bits != static_cast<uint32_t>(rle_bits)) {
    snprintf(reason, reason_size, "damaged header (RLE%d with %u bits per pixel)", rle_bits, bits);
    return reason;
  }
  // The loader reads the palette up to the data offset, then the stream.
  bytes.assign(h, h + got);
  bytes.resize(static_cast<size_t>(st.st_size));
  const size_t rest = bytes.size() - got;
  if (fread(bytes.data() + got, 1, rest, f) != rest)
    return "file unreadable";
  Stream s{bytes.data() + data_offset, st.st_size - data_offset};
  return rle_problem(s, width, height, rle_bits, reason, reason_size);
}

const char *bmp_file_problem(const char *path, char *reason, int reason_size) {
  std::vector<unsigned char> bytes;
  return file_problem(path, bytes, reason, reason_size);
}

// The 16-bit pixel of each of the 256 colours of an 8-bit picture, converted
// by the library exactly as its loader converts the picture, pixel by pixel.
static bool palette_pixels(const PALETTE palette, uint16_t pixels[PAL_SIZE]) {
  BITMAP *indexes = create_bitmap_ex(8, PAL_SIZE, 1);
  BITMAP *converted = create_bitmap_ex(16, PAL_SIZE, 1);
  const bool made = indexes && converted;
  if (made) {
    for (int i = 0; i < PAL_SIZE; i++)
      indexes->line[0][i] = static_cast<unsigned char>(i);
    select_palette(palette);
    blit(indexes, converted, 0, 0, 0, 0, PAL_SIZE, 1);
    unselect_palette();
    memcpy(pixels, converted->line[0], PAL_SIZE * sizeof pixels[0]);
  }
  destroy_bitmap(indexes);
  destroy_bitmap(converted);
  return made;
}

// Runs shorter than this are filled pixel by pixel.
constexpr int FILL_BY_COPYING = 16;

// Fills `n` pixels with `c`: a short run pixel by pixel, a longer one by
// copies that double what is filled, which run at the memory's speed even
// in a browser engine's first tier, where start-up's code runs once.
static void fill(uint16_t *out, int n, uint16_t c) {
  if (n < FILL_BY_COPYING) {
    for (int i = 0; i < n; i++)
      out[i] = c;
    return;
  }
  out[0] = c;
  for (int done = 1; done < n; done *= 2)
    memcpy(out + done, out, static_cast<size_t>(std::min(done, n - done)) * sizeof *out);
}

// Decodes an 8-bit run-length picture that the check has passed straight
// into a 16-bit bitmap. The loader decodes it into an 8-bit bitmap cleared to
// colour 0 and converts that pixel by pixel; this follows its stream the same
// way, escape by escape, and writes each pixel's converted colour at once:
// the same pixels for a fraction of the work, which start-up spends on the
// sky's three million. `opaque` tells whether no colour the picture uses is
// the mask colour (colour 0, which unwritten pixels keep, counts as used).
static BITMAP *load_rle8(const std::vector<unsigned char> &file, bool *opaque) {
  const size_t data_offset = le32(&file[10]);
  const int width = static_cast<int>(le32(&file[18]));
  const int height = static_cast<int>(le32(&file[22]));

  // The palette as the loader reads it: blue, green, red and a spare byte
  // for each colour, 6 bits a level, from the end of the headers to the data.
  PALETTE palette = {};
  size_t at = FILE_HEADER_SIZE + WIN_INFO_MIN_SIZE;
  for (int i = 0; i < PAL_SIZE && at + 3 <= data_offset; i++, at += 4) {
    palette[i].b = file[at] / 4;
    palette[i].g = file[at + 1] / 4;
    palette[i].r = file[at + 2] / 4;
  }
  uint16_t colour[PAL_SIZE];
  if (!palette_pixels(palette, colour))
    return nullptr;
  BITMAP *bmp = create_bitmap_ex(16, width, height);
  if (!bmp)
    return nullptr;
  // Cleared to colour 0, as the loader's bitmap is before it reads the runs.
  fill(reinterpret_cast<uint16_t *>(bmp->line[0]), width, colour[0]);
  for (int y = 1; y < height; y++)
    memcpy(bmp->line[y], bmp->line[0], static_cast<size_t>(width) * sizeof(uint16_t));

  bool used[PAL_SIZE] = {true}; // colour 0: what the loader's clearing leaves
  const unsigned char *p = file.data() + data_offset, *end = file.data() + file.size();
  int x = 0, y = height - 1;
  auto row = [&] { return reinterpret_cast<uint16_t *>(bmp->line[y]); };
  while (y >= 0 && end - p >= 2) {
    const int count = p[0], code = p[1];
    p += 2;
    if (count > 0) {
      fill(row() + x, std::min(count, width - x), colour[code]);
      used[code] = true;
      x += count;
    } else if (code == RLE_END_OF_LINE) {
      x = 0;
      y--;
    } else if (code == RLE_END_OF_PICTURE) {
      break;
    } else if (code == RLE_JUMP) {
      if (end - p < 2)
        break;
      x += p[0];
      y -= p[1];
      p += 2;
    } else {
      const int bytes = code + (code & 1);
      if (end - p < bytes)
        break;
      const int n = std::min(code, width - x);
      uint16_t *out = row() + x;
      for (int i = 0; i < n; i++) {
        out[i] = colour[p[i]];
        used[p[i]] = true;
      }
      p += bytes;
      x += code;
    }
  }
  const int mask = bitmap_mask_color(bmp);
  *opaque = true;
  for (int i = 0; i < PAL_SIZE; i++)
    if (used[i] && colour[i] == mask)
      *opaque = false;
  return bmp;
}

// Whether the file, which the check has passed, is an 8-bit run-length
// picture that load_rle8() reads as the loader would into this screen's
// 16-bit colours.
static bool decoded_here(const std::vector<unsigned char> &file) {
  return file.size() >= FILE_HEADER_SIZE + WIN_INFO_MIN_SIZE &&
         le32(&file[14]) == WIN_INFO_MIN_SIZE && le16(&file[28]) == 8 &&
         le32(&file[30]) == BI_RLE8 && get_color_depth() == 16 &&
         (get_color_conversion() & COLORCONV_8_TO_16) != 0;
}

BITMAP *load_checked_bmp(const char *path, const char **problem, char *reason, int reason_size,
                         bool *opaque) {
  bool known_opaque = false;
  if (opaque)
    *opaque = false;
  std::vector<unsigned char> file;
  *problem = file_problem(path, file, reason, reason_size);
  if (*problem)
    return nullptr;
  if (decoded_here(file)) {
    BITMAP *bmp = load_rle8(file, &known_opaque);
    if (bmp && opaque)
      *opaque = known_opaque;
    return bmp;
  }
  // The loader fills in only the colours the file lists, but converting an
  // 8-bit picture reads all 256 and uses them as table indexes: without a
  // palette of its own it would use whatever its stack held. Colours the file
  // does not list are black here.
  PALETTE palette = {};
  return load_bitmap(path, palette);
}
