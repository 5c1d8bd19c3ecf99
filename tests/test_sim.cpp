// The simulator's script language: results, dumps, pictures, and the exit
// status for failed checks and wrong scripts; its player; its random games
// and what it says of replays.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "sim.h"
#include "test_support.h"

namespace {

struct SimRun {
    int status;
    std::string out, err;
};

SimRun RunText(const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out, err;
    const int status = sim::RunScript(in, "test.sim", GRAZE_BUILD_DIR, out, err);
    return {status, out.str(), err.str()};
}

TEST(Sim, WrongScriptsExitTwoAndNameTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"seed 1\n\njump 3\n", "test.sim:3: unknown directive: jump"},
        {"hold Space\n", "test.sim:1: unknown key: Space"},
        {"# comment\nexpect Scroe == 1\n", "test.sim:2: unknown name: Scroe"},
        {"set FlatShot[250].vx 1\n", "test.sim:1: slot out of range: FlatShot[250].vx"},
        {"call Teleport 1\n", "test.sim:1: unknown operation: Teleport"},
        {"root /no/such/folder\n", "test.sim:1: no such folder: /no/such/folder"},
        {"hold Escape\nframes 1\nframes 1\n", "test.sim:3: the game has quit"},
        {"shot x.png\n", "no frame has been presented yet"},
    };
    for (const auto& [script, message] : cases) {
        const SimRun r = RunText(script);
        EXPECT_EQ(r.status, sim::ScriptWrong) << script;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

TEST(Sim, ChecksCallsAndDumpsReportAndTheRestStillRuns) {
    const SimRun r = RunText(
        "frames 1\nexpect SceneId == 3\nexpect SceneId == 2\nuntil SceneId == 1 5\n"
        "seed 1\ncall Random 10\ncall ParseDecimal \"-7\"\ncall FormatDecimal 10\n"
        "set PlayerX 120.1\nset FlatShot[3].vx -40\nset FlatShot[3].active 1\ndump frame PlayerX FlatShot\n"
        "expect PlayerX == 120.1\nexpect PlayerX != 120.10001\nhold Enter\nframes 1\ndump Sounds SceneId\ndump Sounds\n");
    EXPECT_EQ(r.status, sim::ExpectFailed) << r.err;
    EXPECT_EQ(r.out,
              "expect failed at line 2: SceneId == 3 (SceneId = 2)\n"
              "until failed at line 4: SceneId == 1 not reached in 5 frames (SceneId = 2)\n"
              "{\"call\":\"Random\",\"result\":1}\n"  // GameRandom from state 1: 41 % 10
              "{\"call\":\"ParseDecimal\",\"result\":-7}\n"
              "{\"call\":\"FormatDecimal\",\"result\":\"10\"}\n"
              "{\"frame\":6,\"PlayerX\":120.099998,\"FlatShot\":[{\"slot\":3,\"x\":0,\"y\":0,\"vx\":-40,"
              "\"vy\":0,\"kind\":0,\"active\":1}]}\n"
              "{\"Sounds\":[\"loop ./data/loop.wav\"],\"SceneId\":5}\n{\"Sounds\":[]}\n");
}

TEST(Sim, SameSeedAndKeysGiveTheSameGameAndShotWritesTheFrame) {
    const testutil::ScratchFolder dir;
    const std::string script =
        "seed 99\nstep 17\nhold Enter\nframes 1\nrelease Enter\nhold Z\nframes 1\nrelease Z\n"
        "frames 1\nhold Z\nframes 1\nrelease Z\nhold Left\nframes 300\nhold X\nframes 200\ndump\n"
        "shot " + dir / "a.png" + "\nshot " + dir / "a.bmp" + "\n";
    const SimRun a = RunText(script), b = RunText(script);
    EXPECT_EQ(a.status, sim::AllRan) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out.find("\"SceneId\":1"), std::string::npos);
    EXPECT_EQ(testutil::ReadText(dir / "a.png").substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(std::filesystem::file_size(dir / "a.bmp"), 54u + 320u * 240u * 3u);
}

// A flat shot falls on the ship: the simulator's player steers out of its
// way, a ship left alone is hit. Steps given as a list are taken in turn.
TEST(Sim, AutoplayGetsOutOfTheWayOfAShot) {
    const testutil::ScratchFolder dir;
    std::filesystem::create_directories(dir / "data");
    for (const auto& entry : std::filesystem::directory_iterator(GRAZE_DATA_DIR))
        testutil::LinkFile(entry.path(), dir / ("data/" + entry.path().filename().string()));
    auto play = [&](const std::string& autoplay) {
        return RunText("root " + dir.path() + "\nseed 5\nstep 17 17 16\n"
                       "hold Enter\nframes 2\nrelease Enter\nframes 1\nhold Z\nframes 1\nrelease Z\nframes 1\n"
                       "hold Z\nframes 1\nrelease Z\nexpect SceneId == 1\n"
                       "set FlatShot[0].x 120\nset FlatShot[0].y 120\nset FlatShot[0].vy 100\nset FlatShot[0].active 1\n" +
                       autoplay + "frames 50\nexpect tick == 934\ndump HitTimer\nhold Escape\nframes 1\n");
    };
    const SimRun dodged = play("autoplay\n"), hit = play("");
    EXPECT_EQ(dodged.status, sim::AllRan) << dodged.out << dodged.err;
    EXPECT_EQ(dodged.out, "{\"HitTimer\":0}\n");
    EXPECT_EQ(hit.status, sim::AllRan) << hit.out << hit.err;
    EXPECT_NE(hit.out, "{\"HitTimer\":0}\n");
    EXPECT_EQ(RunText("pad none\nautoplay pad\n").err, "test.sim:2: autoplay pad needs a pad (pad X Y first)\n");
}

// Random games end and are kept, each verifies; compare tells a replay
// from itself and from another; a folder without replays fails.
TEST(Sim, RandomGamesAreKeptAndVerifyAndCompareTellsWhatMoved) {
    const testutil::ScratchFolder dir;
    std::ostringstream out, err;
    ASSERT_EQ(sim::PlayRandomGames(2, 3, dir / "games", GRAZE_BUILD_DIR, out, err), sim::AllRan) << err.str();
    EXPECT_EQ(out.str().find("2 games recorded into " + dir / "games" + ": "), 0u) << out.str();
    std::ostringstream said;
    EXPECT_EQ(sim::VerifyReplays({dir / "games"}, said), 0) << said.str();
    EXPECT_EQ(said.str().find(dir / "games/game-00001.grr: STAGE "), 0u) << said.str();
    EXPECT_NE(said.str().find("\n" + dir / "games/game-00002.grr: STAGE "), std::string::npos) << said.str();
    const std::string first = dir / "games/game-00001.grr", second = dir / "games/game-00002.grr";
    std::ostringstream same, moved;
    EXPECT_EQ(sim::CompareReplays(first, first, same), 0);
    EXPECT_EQ(same.str(), first + ": unchanged\n");
    EXPECT_EQ(sim::CompareReplays(first, second, moved), 1);
    EXPECT_EQ(moved.str().find(second + ": moved: "), 0u) << moved.str();
    std::filesystem::create_directories(dir / "none");
    std::ostringstream none;
    EXPECT_EQ(sim::VerifyReplays({dir / "none"}, none), 1);
    EXPECT_EQ(none.str(), dir / "none" + ": no replay in it\n");
}

}  // namespace
