// Shared set-up of the engine tests: the scripted platform and a scratch
// program folder (with its data folder), and the pixels of Back and of the
// last presented picture.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "ktDraw.h"
#include "ktSound.h"
#include "ktSystem.h"
#include "sys_script.h"
#include "test_support.h"

class EngineTest : public ::testing::Test {
protected:
    std::string folder;

    void SetUp() override {
        ktScript::UseScriptedPlatform();
        ktSystem::ResetForTests();
        folder = testutil::FreshFolder(testutil::TestName());
        std::filesystem::create_directories(folder + "/data");
        ktScript::State.basePath = folder + "/";
    }

    void TearDown() override {
        ktDraw::CloseScreen();
        ktSound::Close();
        std::filesystem::remove_all(folder);
    }

    // Back's raw pixel at (x, y).
    static uint16_t BackPixel(int x, int y) {
        return ktDraw::Back->pixels[y * ktDraw::Back->pitch + x];
    }
    // The last presented picture's raw pixel at (x, y).
    static uint16_t ShownPixel(int x, int y) {
        return ktScript::State.presented[size_t(y) * size_t(ktScript::State.presentedWidth) + size_t(x)];
    }
    // Writes a coded picture (see test_support.h) to data/<file> and loads it
    // into a new image slot.
    int LoadCodedPicture(const std::string& file, int width, int height) {
        testutil::WriteCodedPicture(folder + "/data/" + file, width, height);
        return ktDraw::LoadObject(("./data/" + file).c_str());
    }
    // How often the sound call ("play ./data/x.wav") was made.
    static int SoundCalls(const std::string& call) {
        int n = 0;
        for (const std::string& c : ktScript::State.sounds) n += c == call;
        return n;
    }
};

// The engine with its 320 × 240 display open.
class DisplayTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_EQ(ktDraw::Screen(320, 240), 1);
    }
    // The path of a file of the data folder.
    std::string Data(const std::string& file) { return folder + "/data/" + file; }
};
