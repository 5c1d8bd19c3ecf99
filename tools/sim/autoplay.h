// The simulator's player (the directive `autoplay`): each turn of the play
// scene it looks at the field as a player sees it (its ship, the boss, every
// shot in flight) and decides which controls to hold. It only decides
// inputs: the game reads them as it reads a person's, so a game it plays is
// recorded and played again like any other.
#pragma once

namespace sim {

// What the player does besides moving.
struct AutoplayHabits {
    bool dodges = true;     // false: it keeps under the boss whatever comes
    bool bombs = false;     // sets off a bomb when no way out is left, or when
                            // its column is full of shots and one is to spare
    bool reverses = false;  // sends the flat shots back when they crowd in
};

// The controls to hold this frame.
struct AutoplayControls {
    int dx = 0, dy = 0;  // -1, 0, +1: left/right, up/down
    bool slow = false;
    bool bomb = false;
    bool reverse = false;
};

// Decides the controls for the next frame of the play scene, whose game
// step will be about `gameSeconds` (the clock's step in the game's time).
AutoplayControls DecideControls(const AutoplayHabits& habits, float gameSeconds);

}  // namespace sim
