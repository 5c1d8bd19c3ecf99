// Shared set-up of the game tests: the engine's (the scripted platform and a
// scratch folder), every game value back to zero, and the scratch folder as
// the working directory too (stage files, point.txt). Helpers load coded
// pictures and tiny sounds into the game's slots, run the game's loop, and
// play a whole game through it with the keyboard.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "game.h"
#include "global_table.h"

// Table entries compare and print whole, so one check covers every field.
inline bool operator==(const DepthShotEntry& a, const DepthShotEntry& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.vx == b.vx && a.vy == b.vy && a.vz == b.vz &&
           a.kind == b.kind && a.active == b.active;
}
inline bool operator==(const FlatShotEntry& a, const FlatShotEntry& b) {
    return a.x == b.x && a.y == b.y && a.vx == b.vx && a.vy == b.vy && a.kind == b.kind && a.active == b.active;
}
inline std::ostream& operator<<(std::ostream& out, const DepthShotEntry& s) {
    return out << "{x " << s.x << ", y " << s.y << ", z " << s.z << ", v (" << s.vx << ", " << s.vy << ", " << s.vz
               << "), kind " << s.kind << ", active " << s.active << "}";
}
inline std::ostream& operator<<(std::ostream& out, const FlatShotEntry& s) {
    return out << "{x " << s.x << ", y " << s.y << ", v (" << s.vx << ", " << s.vy << "), kind " << s.kind
               << ", active " << s.active << "}";
}

// The game's own random draws from a state of their own, to foretell what a
// step of the game will draw: R(n) is one draw modulo n.
struct Draws {
    uint32_t state;
    int32_t R(int32_t n) {
        const uint32_t kept = GameRandom;
        GameRandom = state;
        const int32_t draw = Random(n);
        state = GameRandom;
        GameRandom = kept;
        return draw;
    }
    // A random field coordinate, 10 to 229.
    int32_t Field() { return R(220) + 10; }
};

class GameTest : public EngineTest {
protected:
    std::filesystem::path oldCwd;

    void SetUp() override {
        EngineTest::SetUp();
        ZeroGameState();
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }

    void TearDown() override {
        ZeroGameState();
        std::filesystem::current_path(oldCwd);
        EngineTest::TearDown();
    }

    // Opens the display (and sound and pads) without loading anything.
    void OpenDisplay() { ktDraw::Screen(320, 240); }

    // Links every file of the generated data folder into the scratch one
    // (no copying); `except` is left out, for the test to write a file of
    // its own there.
    void LinkRealData(const std::string& except = "") {
        for (const auto& entry : std::filesystem::directory_iterator(GRAZE_DATA_DIR))
            if (entry.is_regular_file() && entry.path().filename() != except)
                testutil::LinkFile(entry.path(), folder + "/data/" + entry.path().filename().string());
    }

    // A fresh machine and game over the real data, as a new run of the
    // program would find them; `except` is left out of the data folder.
    void StartAfresh(const std::string& except = "") {
        ktScript::UseScriptedPlatform();
        ktSystem::ResetForTests();
        ZeroGameState();
        std::filesystem::remove_all(folder + "/data");
        std::filesystem::create_directories(folder + "/data");
        ktScript::State.basePath = folder + "/";
        LinkRealData(except);
    }

