// Replays: a game played through the real loop leaves a file that plays
// again to the same checkpoints and result; any edit of it is caught; a
// damaged file is refused with what is wrong; a replay is watched to its
// results and the program ends.
#include <cstring>
#include <filesystem>
#include <random>
#include <regex>
#include <tuple>

#include "game_fixture.h"
#include "replay.h"

namespace {

using namespace ktPlatform;
using ktScript::State;
namespace fs = std::filesystem;

class ReplayTest : public GameTest {
protected:
    // A KIDS game with CALLA through the real loop, to its results: random
    // keys and frame times, a pad plugged in late and pushed about, a spell
    // in the background, the skip key; then standing still until the last
    // life is lost. The replay it left.
    std::string RecordGame() {
        LinkRealData();
        EXPECT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
        MenusIntoPlay(0, 2);
        std::mt19937 random(7);
        for (int frame = 0; frame < 3000 && ktSystem::SceneId == 1; frame++) {
            for (int vk : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_Z, VK_X, VK_C})
                if (random() % 12 == 0) State.keys[vk] ? ktScript::ReleaseKey(vk) : ktScript::PressKey(vk);
            if (frame == 400) State.pads[0] = {1, {30000, 35000, 0}};
            if (frame > 400) State.pads[0].reading = {uint32_t(random() % 65536), 35000, uint32_t(random() % 8)};
            if (frame == 900) State.events.push_back({WM_ACTIVATEAPP, 0, 0});
            if (frame == 905) State.events.push_back({WM_ACTIVATEAPP, 1, 0});
            if (frame == 1500) ktScript::PressKey(VK_NUMPAD5);
            if (frame == 1501) ktScript::ReleaseKey(VK_NUMPAD5);
            Step(uint32_t(15 + random() % 4) + (frame % 97 == 0 ? 40 : 0));
        }
        for (int vk = 0; vk < 256; vk++) State.keys[vk] = 0;
        State.pads[0].present = 0;
        for (int frame = 0; frame < 200000 && ktSystem::SceneId == 1; frame++) Step(50);
        EXPECT_EQ(ktSystem::SceneId, 4);
        EXPECT_EQ(Recording(), 0);
        return LastReplayPath();
    }
    std::string Verify(const Replay& replay, bool* ok) {
        ZeroGameState();
        ktSystem::ResetForTests();
        ktSystem::UseGame(GameEntryPoints);
        return VerifyReplay(replay, folder + "/verify", ok);
    }
};

// The file is named for the game and holds what the score log says; played
// again it meets every checkpoint and ends with the same line. A changed
// start, a changed input, a changed result or input cut short is caught.
TEST_F(ReplayTest, AGamePlayedAgainFromItsFileVerifiesAndAnyEditIsCaught) {
    const std::string path = RecordGame();
    char line[128];
    FormatScoreLine(line, sizeof line);
    EXPECT_TRUE(std::regex_match(path, std::regex(".*/?replays/[0-9-]{10}_[0-9]{6}_KIDS_CALLA_[0-9]+\\.grr"))) << path;
    Replay replay;
    std::string why;
    ASSERT_EQ(ReadReplayFile(path.c_str(), &replay, &why), 1) << why;
    EXPECT_EQ(replay.result + "\n", line);
    EXPECT_EQ(std::tuple(replay.difficulty, replay.ship, replay.finished, replay.platform),
              std::tuple("KIDS", "CALLA", 1, "script"));
    EXPECT_GT(replay.checkpoints.size(), 20u);
    bool ok = false;
    EXPECT_EQ(Verify(replay, &ok), replay.result);
    EXPECT_TRUE(ok);

    Replay edited = replay;
    edited.start.random ^= 1;
    EXPECT_NE(Verify(edited, &ok).find("drifts at frame 0 "), std::string::npos);
    edited = replay;
    edited.input[edited.input.size() / 2] ^= 0x10;
    EXPECT_TRUE(std::regex_search(Verify(edited, &ok), std::regex("^(drifts at frame [1-9]|damaged)"))) << Verify(edited, &ok);
    edited = replay;
    edited.result[edited.result.size() - 1] ^= 1;
    EXPECT_EQ(Verify(edited, &ok).rfind("ends with another result", 0), 0u);
    edited = replay;
    edited.input.resize(edited.input.size() / 3);
    EXPECT_EQ(Verify(edited, &ok).rfind("damaged: its input ends after frame", 0), 0u);
    EXPECT_FALSE(ok);
}

