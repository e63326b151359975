// SPDX-License-Identifier: MIT
// The picture check: hostile BMP files are refused with their reason, and
// ordinary ones load exactly as the library's loader alone loads them.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "bmpcheck.h"
#include "headless.h"

namespace {

std::string le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; i++)
    s += static_cast<char>(v >> (8 * i) & 0xff);
  return s;
}

// A BMP file with a 40-byte header, a grey palette of `colours` entries and
// `data` as its pixels, every size field filled in to match.
std::string bmp(int32_t w, int32_t h, int bits, int compression, const std::string &data,
                int colours = 16) {
  std::string palette;
  for (int i = 0; i < colours; i++)
    palette += std::string(3, static_cast<char>(i * 16)) + '\0';
  const uint32_t offset = 14 + 40 + palette.size();
  return "BM" + le(offset + data.size(), 4) + le(0, 4) + le(offset, 4) + le(40, 4) + le(w, 4) +
         le(h, 4) + le(1, 2) + le(bits, 2) + le(compression, 4) + le(data.size(), 4) + le(2835, 4) +
         le(2835, 4) + le(colours, 4) + le(0, 4) + palette + data;
}

std::string write_temp(const std::string &bytes) {
  static int n = 0;
  const std::string path = testing::TempDir() + "picture" + std::to_string(getpid()) + "_" +
                           std::to_string(n++) + ".bmp";
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

constexpr int RLE8 = 1, RLE4 = 2;

} // namespace

// Each class of damage that made the library's loader write outside its
// bitmap, in both run-length formats, 5 x 3 pixels (rows 2 to 0 in file
// order). An end of line is "\0\0", a jump "\0\2" right up.
TEST_F(Headless, HostilePicturesAreRefusedWithTheirReason) {
  const std::string EOL("\0\0", 2), EOP("\0\1", 2), JUMP("\0\2", 2);
  struct Case {
    const char *name;
    std::string file;
    const char *reason;
  };
  const std::vector<Case> cases = {
      {"RLE8 run past the row", bmp(5, 3, 8, RLE8, "\x06\x01" + EOP),
       "damaged pixel data (a run passes the end of row 2)"},
      {"RLE8 run after a full row", bmp(5, 3, 8, RLE8, "\x05\x01" + EOL + "\x04\x01\x02\x01" + EOP),
       "damaged pixel data (a run passes the end of row 1)"},
      {"RLE8 literal run past the row",
       bmp(5, 3, 8, RLE8, std::string("\0\x06", 2) + "abcdef" + EOP),
       "damaged pixel data (an uncompressed run passes the end of row 2)"},
      {"RLE8 jump past the right edge", bmp(5, 3, 8, RLE8, "\x03\x01" + JUMP + "\x03" + '\0' + EOP),
       "damaged pixel data (a jump passes the right edge, in row 2)"},
      {"RLE8 jump above the picture", bmp(5, 3, 8, RLE8, EOL + JUMP + '\0' + "\x02" + EOP),
       "damaged pixel data (a jump passes the top of the picture, from row 1)"},
      {"RLE8 ends before its end mark", bmp(5, 3, 8, RLE8, "\x05\x01" + EOL + "\x05\x01"),
       "damaged pixel data (the data ends before the picture is complete, in row 1)"},
      {"RLE8 ends inside a literal run", bmp(5, 3, 8, RLE8, std::string("\0\x05", 2) + "ab"),
       "damaged pixel data (the data ends inside an uncompressed run, in row 2)"},
      {"RLE8 ends inside a jump", bmp(5, 3, 8, RLE8, JUMP + "\x01"),
       "damaged pixel data (the data ends inside a jump, in row 2)"},
      {"RLE4 run past the row", bmp(5, 3, 4, RLE4, "\x06\x12" + EOP),
       "damaged pixel data (a run passes the end of row 2)"},
      {"RLE4 literal run past the row",
       bmp(5, 3, 4, RLE4, "\x04\x12" + std::string("\0\x03", 2) + "\x12\x30" + EOP),
       "damaged pixel data (an uncompressed run passes the end of row 2)"},
      {"RLE4 jump above the picture", bmp(5, 3, 4, RLE4, JUMP + '\0' + "\x03" + EOP),
       "damaged pixel data (a jump passes the top of the picture, from row 2)"},
      {"RLE4 ends inside a literal run", bmp(5, 3, 4, RLE4, std::string("\0\x05", 2) + "\x12\x34"),
       "damaged pixel data (the data ends inside an uncompressed run, in row 2)"},
      {"RLE stored top-down", bmp(5, -3, 8, RLE8, "\x05\x01" + EOP),
       "damaged header (a run-length encoded picture stored top-down)"},
      {"RLE8 with 24 bits a pixel", bmp(5, 3, 24, RLE8, "\x05\x01" + EOP),
       "damaged header (RLE8 with 24 bits per pixel)"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = write_temp(c.file);
    char reason[128];
    const char *problem = nullptr;
    EXPECT_EQ(load_checked_bmp(path.c_str(), &problem, reason, sizeof reason), nullptr);
    EXPECT_STREQ(problem, c.reason);
    unlink(path.c_str());
  }
}

// The fuzzer's seeds are ordinary pictures of every kind the loader reads
// (1 to 32 bits, bit fields, RLE8 and RLE4, OS/2 headers, the game's own):
// each passes the check and loads to the very pixels the loader alone gives,
// those the game decodes itself (8-bit run-length) too.
// The sky also holds the check's cost down to a fraction of loading it.
TEST_F(Headless, OrdinaryPicturesPassTheCheckAndLoadAsBefore) {
  DIR *dir = opendir(COINFLIGHT_SEEDS);
  ASSERT_NE(dir, nullptr);
  int pictures = 0;
  while (const dirent *entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() < 4 || name.substr(name.size() - 4) != ".bmp")
      continue;
    SCOPED_TRACE(name);
    const std::string path = std::string(COINFLIGHT_SEEDS) + "/" + name;
    char reason[128];
    const char *problem = nullptr;
    bool opaque = false;
    BITMAP *checked = load_checked_bmp(path.c_str(), &problem, reason, sizeof reason, &opaque);
    EXPECT_EQ(problem, nullptr) << problem;
    if (checked) {
      EXPECT_EQ(opaque, !has_mask_pixels(checked) && (name == "sky.bmp" || name == "rle8.bmp"))
          << "opaque is told of 8-bit run-length pictures without mask pixels, and only those";
    }
    BITMAP *plain = load_bitmap(path.c_str(), nullptr);
    ASSERT_EQ(checked == nullptr, plain == nullptr);
    if (plain) {
      ASSERT_EQ(checked->w, plain->w);
      ASSERT_EQ(checked->h, plain->h);
      int differ = 0;
      for (int y = 0; y < plain->h; y++)
        for (int x = 0; x < plain->w; x++)
          differ += getpixel(checked, x, y) != getpixel(plain, x, y);
      EXPECT_EQ(differ, 0);
      destroy_bitmap(plain);
      destroy_bitmap(checked);
    }
    pictures++;
  }
  closedir(dir);
  EXPECT_GE(pictures, 14);
}
