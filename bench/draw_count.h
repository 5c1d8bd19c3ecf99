// Counts the pixels that the engine's drawing operations write, so that a
// benchmark can set a frame's time against a plain copy of the same bytes.
//
// The benchmark program is linked with the linker's --wrap option for
// ClearScreen, DrawObject, StretchObject and DrawRectangle (see
// bench/CMakeLists.txt): every call that the game makes reaches the counting
// wrapper in draw_count.cpp first, which adds the area the call covers and
// passes the call on unchanged. Flip is not wrapped; its whole-picture copy
// is counted by the caller.
#pragma once

#include <cstdint>

namespace drawcount {

// While true, the wrappers add to `Pixels`.
extern bool Counting;
// Destination pixels covered by the counted calls, overdraw counted each
// time: a sprite's whole clipped rectangle (its transparent pixels are read
// and tested too), a rectangle's outline fill and interior fill, the whole
// picture for a clear. Calls that the engine refuses count nothing.
extern uint64_t Pixels;

}  // namespace drawcount
