// The play frame: the time step by difficulty with its clamp, the score cap,
// the stage-skip key, the scrolling background, the score panel, the reverse
// action, the hit sequence and the combo's end. The pictures are coded, so
// every shown pixel tells its source position.
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "game_fixture.h"

namespace {

using testutil::SourceOf;
using testutil::Spot;

constexpr int StageWidth = 240;  // stage picture: 240 × 240
constexpr int DigitsWidth = 40;  // chips: 40 × 265

class PlayFrameTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        OpenDisplay();
        StageImage = LoadCodedPicture("stage0.bmp", StageWidth, 240);
        testutil::WriteCodedPicture(folder + "/data/stage1.bmp", StageWidth, 240);
        LoadCodedSheet();
        DigitsImage = LoadCodedPicture("chips.bmp", DigitsWidth, 265);
        LoadTinySound("none.wav");  // slot 0 takes the sounds this test does not name
        StageMusic = LoadTinySound("music.wav");
        MenuLoopSound = LoadTinySound("loop.wav");
        ComboEndSound = LoadTinySound("x.wav");
        ExpectLoadsWorked();
        ktSystem::SceneId = 1;
        ktSystem::FrameSeconds = 0.1f;
        GameMode = 1, PlayerX = 120.0f, PlayerY = 200.0f, BossHp = 100000, Lives = 2;
        ShotTimer = 1000.0f;            // no volleys unless a test wants them
        BossX = 210.0f, BossY = 30.0f;  // top right, over the right strip only
    }
    static Spot Stage(int x, int y) { return SourceOf(ShownPixel(x, y), StageWidth); }
    static Spot Digits(int x, int y) { return SourceOf(ShownPixel(x, y), DigitsWidth); }
    // The digits shown in a row of the panel, '?' where no digit cell is:
    // the large ones down the left edge, or `count` small ones from (0, y).
    static std::string LargeNumber() {
        std::string text;
        for (int i = 0; i < 10; i++) {
            const Spot s = Digits(0, 20 * i);
            text += s.x == 0 && s.y % 20 == 0 && s.y < 200 ? char('0' + s.y / 20) : '?';
        }
        return text;
    }
    static std::string SmallNumber(int count, int y) {
        std::string text;
        for (int i = 0; i < count; i++) {
            const Spot s = Digits(4 * i, y);
            text += s.y == 260 && s.x % 4 == 0 ? char('0' + s.x / 4) : '?';
        }
        return text;
    }
};

TEST_F(PlayFrameTest, StepByDifficultyWithItsClamp) {
    const struct {
        int32_t mode;
        float frameSeconds, step;
    } cases[] = {
        {1, 0.0f, 0.005f},    // two frames in one tick
        {2, 0.001f, 0.005f},  // KIDS halves to 0.0005: too small, becomes 0.005
        {1, 0.001f, 0.001f},  // the low mark itself stays
        {1, 0.25f, 0.1f},
        {0, 0.08f, 0.1f},     // MASTER: 0.12 is cut to 0.1
        {0, 0.04f, 0.06f},
        {2, 0.04f, 0.02f},
        {7, 0.04f, 0.04f},    // an unknown mode runs at the measured speed
    };
    for (const auto& c : cases) {
        GameMode = c.mode, ktSystem::FrameSeconds = c.frameSeconds, StageTime = 1.0f;
        PlayFrame();
        EXPECT_FLOAT_EQ(GameDelta, c.step) << c.mode << " " << c.frameSeconds;
        EXPECT_FLOAT_EQ(StageTime, 1.0f + c.step) << c.mode << " " << c.frameSeconds;
    }
    EXPECT_EQ(ktScript::State.presents, int(std::size(cases)));  // every frame is shown
}