// Refused with what is wrong, never read past its end: every cut, a damaged
// byte, a newer format, a foreign file, a stage file named as a path, a file
// too large.
TEST_F(ReplayTest, DamagedCutForeignNewerAndOversizedFilesAreRefused) {
    const testutil::Bytes bytes = testutil::ReadBytes(RecordGame());
    Replay replay;
    std::string why;
    for (size_t cut = 0; cut < bytes.size(); cut++)
        ASSERT_EQ(ParseReplay(bytes.data(), cut, &replay, &why), 0) << cut;
    EXPECT_EQ(why, "it is cut short");
    for (size_t at = 12; at < bytes.size(); at += 7) {
        testutil::Bytes damaged = bytes;
        damaged[at] ^= 0x20;
        ASSERT_EQ(ParseReplay(damaged.data(), damaged.size(), &replay, &why), 0) << at;
    }
    testutil::Bytes newer = bytes;
    newer[8] = ReplayFormat + 1;
    EXPECT_EQ(ParseReplay(newer.data(), newer.size(), &replay, &why), 0);
    EXPECT_EQ(why, "it was made by a newer version of the game (replay format 2)");
    const testutil::Bytes foreign = testutil::TinyWave();
    EXPECT_EQ(ParseReplay(foreign.data(), foreign.size(), &replay, &why), 0);
    EXPECT_EQ(why, "it is not a replay of this game");
    // A stage file named "../stage.da1", its chunk's CRC made good.
    testutil::Bytes hostile = bytes;
    const auto stge = std::search(hostile.begin(), hostile.end(), std::begin("STGE"), std::end("STGE") - 1);
    const size_t chunk = size_t(stge - hostile.begin()), payload = chunk + 8;
    const size_t name = payload + 3;  // the first file's name: stageno.txt
    std::copy_n("../stage0.da1", 11, hostile.begin() + long(name));
    const uint32_t length = uint32_t(hostile[chunk + 4] | hostile[chunk + 5] << 8 | hostile[chunk + 6] << 16 | hostile[chunk + 7] << 24);
    const uint32_t crc = Crc32(hostile.data() + payload, length, Crc32(hostile.data() + chunk, 4));
    for (int b = 0; b < 4; b++) hostile[payload + length + size_t(b)] = uint8_t(crc >> (8 * b));
    EXPECT_EQ(ParseReplay(hostile.data(), hostile.size(), &replay, &why), 0);
    EXPECT_EQ(why, "it holds a file that is no stage file");
    testutil::WriteBytes(folder + "/huge.grr", testutil::Bytes(MaxReplayBytes + 1, 'G'));
    EXPECT_EQ(ReadReplayFile((folder + "/huge.grr").c_str(), &replay, &why), 0);
    EXPECT_EQ(why, "it is too large for a replay");
}

