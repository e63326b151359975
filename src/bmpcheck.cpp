// SPDX-License-Identifier: MIT
// bmpcheck.cpp — header and size checks of a BMP file.
#include "bmpcheck.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// BMP header sizes and compression codes, as the format defines them.
constexpr int FILE_HEADER_SIZE = 14;
constexpr uint32_t OS2_INFO_SIZE = 12;
constexpr uint32_t WIN_INFO_MIN_SIZE = 40;
constexpr uint32_t WIN_INFO_MAX_SIZE = 124;
constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;

static uint32_t le16(const unsigned char *p) { return p[0] | (p[1] << 8); }
static uint32_t le32(const unsigned char *p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

const char *bmp_file_problem(const char *path, char *reason, int reason_size) {
  struct stat st;
  if (stat(path, &st) != 0)
    return errno == ENOENT ? "file missing" : "file unreadable";
  if (S_ISDIR(st.st_mode))
    return "a directory stands in its place";
  if (!S_ISREG(st.st_mode))
    return "not a regular file";
  if (st.st_size == 0)
    return "file is empty";

  FILE *f = fopen(path, "rb");
  if (!f)
    return "file unreadable";
  unsigned char h[FILE_HEADER_SIZE + WIN_INFO_MIN_SIZE] = {0};
  size_t got = fread(h, 1, sizeof h, f);
  fclose(f);

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
  int64_t promised;
  if (compression == BI_RGB || compression == BI_BITFIELDS) {
    const int64_t row_bytes = (width * bits + 31) / 32 * 4;
    promised = data_offset + row_bytes * height;
  } else if (compression == BI_RLE8 || compression == BI_RLE4) {
    promised = static_cast<int64_t>(data_offset) + image_size;
  } else {
    return "unsupported compression";
  }
  if (st.st_size < promised) {
    snprintf(reason, reason_size, "cut short (%lld of %lld bytes)",
             static_cast<long long>(st.st_size), static_cast<long long>(promised));
    return reason;
  }
  return nullptr;
}
