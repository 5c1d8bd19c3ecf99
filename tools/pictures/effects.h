// Drawn effects of the sprite sheet: the bursts of a boss hit, the steps of
// the player's explosion and the bomb's beam piece.
#pragma once

#include "picture.h"

namespace pictures {

constexpr int BurstFrames = 4;
constexpr int ExplosionSteps = 5;

// Frame 0 is the first drawn (a flash), 3 the last (dying sparks). 20 x 20.
Picture MakeBurst(int frame);
// Step 4 is the moment of the hit (a white flash), 0 the end (smoke). 20 x 20.
Picture MakeExplosion(int step);
// 80 x 20; twelve of them stack into the beam, so row 0 follows row 19.
Picture MakeBeamPiece();

}  // namespace pictures
