// Shared set-up of the game tests: the scripted platform, every game value
// back to zero, and a scratch folder that is both the working directory
// (stage files, point.txt) and the program folder (pictures and sounds).
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game.h"
#include "global_table.h"
#include "ktDraw.h"
#include "ktSound.h"
#include "ktSystem.h"
#include "sys_script.h"

class GameTest : public ::testing::Test {
protected:
    std::string folder;
    std::filesystem::path oldCwd;

    void SetUp() override {
        ktScript::UseScriptedPlatform();
        ktSystem::ResetForTests();
        ZeroGameState();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = (std::filesystem::temp_directory_path() /
                  ("grz-game-" + std::string(info->test_suite_name()) + "-" + info->name()))
                     .string();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder + "/data");
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        ktScript::State.basePath = folder + "/";
    }

    void TearDown() override {
        ktDraw::CloseScreen();
        ktSound::Close();
        ZeroGameState();
        std::filesystem::current_path(oldCwd);
        std::filesystem::remove_all(folder);
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
        std::ofstream(folder + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    void WriteFile(const std::string& name, const std::string& text) {
        WriteFile(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    std::string ReadFile(const std::string& name) {
        std::ifstream in(folder + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

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

    // Back's raw pixel at (x, y), and the last presented picture's.
    static uint16_t BackPixel(int x, int y) {
        return reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(ktDraw::Back->pixels) +
                                                 y * ktDraw::Back->pitch)[x];
    }
    static uint16_t ShownPixel(int x, int y) {
        return ktScript::State.presented[size_t(y) * 320 + size_t(x)];
    }
    // The raw pixel of an image object's picture at (x, y).
    static uint16_t ObjectPixel(int object, int x, int y) {
        const SDL_Surface* s = ktDraw::ImageObjects[object].surface;
        return reinterpret_cast<const uint16_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch)[x];
    }
};
