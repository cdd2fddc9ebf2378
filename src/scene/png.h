// A small PNG writer for captured frames: 8-bit RGB, no interlace, every row with filter type 0,
// the image data compressed with zlib in one IDAT chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scene {

// The whole PNG file for a width x height image; `rgb` holds width * height * 3 bytes, rows top to
// bottom. Empty when the sizes do not match or are not positive, or compression fails.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb);

// EncodePng written to `path` (replacing a file there). False when nothing could be encoded or
// the file could not be written completely (a partial file is removed).
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace scene
