// The stage compiler: the shipped stages, the text form and its errors, the
// decompiler, the build of the data folder, the command line and the
// boss-time estimate.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "pattern_tables.h"
#include "stagec.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using testutil::ReadText;
using testutil::ScratchFolder;

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }
std::tuple<std::string, std::string, int> Streams(const stagec::StageData& s) {
    return {Bytes(s.shots), Bytes(s.moves), s.bossHpByte};
}

// A stage compiled from a file or a text that must compile.
stagec::StageData Compiled(const std::string& pathOrText, bool isFile = false) {
    stagec::StageData stage;
    std::string error;
    EXPECT_TRUE(isFile ? stagec::CompileStageFile(pathOrText, &stage, &error)
                       : stagec::CompileStageText("test.txt", pathOrText, &stage, &error))
        << error;
    return stage;
}
stagec::StageData Shipped(int n) {
    return Compiled(std::string(GRAZE_SOURCE_DIR) + "/stages/stage" + std::to_string(n) + ".txt", true);
}

// Runs the tool's command line; its exit status, with what it printed.
int RunTool(std::vector<std::string> args, std::string* out = nullptr, std::string* err = nullptr) {
    args.insert(args.begin(), "grazerunner-stagec");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = stagec::RunStagec(int(argv.size()), argv.data());
    std::fflush(stdout);
    const std::string printed = testing::internal::GetCapturedStdout(), complaints = testing::internal::GetCapturedStderr();
    if (out) *out = printed;
    if (err) *err = complaints;
    return status;
}

TEST(Stagec, ShippedStagesRoundTripUseEveryCodeTogetherAndAreInTheDataFolder) {
    const std::string data = GRAZE_DATA_DIR;
    const std::string boss = ReadText(data + "/bshp.dat");
    EXPECT_EQ(std::tuple(ReadText(data + "/stageno.txt"), boss.size(), fs::exists(data + "/stage5.da1")),
              std::tuple("04", size_t(5), false));
    std::set<int> depth, flat, moves;
    for (int n = 0; n < 5; n++) {
        const stagec::StageData stage = Shipped(n);
        std::string notes;
        EXPECT_EQ(Streams(Compiled(stagec::DecompileStage(stage, &notes))), Streams(stage)) << n;
        EXPECT_EQ(std::tuple(ReadText(data + "/stage" + std::to_string(n) + ".da1"),
                             ReadText(data + "/stage" + std::to_string(n) + ".da2"), int(uint8_t(boss[size_t(n)])), notes),
                  std::tuple(Bytes(stage.shots), Bytes(stage.moves), stage.bossHpByte, "")) << n;
        for (size_t i = 0; i + 3 <= stage.shots.size(); i += 3)
            for (int k = 0; k < 2; k++) (stage.shots[i + k] < DepthPatternCount ? depth : flat).insert(stage.shots[i + k]);
        for (size_t i = 0; i + 2 <= stage.moves.size(); i += 2) moves.insert(stage.moves[i]);
    }
    // Together the stages use every code that does something: depth codes
    // from 1 (0 is none), flat codes, boss codes; so the round trip finds
    // every code by its name.
    int missing = 0;
    for (int code = 0; code <= FlatPatternLast; code++)
        missing += (code > 0 && !(code < DepthPatternCount ? depth : flat).count(code)) + (code < BossCodeCount && !moves.count(code));
    EXPECT_EQ(missing, 0);
}