// Watched, a replay runs its frames at the recorded pace (F: twice as many
// a turn), stands still while paused, reaches the results without writing
// the score log or a replay, and the program ends a few seconds after. A
// file that will not play gets the box and the status 1.
TEST_F(ReplayTest, AReplayIsWatchedAtItsPaceToItsResultsAndTheProgramEnds) {
    const std::string path = folder + "/watched.grr";
    fs::copy_file(RecordGame(), path);
    Replay replay;
    std::string why;
    ASSERT_EQ(ReadReplayFile(path.c_str(), &replay, &why), 1);
    fs::remove_all(folder + "/replays");
    fs::remove(folder + "/point.txt");
    ZeroGameState();
    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    State.basePath = folder + "/";
    SetReplayToWatch(path.c_str());
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    ASSERT_TRUE(State.boxes.empty()) << State.boxes.front();
    auto turns = [&](int n) {
        for (int i = 0; i < n; i++) {
            int code = 0;
            if (!ktSystem::MessageLoopTurn(&code)) return false;
            State.tick += 16;
        }
        return true;
    };
    ASSERT_TRUE(turns(60));
    // The frames recorded within those 960 ms.
    ktSystem::InputReader reader(replay.input.data(), replay.input.size());
    ktSystem::FrameInput frame;
    uint32_t recorded = 0, time = 0;
    while (reader.Read(&frame) && (time += frame.ticks + frame.ticksAfter) <= 60 * 16) recorded++;
    const uint32_t atOnce = Playback().framesPlayed;
    EXPECT_NEAR(double(atOnce), double(recorded), 2.0);
    ktScript::PressKey(' ');
    ktScript::ReleaseKey(' ');
    ASSERT_TRUE(turns(30));
    EXPECT_LE(Playback().framesPlayed, atOnce + 1);
    ktScript::PressKey(' ');
    ktScript::PressKey('F');
    ASSERT_TRUE(turns(60));
    EXPECT_GT(Playback().framesPlayed - atOnce, 100u);
    int guard = 0;
    while (!Playback().ended) ASSERT_TRUE(turns(1) && guard++ < 100000);
    ASSERT_TRUE(turns(1));
    // The game reached its results, and the watcher shows them: the RESULT
    // label over the wall of digits.
    const ktDraw::Picture* sheet = ktDraw::ImageObjects[ChipsImage2].surface;
    EXPECT_EQ(ShownPixel(160, 120), sheet->pixels[130 * sheet->pitch + 40]);
    while (turns(1)) ASSERT_LT(guard++, 100000);
    EXPECT_EQ(std::tuple(Playback().framesPlayed, Playback().firstMismatch, ktSystem::SceneId), std::tuple(replay.frames, -1, 4));
    EXPECT_EQ(std::tuple(fs::exists(folder + "/point.txt"), fs::exists(folder + "/replays"), ReplayExitStatus()),
              std::tuple(false, false, 0));

    ktScript::UseScriptedPlatform();
    ktSystem::ResetForTests();
    State.basePath = folder + "/";
    testutil::Bytes cut = testutil::ReadBytes(path);
    cut.resize(100);
    testutil::WriteBytes(folder + "/cut.grr", cut);
    SetReplayToWatch((folder + "/cut.grr").c_str());
    ASSERT_EQ(ktSystem::StartUp(GameEntryPoints), 1);
    int code = -1;
    for (int turn = 0; ktSystem::MessageLoopTurn(&code); turn++) ASSERT_LT(turn, 10);
    EXPECT_EQ(State.boxes.back(), "Replay : " + folder + "/cut.grr cannot be played: it is cut short (in its INFO chunk)");
    EXPECT_EQ(ReplayExitStatus(), 1);
}

// The score board reads a game's result back from its score log line: every
// difficulty and ship as written, and nothing that FormatScoreLine would not
// write.
TEST_F(GameTest, AScoreLineReadsBackAsWrittenAndNothingElse) {
    const char* modes[3] = {"MASTER", "STANDARD", "KIDS"};
    const char* ships[3] = {"ASTER", "BRIONY", "CALLA"};
    for (int mode = 0; mode < 3; mode++)
        for (int ship = 0; ship < 3; ship++) {
            std::tie(GameMode, Character, StageNo, MaxCombo, Score) = std::tuple(mode, ship, 3, 87, 4294967295u);
            char line[128];
            FormatScoreLine(line, sizeof line);
            ScoreLine read;
            ASSERT_TRUE(ParseScoreLine(line, &read)) << line;
            EXPECT_EQ(std::tuple(read.stage, read.combo, read.points, read.difficulty, read.ship),
                      std::tuple(3, 87, 4294967295u, modes[mode], ships[ship]));
            line[std::strlen(line) - 1] = 0;
            EXPECT_TRUE(ParseScoreLine(line, &read)) << line;
        }
    ScoreLine read;
    for (const char* bad : {"", "STAGE 1 MAXCOMBO 2 POINT 3 N:ASTER M:EASY", "STAGE 1 MAXCOMBO 2 POINT 3 N:DAISY M:KIDS",
                            "STAGE 1 MAXCOMBO 2 POINT 3 N:ASTER M:KIDS extra", "STAGE 1  MAXCOMBO 2 POINT 3 N:ASTER M:KIDS",
                            "STAGE 1 MAXCOMBO 2 POINT 99999999999 N:ASTER M:KIDS", "STAGE 1 MAXCOMBO 2 POINT -3 N:ASTER M:KIDS"})
        EXPECT_FALSE(ParseScoreLine(bad, &read)) << bad;
}

}  // namespace
