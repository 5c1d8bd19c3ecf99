// 24-bit uncompressed BMP files: BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up
// rows in blue-green-red order, each row padded to a multiple of 4 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture.h"

namespace pictures {

std::vector<uint8_t> EncodeBmp(const Picture& picture);
// Reads what EncodeBmp writes (24 bits, uncompressed, either row order).
// False with a reason in `error` for anything else or a damaged file.
bool DecodeBmp(const std::vector<uint8_t>& bytes, Picture& picture, std::string& error);

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

}  // namespace pictures
