// Writes a 320 × 240 RGB565 picture as a 24-bit BMP or a PNG file, and a
// 32-bit ARGB picture (an icon) as a PNG with its see-through parts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// By the name's ending: ".png" writes PNG, anything else BMP. 1 on success.
int WritePicture(const std::string& path, const std::vector<uint16_t>& pixels, int width,
                 int height);

// Rows of 0xAARRGGBB pixels as an 8-bit RGBA PNG. 1 on success.
int WriteArgbPng(const std::string& path, const uint32_t* pixels, int width, int height);

}  // namespace sim
