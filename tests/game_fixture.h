// Shared set-up of the game tests: the engine's (the scripted platform and a
// scratch folder), every game value back to zero, and the scratch folder as
// the working directory too (stage files, point.txt). Helpers load coded
// pictures and tiny sounds into the game's slots and run the game's loop.
#pragma once

#include <gtest/gtest.h>

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

    // Copies every file of the generated data folder into the scratch one.
    void UseRealData() {
        for (const auto& entry : std::filesystem::directory_iterator(GRAZE_DATA_DIR))
            if (entry.is_regular_file())
                std::filesystem::copy_file(entry.path(), folder + "/data/" + entry.path().filename().string(),
                                           std::filesystem::copy_options::overwrite_existing);
    }

    // The real data folder and the whole resource set, as at start-up; the
    // boxes and sound calls of loading are forgotten.
    void LoadRealResources() {
        UseRealData();
        LoadResourceSet();
        ktScript::State.boxes.clear();
        ktScript::State.sounds.clear();
    }

    // Writes a file of the scratch folder ("data/stage0.da1", "point.txt").
    void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
        testutil::WriteBytes(folder + "/" + name, bytes);
    }
    void WriteFile(const std::string& name, const std::string& text) { testutil::WriteText(folder + "/" + name, text); }
    // The score log and the game's other text files, read as text.
    std::string ReadFile(const std::string& name) { return testutil::ReadLines(folder + "/" + name); }

    // Writes data/<file> and loads it into a new image or sound slot.
    int LoadCodedPicture(const std::string& file, int width, int height) {
        testutil::WriteCodedPicture(folder + "/data/" + file, width, height);
        return ktDraw::LoadObject(("./data/" + file).c_str());
    }
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
        if (ktSystem::AppActive) ktSystem::RunFrame();
        return 1;
    }
    int Steps(int frames, uint32_t ms = 16) {
        for (int i = 0; i < frames; i++)
            if (!Step(ms)) return 0;
        return 1;
    }

    // The raw pixel of an image object's picture at (x, y).
    static uint16_t ObjectPixel(int object, int x, int y) {
        const ktDraw::Picture* p = ktDraw::ImageObjects[object].surface;
        return p->pixels[y * p->pitch + x];
    }
};
