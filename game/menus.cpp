// The three scenes before play: the title, the mode select (three
// difficulties) and the character select (three characters). The two select
// scenes share one menu: three rows of 80 pixels, a highlight strip that
// alternates between two pictures every frame, one row per press of up or
// down, and a confirm key.
#include "game.h"
#include "ktDraw.h"
#include "ktSound.h"
#include "replay.h"

namespace {

using ktPlatform::VK_DOWN;
using ktPlatform::VK_RETURN;
using ktPlatform::VK_UP;
using ktPlatform::VK_Z;

constexpr int32_t RowHeight = 80;
constexpr int32_t RowCount = 3;

bool KeyHeld(int vk) { return ktSystem::GetKeyState(vk) < 0; }

// Steps 1 to 4 of both select scenes: background, highlight strip, then the
// row moves. The strip is drawn before the inputs are read, so a row change
// shows on the next frame.
void MenuStep() {
    ktDraw::ClearScreen();
    ktDraw::DrawObject(0, 0, MenuBackImage, 0, 0, 320, 240);

    MenuStripPhase = MenuStripPhase + 1;
    if (MenuStripPhase == 2) MenuStripPhase = 0;
    const int32_t stripTop = RowHeight * MenuStripPhase;
    ktDraw::DrawObject(0, RowHeight * MenuRow, MenuBarImage, 0, stripTop, 320,
                       stripTop + RowHeight);

    ktSystem::PadStick(0, &StickX, &StickY);

    const bool up = KeyHeld(VK_UP) || StickY == -1;
    const bool down = KeyHeld(VK_DOWN) || StickY == 1;
    if (MenuKeyLatch == 0) {
        // One row per press: up and down on the same frame cancel out.
        if (up) {
            MenuKeyLatch = 1;
            MenuRow = MenuRow - 1;
        }
        if (down) {
            MenuKeyLatch = 1;
            MenuRow = MenuRow + 1;
        }
        if (MenuRow < 0) MenuRow = 0;
        if (MenuRow > RowCount - 1) MenuRow = RowCount - 1;
    } else if (!KeyHeld(VK_DOWN) && !KeyHeld(VK_UP) && StickY == 0) {
        MenuKeyLatch = 0;
    }
}

bool SelectHeld() { return KeyHeld(VK_Z) || ktSystem::PadButton(0, 1) == 1; }

}  // namespace

void TitleFrame() {
    ktDraw::ClearScreen();
    ktDraw::DrawObject(40, 0, MenuBackImage, 0, 0, 240, 240);
    ktDraw::Flip();

    if (KeyHeld(VK_RETURN) || ktSystem::PadButton(0, 4) == 1) {
        ktDraw::SwapObject("./data/selemode.bmp", MenuBackImage);
        ResetGame();
        MenuRow = 1;
        ktSystem::SceneId = 5;
        MenuKeyLatch = 0;
        ktSound::LoopObject(MenuLoopSound, -1);
    }
}

// Rows: 0 KIDS, 1 STANDARD, 2 MASTER.
void ModeSelectFrame() {
    MenuStep();
    ktDraw::Flip();

    if (SelectHeld()) {
        GameMode = 2 - MenuRow;
        MenuRow = 1;
        ktDraw::SwapObject("./data/opening.bmp", MenuBackImage);
        ktSystem::SceneId = 3;
        // The Z press that chose the mode must not also choose the character.
        ConfirmLatch = 1;
    }
}

// Row r chooses character r; play begins with the first stage.
void CharacterSelectFrame() {
    MenuStep();
    ktDraw::Flip();

    if (ConfirmLatch == 0 && SelectHeld()) {
        Character = MenuRow;
        StartStage();
        ktSystem::SceneId = 1;
        ktSound::StopObject(MenuLoopSound, -1);
        StartRecording();  // every game is recorded from here to its results
    }
    if (ConfirmLatch == 1 && !KeyHeld(VK_Z) && ktSystem::PadButton(0, 1) == 0) ConfirmLatch = 0;
}
