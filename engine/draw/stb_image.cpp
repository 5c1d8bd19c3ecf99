// The bitmap decoder: stb_image, built for bitmaps in memory only and for
// no picture larger than the engine makes.
#include "ktDraw.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS ktDraw::MaxPictureSide
#include "stb_image.h"