TEST_F(PlayFrameTest, ScoreIsCutOnlyAtTheStartOfAFrameAndThePanelShowsTheLowestDigits) {
    Score = 4294967295u;
    PlayFrame();
    EXPECT_EQ(std::tuple(Score, LargeNumber()), std::tuple(4200000000u, "4200000000"));
    // Points of this frame go past the cap; the next frame cuts them.
    Score = 4199999990u, Combo = 20, ComboTimer = 100.0f, BossX = 120.0f, BossY = 100.0f;
    PlayerShot[1] = {120.0f, 100.0f, 0, -300, 1};
    PlayFrame();
    EXPECT_EQ(std::tuple(Score, LargeNumber()), std::tuple(4200000010u, "4199999990"));
    PlayFrame();
    EXPECT_EQ(Score, 4200000000u);
    Score = 1234567890u, Combo = 1234567, ComboTimer = 100.0f, Lives = 123, BossHp = 98765;
    ktSystem::FrameSeconds = 0.016f;  // 62.5 frames per second
    PlayFrame();
    EXPECT_EQ(std::tuple(LargeNumber(), SmallNumber(6, 235), SmallNumber(3, 225), SmallNumber(2, 215), SmallNumber(5, 205)),
              std::tuple("1234567890", "234567", "062", "23", "98765"));
    // The panel picture lies under the small digits.
    EXPECT_EQ(std::tuple(Digits(0, 200), Digits(39, 239)), std::tuple(Spot{0, 220}, Spot{39, 259}));
    Lives = 12, Combo = -1, BossHp = -123;  // the combo shown unsigned; hit points with digits 0, 0, -1, -2, -3
    PlayFrame();
    EXPECT_EQ(std::tuple(SmallNumber(2, 215), SmallNumber(6, 235), SmallNumber(2, 205)), std::tuple("12", "967295", "00"));
    // Where the negative digits would go, and on the free right part of the
    // panel, the panel picture shows through.
    for (const Spot at : {Spot{8, 205}, Spot{19, 209}, Spot{24, 200}, Spot{39, 239}})
        EXPECT_EQ(Digits(at.x, at.y), (Spot{at.x, at.y + 20})) << at;
}

TEST_F(PlayFrameTest, BackgroundScrollsAndWrapsUnderTheStepsDrawnInTheirOrder) {
    SideScroll = 0.0f;     // 24 after the step
    CenterScroll = 50.0f;  // 46 after the step
    PlayFrame();
    // Left strip: rows 24 to 240 at the top, rows 0 to 24 below them; the
    // right strip likewise (its top is under the boss); the centre: two
    // tiles, each rows 46 to 120 then 0 to 46.
    EXPECT_EQ(std::tuple(Stage(40, 0), Stage(99, 215), Stage(40, 216), Stage(99, 239), Stage(239, 100), Stage(220, 216)),
              std::tuple(Spot{0, 24}, Spot{59, 239}, Spot{0, 0}, Spot{59, 23}, Spot{199, 124}, Spot{180, 0}));
    EXPECT_EQ(std::tuple(Stage(100, 0), Stage(100, 74), Stage(219, 119), Stage(100, 194)),
              std::tuple(Spot{60, 46}, Spot{60, 0}, Spot{179, 45}, Spot{60, 0}));
    SideScroll = 217.0f;  // 241, past 240: back to 0
    CenterScroll = 3.0f;  // below 0: back to 120
    // The boss, then the bursts over it, then the flat shots over both.
    BossX = 120.0f, BossY = 50.0f;
    SpawnBurst(140, 30);
    FlatShot[1] = {110.0f, 35.0f, 0, 0, 0, 1};
    PlayFrame();
    EXPECT_EQ(std::tuple(SideScroll, CenterScroll), std::tuple(0.0f, 120.0f));
    EXPECT_EQ(std::tuple(Stage(40, 0), Stage(40, 239), Stage(100, 0), Stage(100, 120)),
              std::tuple(Spot{0, 0}, Spot{0, 239}, Spot{60, 0}, Spot{60, 0}));
    EXPECT_EQ(std::tuple(Stage(185, 75), SourceOf(ShownPixel(142, 32), SheetWidth), SourceOf(ShownPixel(146, 36), SheetWidth)),
              std::tuple(Spot{115, 175}, Spot{2, 162}, Spot{1, 181}));
}

