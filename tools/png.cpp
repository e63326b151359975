// SPDX-License-Identifier: MIT
// png.cpp — a PNG writer with a small deflate of its own: one block of the
// fixed Huffman codes, greedy matches found through hash chains. It gives up
// a few per cent against zlib's best and depends on no zlib version.
#include "png.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int WINDOW = 32768; // how far back deflate may refer
constexpr int MIN_MATCH = 3;
constexpr int MAX_MATCH = 258;
constexpr int MAX_CHAIN = 128; // candidates tried per position
constexpr int HASH_BITS = 15;

// Deflate's lengths 3..258 and distances 1..32768: each code's first value and extra bits.
constexpr std::array<int, 29> LENGTH_BASE = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> LENGTH_EXTRA = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> DIST_BASE = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> DIST_EXTRA = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Writes bits least significant first, as deflate packs them.
struct Bits {
  std::vector<uint8_t> &out;
  uint32_t pending = 0;
  int count = 0;
  void put(uint32_t value, int n) {
    pending |= value << count;
    count += n;
    while (count >= 8) {
      out.push_back(pending & 0xff);
      pending >>= 8;
      count -= 8;
    }
  }
  // A Huffman code goes out most significant bit first.
  void code(uint32_t value, int n) {
    uint32_t reversed = 0;
    for (int i = 0; i < n; i++)
      reversed |= ((value >> i) & 1) << (n - 1 - i);
    put(reversed, n);
  }
  void flush() {
    if (count > 0)
      out.push_back(pending & 0xff);
    pending = 0;
    count = 0;
  }
};

// The fixed code of a literal byte (0-255), the end mark (256) or a length code (257-285).
void symbol(Bits &bits, int s) {
  if (s < 144)
    bits.code(0x30 + s, 8);
  else if (s < 256)
    bits.code(0x190 + s - 144, 9);
  else if (s < 280)
    bits.code(s - 256, 7);
  else
    bits.code(0xc0 + s - 280, 8);
}

void match(Bits &bits, int length, int distance) {
  int l = 28;
  while (LENGTH_BASE[l] > length)
    l--;
  symbol(bits, 257 + l);
  bits.put(length - LENGTH_BASE[l], LENGTH_EXTRA[l]);
  int d = 29;
  while (DIST_BASE[d] > distance)
    d--;
  bits.code(d, 5);
  bits.put(distance - DIST_BASE[d], DIST_EXTRA[d]);
}

// `data` as a zlib stream: header, one fixed-code deflate block, Adler-32.
std::vector<uint8_t> zlib_compress(const std::vector<uint8_t> &data) {
  std::vector<uint8_t> out = {0x78, 0x01};
  Bits bits{out};
  bits.put(1, 1); // the last block
  bits.put(1, 2); // fixed Huffman codes
  const int n = static_cast<int>(data.size());
  std::vector<int> head(1 << HASH_BITS, -1), prev(n, -1);
  auto hash = [&](int i) {
    return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & ((1 << HASH_BITS) - 1);
  };
  auto remember = [&](int i) {
    if (i + MIN_MATCH <= n) {
      const int h = hash(i);
      prev[i] = head[h];
      head[h] = i;
    }
  };
  for (int i = 0; i < n;) {
    int best = 0, best_distance = 0;
    if (i + MIN_MATCH <= n) {
      int tries = MAX_CHAIN;
      for (int j = head[hash(i)]; j >= 0 && i - j <= WINDOW && tries-- > 0; j = prev[j]) {
        int length = 0;
        while (length < MAX_MATCH && i + length < n && data[j + length] == data[i + length])
          length++;
        if (length > best) {
          best = length;
          best_distance = i - j;
          if (length == MAX_MATCH)
            break;
        }
      }
    }
    if (best >= MIN_MATCH) {
      match(bits, best, best_distance);
      for (int k = 0; k < best; k++)
        remember(i + k);
      i += best;
    } else {
      symbol(bits, data[i]);
      remember(i);
      i++;
    }
  }
  symbol(bits, 256);
  bits.flush();
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  const uint32_t adler = (b << 16) | a;
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back((adler >> shift) & 0xff);
  return out;
}

uint32_t crc32(const uint8_t *p, size_t n, uint32_t crc = 0xffffffffu) {
  for (size_t i = 0; i < n; i++) {
    crc ^= p[i];
    for (int k = 0; k < 8; k++)
      crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
  }
  return crc;
}

void put_be32(std::vector<uint8_t> &out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back((v >> shift) & 0xff);
}

void chunk(std::vector<uint8_t> &out, const char *type, const std::vector<uint8_t> &data) {
  put_be32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  put_be32(out, crc32(out.data() + start, out.size() - start) ^ 0xffffffffu);
}

} // namespace

bool write_png(const std::string &path, int width, int height, const std::vector<uint8_t> &rgba) {
  bool opaque = true;
  for (size_t i = 3; i < rgba.size(); i += 4)
    opaque = opaque && rgba[i] == 255;
  const int channels = opaque ? 3 : 4, stride = width * channels;

  // Each row filtered the way that leaves the smallest numbers: as it is,
  // less the pixel to its left, or less the row above.
  std::vector<uint8_t> raw, row(stride), above(stride, 0), best, trial(stride);
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++)
      for (int c = 0; c < channels; c++)
        row[x * channels + c] = rgba[(y * width + x) * 4 + c];
    long best_cost = -1;
    int best_filter = 0;
    for (int filter = 0; filter < 3; filter++) {
      long cost = 0;
      for (int i = 0; i < stride; i++) {
        const int left = i >= channels ? row[i - channels] : 0;
        const int base = filter == 0 ? 0 : filter == 1 ? left : above[i];
        trial[i] = static_cast<uint8_t>(row[i] - base);
        cost += std::abs(static_cast<int8_t>(trial[i]));
      }
      if (best_cost < 0 || cost < best_cost) {
        best_cost = cost;
        best_filter = filter;
        best = trial;
      }
    }
    raw.push_back(static_cast<uint8_t>(best_filter));
    raw.insert(raw.end(), best.begin(), best.end());
    above = row;
  }

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'}, header;
  put_be32(header, width);
  put_be32(header, height);
  header.insert(header.end(), {8, static_cast<uint8_t>(opaque ? 2 : 6), 0, 0, 0});
  chunk(out, "IHDR", header);
  chunk(out, "IDAT", zlib_compress(raw));
  chunk(out, "IEND", {});
  FILE *f = fopen(path.c_str(), "wb");
  if (!f)
    return false;
  const bool written = fwrite(out.data(), 1, out.size(), f) == out.size();
  return fclose(f) == 0 && written;
}
