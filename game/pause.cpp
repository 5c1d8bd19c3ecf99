// The pause: P, or pad button 4 (Start), during play stops the game where it
// stands (no play frame runs, the sound is held) and shows its last picture
// with the field dimmed and a PAUSED sign; the same key pressed afresh goes
// on from that moment. The engine keeps the pause (ktSystem::PauseGame):
// a paused game runs no frame, so a pause never changes the game, nor its
// replay.
#include "game.h"
#include "ktDraw.h"
#include "replay.h"

namespace {

// The PAUSED sign in the sprite sheet, drawn in the middle of the field.
constexpr int32_t SignLeft = 0, SignTop = 270, SignWidth = 80, SignHeight = 20;
constexpr int32_t SignX = 120, SignY = 110;
constexpr int32_t FieldLeft = 40, FieldRight = 280;

int StartWasHeld = 0;

void TogglePause() {
    if (ktSystem::SceneId != 1 || WatchingReplay()) return;
    if (ktSystem::Paused) {
        ktSystem::PauseGame(0);
        return;
    }
    ktSystem::PauseGame(1);
    // Back still holds the last frame: dimmed, with the sign over it.
    ktDraw::DimRectangle(FieldLeft, 0, FieldRight, 240);
    ktDraw::DrawObject(SignX, SignY, ChipsImage2, SignLeft, SignTop, SignLeft + SignWidth, SignTop + SignHeight);
    ktDraw::Flip();
}

}  // namespace

void PauseKeyPressed(int vk) {
    if (vk == ktPlatform::VK_P) TogglePause();
}

void PauseBetweenFrames() {
    // Start is read outside the frames: pausing is no input of the game.
    const int held = ktSystem::PeekPadButton(0, 4);
    if (held && !StartWasHeld) TogglePause();
    StartWasHeld = held;
}
