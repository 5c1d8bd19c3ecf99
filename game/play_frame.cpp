// The play scene's frame: the game's own time step, the scrolling background
// and the score panel, the reverse action, the game steps in their fixed
// order (which is also the drawing order), the hit sequence, and the combo's
// end.
#include <cstdint>

#include "game.h"
#include "ktDraw.h"
#include "ktSound.h"

namespace {

// The score is cut to this at the start of every play frame.
constexpr uint32_t ScoreCap = 4200000000u;
// Bounds of the game's time step; a step below the low mark becomes 0.005.
constexpr float StepLow = 0.001f;
constexpr float StepTooLow = 0.005f;
constexpr float StepHigh = 0.1f;

// The reverse action can be used while its cool-down is below 1 second.
constexpr float ReverseReady = 1.0f;
constexpr float ReverseCooldownStart = 3.0f;
constexpr int32_t ReverseCode = 100;

void SetGameDelta() {
    switch (GameMode) {
        case 0: GameDelta = ktSystem::FrameSeconds * 1.5f; break;  // MASTER
        case 2: GameDelta = ktSystem::FrameSeconds / 2.0f; break;  // KIDS
        default: GameDelta = ktSystem::FrameSeconds; break;        // STANDARD
    }
}

void ClampGameDelta() {
    if (GameDelta < StepLow) GameDelta = StepTooLow;
    if (GameDelta > StepHigh) GameDelta = StepHigh;
}

// Numpad 5, held: the next stage (or the last one again), one per frame.
void StageSkipKey() {
    if (ktSystem::GetKeyState(ktPlatform::VK_NUMPAD5) >= 0) return;
    CloseScripts();
    if (StageNo < LastStage) StageNo += 1;  // never past the last stage, nor a count below zero
    StartStage();
}

// The side strips run up at 240 pixels per second, the centre tile down at
// 40, each wrapping around.
void DrawBackground() {
    SideScroll += 240.0f * GameDelta;
    if (SideScroll > 240.0f) SideScroll = 0.0f;
    const int32_t s = static_cast<int32_t>(SideScroll);
    ktDraw::DrawObject(40, 0, StageImage, 0, s, 60, 240);
    ktDraw::DrawObject(40, 240 - s, StageImage, 0, 0, 60, s);
    ktDraw::DrawObject(220, 0, StageImage, 180, s, 240, 240);
    ktDraw::DrawObject(220, 240 - s, StageImage, 180, 0, 240, s);

    CenterScroll -= 40.0f * GameDelta;
    if (CenterScroll < 0.0f) CenterScroll = 120.0f;
    const int32_t m = static_cast<int32_t>(CenterScroll);
    ktDraw::DrawObject(100, 0, StageImage, 60, m, 180, 120);
    ktDraw::DrawObject(100, 120 - m, StageImage, 60, 0, 180, m);
    ktDraw::DrawObject(100, 120, StageImage, 60, m, 180, 120);
    ktDraw::DrawObject(100, 240 - m, StageImage, 60, 0, 180, m);
}

// Large digit cells are 40 × 20 at (0, 20d); small ones 4 × 5 at (4d, 260).
// A digit outside 0 to 9 (from a negative value) has no cell: nothing is
// drawn for it.
void DrawLargeDigit(int32_t x, int32_t y, int32_t d) {
    if (d < 0 || d > 9) return;
    ktDraw::DrawObject(x, y, DigitsImage, 0, 20 * d, 40, 20 * d + 20);
}

void DrawSmallDigit(int32_t x, int32_t y, int32_t d) {
    if (d < 0 || d > 9) return;
    ktDraw::DrawObject(x, y, DigitsImage, 4 * d, 260, 4 * d + 4, 265);
}

// The lowest `count` digits of a value, leading zeros included, left to
// right from x in steps of 4.
void DrawSmallUnsigned(uint32_t value, int32_t count, int32_t y) {
    for (int32_t i = 0; i < count; i++) {
        const uint32_t power = static_cast<uint32_t>(PowerOfTen(count - 1 - i));
        DrawSmallDigit(4 * i, y, static_cast<int32_t>(value / power % 10));
    }
}

void DrawSmallSigned(int32_t value, int32_t count, int32_t y) {
    for (int32_t i = 0; i < count; i++)
        DrawSmallDigit(4 * i, y, value / PowerOfTen(count - 1 - i) % 10);
}

void DrawScorePanel() {
    for (int32_t i = 0; i < 10; i++) {
        const uint32_t power = static_cast<uint32_t>(PowerOfTen(9 - i));
        DrawLargeDigit(0, 20 * i, static_cast<int32_t>(Score / power % 10));
    }
    ktDraw::DrawObject(0, 200, DigitsImage, 0, 220, 40, 260);
    DrawSmallUnsigned(static_cast<uint32_t>(Combo), 6, 235);
    DrawSmallSigned(static_cast<int32_t>(1.0f / GameDelta), 3, 225);
    DrawSmallSigned(Lives, 2, 215);
    DrawSmallSigned(BossHp, 5, 205);
}

// C or pad button 3: every flat shot turns back along its path. Two uses are
// at least 2 seconds of game time apart.
void ReverseAction() {
    if (ReverseCooldown >= ReverseReady || ReverseStock <= 0) return;
    if (ktSystem::GetKeyState(ktPlatform::VK_C) >= 0 && ktSystem::PadButton(0, 3) != 1) return;
    ReverseCooldown = ReverseCooldownStart;
    ReverseStock -= 1;
    FireFlatPattern(ReverseCode);
}

// Two seconds of game time after a hit, a life is taken; with none left the
// game is over.
void HitSequenceStep() {
    HitTimer -= 2.0f * GameDelta;
    if (HitTimer >= 0.0f) return;
    if (Lives > 0) {
        Lives -= 1;
        HitTimer = 0.0f;
        if (Bombs == 0) Bombs = 1;
        return;
    }
    ktSound::StopObject(StageMusic, -1);
    ktSound::LoopObject(MenuLoopSound, -1);
    CloseScripts();
    ktSystem::SceneId = 4;  // results
}

// The combo's end sounds once, on the first frame the gauge is empty after it
// was filled.
void ComboEnd() {
    if (ComboTimer > 0.0f) {
        ComboRunning = 1;
        return;
    }
    if (ComboRunning == 1) ktSound::PlayObject(ComboEndSound, -1);
    ComboRunning = 0;
}

}  // namespace

void PlayFrame() {
    SetGameDelta();
    if (Score > ScoreCap) Score = ScoreCap;
    StageSkipKey();
    ClampGameDelta();
    StageTime += GameDelta;

    ktDraw::ClearScreen();
    DrawBackground();
    DrawScorePanel();
    ReverseAction();
    if (ReverseCooldown > 0.0f) ReverseCooldown -= GameDelta;

    StepScript1();
    UpdateDepthShots();
    UpdatePlayer();
    CheckStageClear();
    StepScript2();
    UpdateBoss();
    UpdateBursts();
    UpdateFlatShots();
    UpdateBomb();
    if (HitTimer > 0.0f) HitSequenceStep();
    ktDraw::Flip();

    ComboEnd();
    if (static_cast<uint32_t>(MaxCombo) < static_cast<uint32_t>(Combo)) MaxCombo = Combo;
}