// The estimate plays the game's own rules: the figures of stages/README.md,
// seconds for each ship to beat each shipped stage's boss from under it.
TEST(Stagec, EstimateGivesTheTimesOfTheReadme) {
    const double readme[5][3] = {
        {40.9, 61.9, 83.6}, {50.0, 77.7, 96.4}, {45.7, 79.2, 104.4}, {51.2, 82.4, 106.6}, {64.5, 101.9, 125.4}};
    for (int n = 0; n < 5; n++) {
        const stagec::StageData stage = Shipped(n);
        for (int character = 0; character < 3; character++)
            EXPECT_NEAR(stagec::EstimateBossSeconds(stage, character, 600), readme[n][character], 0.05)
                << "stage " << n << ", character " << character;
    }
    // A boss standing at (120, 50) over character 0: all 3 upward shots hit,
    // 27 points per 0.1111 s volley; a limit short of that gives -1.
    const stagec::StageData still = Compiled("boss-hp 10000\nmove boss.stop 1\n");
    EXPECT_NEAR(stagec::EstimateBossSeconds(still, 0, 600), 10000.0 / (27 / 0.1111), 1.0);
    EXPECT_EQ(std::tuple(stagec::EstimateBossSeconds(still, 0, 10), stagec::EstimateBossSeconds(still, 3, 600)), std::tuple(-1, -1));
}

TEST(Stagec, TextCompilesToItsBytesAndDecompilesBack) {
    const stagec::StageData stage = Compiled(
        "# a comment line\nboss-hp 20000   # 40 x 500\n\nshot depth.aim-slow flat.fan5-fast 1.50\nshot none 200 0\n"
        "repeat 2 {\n  shot FLAT.REVERSE depth.clear 12.75\n  repeat 2 {\n    move boss.home-centre-2s .05\n  }\n}\n"
        "move 77 2\nshot-tail 7 8\nmove-tail 9\n");
    EXPECT_EQ(Streams(stage), std::tuple(std::string("\x01\x3A\x1E\x00\xC8\x00\x64\x31\xFF\x64\x31\xFF\x07\x08", 14),
                                         std::string("\x2A\x01\x2A\x01\x2A\x01\x2A\x01\x4D\x28\x09", 11), 40));
    // Decompiled, the bytes left over make tail lines, and it all compiles back.
    std::string notes;
    const std::string text = stagec::DecompileStage(stage, &notes);
    EXPECT_NE(text.find("shot-tail 7 8\n"), std::string::npos) << text;
    EXPECT_NE(text.find("move-tail 9\n"), std::string::npos) << text;
    EXPECT_NE(notes.find("2 byte(s) that do not make a whole 3-byte entry"), std::string::npos) << notes;
    EXPECT_EQ(Streams(Compiled(text)), Streams(stage));
}

TEST(Stagec, EveryMistakeIsNamedWithFileAndLine) {
    const std::string h = "boss-hp 1000\n";
    const std::pair<std::string, std::string> cases[] = {
        {h + "\nshot depth.aim-slwo none 1.00\n", "bad.txt:3: unknown code name 'depth.aim-slwo' (did you mean depth.aim-slow?)"},
        {h + "shot none none 12.80\n", "bad.txt:2: delay 12.80 is too long"},
        {h + "\nshot depth.aim-slow 1.00\n", "bad.txt:3: missing field"},
        {h + "shot boss.stop none 1\n", "bad.txt:2: boss.stop is a boss move; it belongs on a move line"},
        {"shot none none 1\n", "bad.txt: no boss-hp line"},
        {h + "\x01\xFF\x7F garbage\n", "bad.txt:2: unknown keyword '\\x01\\xFF\\x7F'"},
        {h + "repeat 2 {\nshot none none 1\n", "bad.txt:2: repeat block is never closed"},
        {h + "repeat 1000 {\nrepeat 1000 {\nshot none none 1\n}\n}\n", "bad.txt:6: a stream grows beyond"},
    };
    for (const auto& [text, message] : cases) {
        stagec::StageData stage;
        std::string error;
        EXPECT_FALSE(stagec::CompileStageText("bad.txt", text, &stage, &error)) << "accepted:\n" << text;
        EXPECT_NE(error.find(message), std::string::npos) << text << "\n" << error;
    }
}

