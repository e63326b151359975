// SPDX-License-Identifier: MIT
// png.h — writes pictures as PNG files (artgen's web icons).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes `width` x `height` pixels, 4 bytes each (red, green, blue, alpha),
// rows top to bottom, to `path` as a PNG file: RGBA, or RGB when every pixel
// is opaque. The compressor is this file's own, so the same pixels give the
// same bytes with any zlib or none. Returns false if the file cannot be written.
bool write_png(const std::string &path, int width, int height, const std::vector<uint8_t> &rgba);
