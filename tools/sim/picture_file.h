// Writes a 320 × 240 RGB565 picture as a 24-bit BMP or a PNG file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// By the name's ending: ".png" writes PNG, anything else BMP. 1 on success.
int WritePicture(const std::string& path, const std::vector<uint16_t>& pixels, int width,
                 int height);

}  // namespace sim