TEST_F(PlayFrameTest, ReverseByKeyOrPadButtonThreeUsesTheStockTwoSecondsApart) {
    ReverseStock = 2;
    FlatShot[5] = {60.0f, 60.0f, 10, 0, 0, 1};
    ktScript::State.keys[ktPlatform::VK_C] = 1;
    std::vector<int> uses;
    for (int frame = 0; frame < 80; frame++) {
        const int before = ReverseStock;
        PlayFrame();
        if (ReverseStock != before) uses.push_back(frame);
        if (frame == 0) {
            EXPECT_FLOAT_EQ(ReverseCooldown, 2.9f);
        }
    }
    ASSERT_EQ(uses.size(), 2u);
    EXPECT_EQ(uses[0], 0);
    EXPECT_GE(uses[1], 20);  // at least 2 seconds of game time later
    EXPECT_LE(uses[1], 21);
    EXPECT_EQ(std::tuple(FlatShot[5].vx, FlatShot[5].active), std::tuple(10, 1));  // turned back twice
    ktScript::State.keys[ktPlatform::VK_C] = 0;
    ktScript::State.pads[0] = {1, {0, 0, 4}};
    ReverseStock = 1, ReverseCooldown = 1.0f;  // not while the cool-down is 1 or more
    PlayFrame();
    EXPECT_EQ(ReverseStock, 1);
    EXPECT_FLOAT_EQ(ReverseCooldown, 0.9f);
    PlayFrame();
    EXPECT_EQ(std::tuple(ReverseStock, FlatShot[5].vx), std::tuple(0, -10));
    ReverseStock = 0, ReverseCooldown = 0.0f;  // a spent cool-down stays at 0
    PlayFrame();
    EXPECT_EQ(ReverseCooldown, 0.0f);
}

TEST_F(PlayFrameTest, HitTakesALifeAfterTwoSecondsOrEndsTheGameWithTheLast) {
    Lives = 1, HitTimer = 4.0f;
    int frames = 0;
    for (; HitTimer > 0.0f && frames < 40; frames++) {
        EXPECT_EQ(Lives, 1);  // the panel keeps the old count meanwhile
        PlayFrame();
    }
    EXPECT_GE(frames, 20);
    EXPECT_LE(frames, 21);
    EXPECT_EQ(std::tuple(Lives, HitTimer, Bombs), std::tuple(0, 0.0f, 1));  // an empty bomb stock gets one
    PlayFrame();
    EXPECT_EQ(std::tuple(Lives, ktSystem::SceneId), std::tuple(0, 1));
    Lives = 3, Bombs = 4, HitTimer = 0.1f;
    PlayFrame();
    EXPECT_EQ(std::tuple(Lives, Bombs), std::tuple(2, 4));
    // The last life: the music stops, the menu loop starts, both streams close.
    Lives = 0, HitTimer = 4.0f;
    WriteFile("data/s.da1", std::vector<uint8_t>{1, 2, 3});
    Script1File = std::fopen("data/s.da1", "rb");
    Script2File = std::fopen("data/s.da1", "rb");
    Script1Delay = Script2Delay = 100.0f;  // open, but not read in these two seconds
    ktScript::State.sounds.clear();
    for (frames = 0; ktSystem::SceneId == 1 && frames < 40; frames++) PlayFrame();
    EXPECT_GE(frames, 20);
    EXPECT_LE(frames, 21);
    EXPECT_EQ(std::tuple(ktSystem::SceneId, Script1File, Script2File), std::tuple(4, nullptr, nullptr));
    EXPECT_EQ(ktScript::State.sounds, (std::vector<std::string>{"stop ./data/music.wav", "loop ./data/loop.wav"}));
}

TEST_F(PlayFrameTest, ComboEndSoundsOnceAndTheBestComboIsKept) {
    for (int frame = 0; frame < 5; frame++) PlayFrame();  // the gauge never filled
    EXPECT_EQ(SoundCalls("play ./data/x.wav"), 0);
    Combo = 5, MaxCombo = 3, ComboTimer = 240.0f;
    int endFrame = -1;
    for (int frame = 0; frame < 20; frame++) {
        const int before = SoundCalls("play ./data/x.wav");
        PlayFrame();
        if (SoundCalls("play ./data/x.wav") != before) endFrame = frame;
    }
    // 240 falls 36 per frame: empty in the seventh.
    EXPECT_EQ(std::tuple(SoundCalls("play ./data/x.wav"), endFrame, ComboRunning, MaxCombo), std::tuple(1, 6, 0, 5));
    ComboTimer = 240.0f, Combo = 4;  // a smaller combo leaves the best alone
    PlayFrame();
    EXPECT_EQ(MaxCombo, 5);
    Combo = -2;  // compared as unsigned: the largest of all
    PlayFrame();
    EXPECT_EQ(MaxCombo, -2);
}

}  // namespace