TEST(Stagec, BuildWritesEveryFileOrNothingAtAll) {
    const ScratchFolder src, out(testutil::TestName() + "-out");
    auto expectRefused = [&](const char* message) {
        std::string error;
        EXPECT_FALSE(stagec::BuildStages(src.path(), out.path(), nullptr, &error));
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_TRUE(fs::is_empty(out.path()));
    };
    expectRefused("no stage sources");
    src.Write("stage0.txt", "boss-hp 1500\nshot depth.aim-slow none 1\nmove boss.stop 2\n");
    src.Write("stage2.txt", "boss-hp 127500\nshot flat.clear none 0.05\n");
    expectRefused("stage1.txt: missing");
    src.Write("stage1.txt", "boss-hp 500\nshot nonsense none 1\n");
    expectRefused("stage1.txt:2: unknown code name 'nonsense'");
    src.Write("stage1.txt", "boss-hp 500\n");
    src.Write("notes.md", "not a stage");
    int count = 0;
    std::string error;
    ASSERT_TRUE(stagec::BuildStages(src.path(), out.path(), &count, &error)) << error;
    EXPECT_EQ(std::tuple(count, ReadText(out / "stageno.txt"), ReadText(out / "bshp.dat")),
              std::tuple(3, "02", std::string("\x03\x01\xFF", 3)));
    EXPECT_EQ(std::tuple(ReadText(out / "stage0.da1"), ReadText(out / "stage0.da2"), ReadText(out / "stage2.da2")),
              std::tuple(std::string("\x01\x00\x14", 3), std::string("\x00\x28", 2), ""));
}

TEST(Stagec, CommandLineCompilesEstimatesAndDecompilesOrSaysWhatIsWrong) {
    const ScratchFolder dir;
    const std::string src = dir.Write("s.txt", "boss-hp 2500\nshot flat.ring8-slow none 0.5\nmove 99 1\n");
    std::string out, err;
    ASSERT_EQ(RunTool({"compile", src, dir / "stage0"}, &out), 0);
    EXPECT_NE(out.find("1 shot entry"), std::string::npos) << out;
    EXPECT_EQ(std::tuple(ReadText(dir / "stage0.da1"), ReadText(dir / "stage0.da2")),
              std::tuple(std::string("\x5C\x00\x0A", 3), std::string("\x63\x14", 2)));
    // No bshp.dat yet: decompiling says so and fails.
    EXPECT_EQ(RunTool({"decompile", "0", dir.path(), "-o", dir / "back.txt"}, nullptr, &err), 1);
    EXPECT_NE(err.find("bshp.dat: cannot open for reading"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "back.txt"));
    dir.Write("bshp.dat", "\x05");
    ASSERT_EQ(RunTool({"decompile", "0", dir.path(), "-o", dir / "back.txt"}), 0);
    EXPECT_EQ(Streams(Compiled(dir / "back.txt", true)), Streams(Compiled(ReadText(src))));
    // A still boss of 2500 points and each ship under it; a source that
    // cannot be read is named and makes the status 1.
    EXPECT_EQ(RunTool({"estimate", src, dir / "none.txt", dir.path()}, &out, &err), 1);
    EXPECT_NE(out.find("s.txt                            2500     10.6 s     26.4 s     26.8 s\n"), std::string::npos) << out;
    EXPECT_NE(err.find("none.txt: cannot open for reading"), std::string::npos) << err;
    EXPECT_NE(err.find("is a folder"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;  // nothing else: the games it plays say nothing
    // The code list: a line for each of the 49 depth, 51 flat and 50 boss
    // codes under the three titles, with what the code does.
    ASSERT_EQ(RunTool({"codes"}, &out), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3 + 49 + 51 + 50 + 2);
    EXPECT_NE(out.find("3-shot fan at the player, 120 px/s\n"), std::string::npos) << out;
    EXPECT_EQ(RunTool({"bogus"}, nullptr, &err), 2);
    EXPECT_NE(err.find("unknown command 'bogus'"), std::string::npos) << err;
}

}  // namespace