    // Writes a file of the scratch folder ("data/stage0.da1", "point.txt").
    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        testutil::WriteBytes(folder + "/" + name, bytes);
    }
    void WriteFile(const std::string& name, const std::string& text) { testutil::WriteText(folder + "/" + name, text); }
    // The score log and the game's other text files, read as text.
    std::string ReadFile(const std::string& name) { return testutil::ReadLines(folder + "/" + name); }

    // Writes data/<file> and loads it into a new image or sound slot.
    int LoadPlainPicture(const std::string& file, int width, int height, testutil::Rgb colour) {
        testutil::WritePlainBmp(folder + "/data/" + file, width, height, colour);
        return ktDraw::LoadObject(("./data/" + file).c_str());
    }
    int LoadTinySound(const std::string& file) {
        testutil::WriteBytes(folder + "/data/" + file, testutil::TinyWave());
        return ktSound::LoadObject(("./data/" + file).c_str(), 1);
    }
    // How many entries of a table are in use.
    template <typename Entry, size_t N>
    static int ActiveIn(const Entry (&table)[N]) {
        int n = 0;
        for (const Entry& entry : table) n += entry.active;
        return n;
    }
    // After the loads of a set-up: none failed; their sound calls are forgotten.
    static void ExpectLoadsWorked() {
        EXPECT_TRUE(ktScript::State.boxes.empty()) << ktScript::State.boxes.front();
        ktScript::State.sounds.clear();
    }

    // The play scene's sprite sheet, coded: 80 × 250 like chips2.bmp.
    static constexpr int SheetWidth = 80;
    void LoadCodedSheet() { ChipsImage2 = LoadCodedPicture("chips2.bmp", SheetWidth, 250); }
    // The sheet position that Back's pixel (x, y) shows.
    static testutil::Spot Sheet(int x, int y) { return testutil::SourceOf(BackPixel(x, y), SheetWidth); }

    // One turn of the game's loop: queued messages, then `ms` of time, then
    // a frame if the application is active. 0 once the loop has quit.
    int Step(uint32_t ms = 16) {
        int code = 0;
        if (!ktSystem::DispatchMessages(&code)) return 0;
        ktScript::State.tick += ms;
        if (ktSystem::AppActive) ktSystem::RunTurnFrames();
        return 1;
    }

    // ---- A whole game through the real loop, with the keyboard ----------------

    // One frame with `vk` held: pressed before it, released after it.
    void Tap(int vk) {
        ktScript::PressKey(vk);
        ASSERT_EQ(Step(), 1);
        ktScript::ReleaseKey(vk);
    }
    // A select scene: a frame with nothing held, then one row per tap, then Z.
    void ChooseRow(int32_t row) {
        for (int guard = 0; MenuRow != row; guard++) {
            ASSERT_LT(guard, 10);
            ASSERT_EQ(Step(), 1);
            ASSERT_NO_FATAL_FAILURE(Tap(MenuRow > row ? ktPlatform::VK_UP : ktPlatform::VK_DOWN));
        }
        ASSERT_EQ(Step(), 1);
        ASSERT_NO_FATAL_FAILURE(Tap(ktPlatform::VK_Z));
    }
    // From the title, shown for a few frames, into the first stage: Enter,
    // then the mode row and the character row.
    void MenusIntoPlay(int32_t modeRow = 1, int32_t characterRow = 1) {
        ASSERT_EQ(ktSystem::SceneId, 2);
        const int shown = ktScript::State.presents;
        for (int i = 0; i < 3; i++) ASSERT_EQ(Step(), 1);
        EXPECT_EQ(ktScript::State.presents - shown, ktDraw::DisplayOpen ? 3 : 0);
        ASSERT_NO_FATAL_FAILURE(Tap(ktPlatform::VK_RETURN));
        ASSERT_EQ(ktSystem::SceneId, 5);
        ASSERT_NO_FATAL_FAILURE(ChooseRow(modeRow));
        ASSERT_EQ(ktSystem::SceneId, 3);
        ASSERT_NO_FATAL_FAILURE(ChooseRow(characterRow));
        ASSERT_EQ(ktSystem::SceneId, 1);
        ASSERT_EQ(GameMode, 2 - modeRow);
        ASSERT_EQ(Character, characterRow);
        ASSERT_EQ(StageNo, 0);
    }
    // Holds the stage-skip key until `stage` runs (or the game has ended).
    void SkipTo(int32_t stage) {
        if (StageNo == stage || ktSystem::SceneId != 1) return;
        ktScript::PressKey(ktPlatform::VK_NUMPAD5);
        for (int guard = 0; StageNo != stage && ktSystem::SceneId == 1; guard++) {
            ASSERT_LT(guard, 200) << "stage " << StageNo << " of " << LastStage;
            ASSERT_EQ(Step(), 1);
        }
        ktScript::ReleaseKey(ktPlatform::VK_NUMPAD5);
    }
    // Plays up to `frames` frames of `ms` without a key; the count played in
    // the play scene.
    int Play(int frames, uint32_t ms = 25) {
        int played = 0;
        while (played < frames && ktSystem::SceneId == 1 && Step(ms)) played++;
        return played;
    }
    // The rest of the game: on to the last stage with the skip key; its boss
    // falls (its hit points are put below zero), the results follow, Enter
    // writes the log line and the title comes back. Returns the line; the
    // lines already in the log must stay as they were.
    std::string FinishGame() {
        SkipTo(std::max(LastStage, 0));  // a count below zero: the first stage is the last
        if (ktSystem::SceneId == 1) {
            BossHp = -1;
            Step();
        }
        EXPECT_EQ(ktSystem::SceneId, 4);
        const std::string before = ReadFile("point.txt");
        Step();
        EXPECT_EQ(ktSystem::SceneId, 4);
        Tap(ktPlatform::VK_RETURN);
        EXPECT_EQ(ktSystem::SceneId, 2);
        Step();
        EXPECT_EQ(ktSystem::SceneId, 2);
        const std::string after = ReadFile("point.txt");
        EXPECT_EQ(after.compare(0, before.size(), before), 0) << "earlier lines were changed";
        return after.size() >= before.size() ? after.substr(before.size()) : after;
    }
};
